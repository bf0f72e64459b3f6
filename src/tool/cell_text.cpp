#include "cell_text.h"

#include <array>
#include <cstdint>

#include "data/code_page.h"

namespace varnel::tool {
namespace {

bool isContinuation(std::uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

// Characters a terminal obeys rather than shows: C0, DEL and C1 controls, the marks and
// overrides of text direction, and the line and paragraph separators.
bool isUnshowable(char32_t character) {
    return character < 0x20 || (character >= 0x7F && character <= 0x9F) || character == 0x200E ||
           character == 0x200F || (character >= 0x2028 && character <= 0x202E) ||
           (character >= 0x2066 && character <= 0x2069);
}

void appendHex(std::string& out, const char* prefix, char32_t value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += prefix;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
        out += kDigits[(value >> shift) & 0xF];
    }
}

}  // namespace

std::optional<char32_t> nextCharacter(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<std::uint8_t>(text[at++]);
    if (lead < 0x80) {
        return lead;
    }
    int length = 0;
    char32_t character = 0, least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, character = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, character = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, character = lead & 0x07, least = 0x10000;
    } else {
        return std::nullopt;
    }
    std::size_t next = at;
    for (int i = 1; i < length; ++i, ++next) {
        if (next >= text.size() || !isContinuation(static_cast<std::uint8_t>(text[next]))) {
            return std::nullopt;
        }
        character = (character << 6) | (static_cast<std::uint8_t>(text[next]) & 0x3F);
    }
    if (character < least || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF)) {
        return std::nullopt;
    }
    at = next;
    return character;
}

bool isUtf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        if (!nextCharacter(bytes, at)) {
            return false;
        }
    }
    return true;
}

std::string shownText(std::string_view utf8) {
    std::string shown;
    shown.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t start = at;
        const auto character = nextCharacter(utf8, at);
        if (!character) {
            appendHex(shown, "\\x", static_cast<std::uint8_t>(utf8[start]), 2);
        } else if (isUnshowable(*character)) {
            appendHex(shown, *character <= 0xFF ? "\\x" : "\\u", *character,
                      *character <= 0xFF ? 2 : 4);
        } else {
            shown += utf8.substr(start, at - start);
        }
    }
    return shown;
}

std::string quotedCell(std::string_view utf8) {
    std::string_view shown = utf8;
    const bool cut = utf8.size() > kLongestQuoted;
    if (cut) {
        std::size_t end = kLongestQuoted;
        while (end > 0 && isContinuation(static_cast<std::uint8_t>(utf8[end]))) {
            --end;
        }
        shown = utf8.substr(0, end);
    }
    // Built by appending: GCC 12 takes "\"" + text for an overlapping copy at -O3.
    std::string quoted = "\"";
    quoted += shownText(shown);
    quoted += cut ? "...\" (" + std::to_string(utf8.size()) + " bytes in all)" : "\"";
    return quoted;
}

void appendUtf8(std::string& text, char32_t character) {
    if (character < 0x80) {
        text += static_cast<char>(character);
        return;
    }
    const int length = character < 0x800 ? 2 : character < 0x10000 ? 3 : 4;
    static constexpr unsigned char kLeads[] = {0, 0, 0xC0, 0xE0, 0xF0};
    text += static_cast<char>(kLeads[length] | (character >> (6 * (length - 1))));
    for (int i = length - 2; i >= 0; --i) {
        text += static_cast<char>(0x80 | ((character >> (6 * i)) & 0x3F));
    }
}

namespace {

// Every byte of the code page as UTF-8, so that a name is turned a byte at a time.
struct Utf8Character {
    char bytes[4];
    std::size_t size;
};

const std::array<Utf8Character, 256>& utf8OfBytes() {
    static const std::array<Utf8Character, 256> table = [] {
        std::array<Utf8Character, 256> found{};
        for (std::size_t byte = 0; byte < found.size(); ++byte) {
            std::string text;
            appendUtf8(text, data::characterOfByte(static_cast<std::uint8_t>(byte)));
            text.copy(found[byte].bytes, text.size());
            found[byte].size = text.size();
        }
        return found;
    }();
    return table;
}

}  // namespace

void appendUtf8FromCodePage(std::string& text, std::string_view bytes) {
    const std::array<Utf8Character, 256>& table = utf8OfBytes();
    // The code page is ASCII below 0x80: runs of such bytes go over as they are.
    while (!bytes.empty()) {
        std::size_t run = 0;
        while (run < bytes.size() && static_cast<std::uint8_t>(bytes[run]) < 0x80) {
            ++run;
        }
        text.append(bytes.data(), run);
        if (run == bytes.size()) {
            return;
        }
        const Utf8Character& character = table[static_cast<std::uint8_t>(bytes[run])];
        text.append(character.bytes, character.size);
        bytes.remove_prefix(run + 1);
    }
}

std::string utf8FromCodePage(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    appendUtf8FromCodePage(text, bytes);
    return text;
}

std::string quotedName(std::string_view name) {
    const bool cut = name.size() > kLongestQuoted;
    std::string quoted = "\"";  // appended, as in quotedCell
    quoted += shownText(utf8FromCodePage(name.substr(0, kLongestQuoted)));
    quoted += cut ? "...\" (" + std::to_string(name.size()) + " characters in all)" : "\"";
    return quoted;
}

bool isFormulaStart(char c) {
    return std::string_view("=+-@\t\r'").find(c) != std::string_view::npos;
}

std::string guardedCell(std::string_view text) {
    if (!text.empty() && isFormulaStart(text.front())) {
        std::string guarded = "'";
        guarded += text;
        return guarded;
    }
    return std::string(text);
}

std::string_view unguardedCell(std::string_view cell) {
    return cell.starts_with('\'') ? cell.substr(1) : cell;
}

}  // namespace varnel::tool
