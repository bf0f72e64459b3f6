#include "code_page.h"

#include <algorithm>
#include <array>

namespace varnel::data {
namespace {

using CodePageTable = std::array<char32_t, 256>;

// Windows-1252. The five bytes it leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1
// control characters of the same value, so that those bytes, too, survive a read and a write.
// clang-format off
constexpr CodePageTable kWindows1252 = {
    // 0x00-0x7F: ASCII
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F,
    0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
    0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,
    0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,
    // 0x80-0x9F: typographic characters and a few letters
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    // 0xA0-0xFF: Latin-1
    0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,
    0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF,
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF,
    0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF,
    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF,
};
// clang-format on

// The one place that names the code page in use (keep kCodePageName in step).
constexpr const CodePageTable& kCodePage = kWindows1252;

// Two bytes sharing a character would make one of them turn into the other on the next write.
constexpr bool everyCharacterDistinct(const CodePageTable& table) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        for (std::size_t j = i + 1; j < table.size(); ++j) {
            if (table[i] == table[j]) {
                return false;
            }
        }
    }
    return true;
}
static_assert(everyCharacterDistinct(kCodePage));

// The way back, without a scan of the table: the characters below U+0100 by a table of their own,
// the few above it (typographic marks and a few letters) in a short list sorted by character.
constexpr std::uint16_t kNoByte = 0x100;

constexpr std::array<std::uint16_t, 256> lowCharacterBytes(const CodePageTable& table) {
    std::array<std::uint16_t, 256> bytes{};
    bytes.fill(kNoByte);
    for (std::size_t byte = 0; byte < table.size(); ++byte) {
        if (table[byte] < 0x100) {
            bytes[table[byte]] = static_cast<std::uint16_t>(byte);
        }
    }
    return bytes;
}

constexpr std::size_t highCharacterCount(const CodePageTable& table) {
    std::size_t count = 0;
    for (const char32_t character : table) {
        count += character >= 0x100 ? 1 : 0;
    }
    return count;
}

struct HighCharacter {
    char32_t character;
    std::uint8_t byte;
};

template <std::size_t count>
constexpr std::array<HighCharacter, count> highCharacterBytes(const CodePageTable& table) {
    std::array<HighCharacter, count> found{};
    std::size_t filled = 0;
    for (std::size_t byte = 0; byte < table.size(); ++byte) {
        if (table[byte] >= 0x100) {
            // Inserted in order of character.
            std::size_t at = filled++;
            for (; at > 0 && found[at - 1].character > table[byte]; --at) {
                found[at] = found[at - 1];
            }
            found[at] = {table[byte], static_cast<std::uint8_t>(byte)};
        }
    }
    return found;
}

constexpr auto kLowCharacterBytes = lowCharacterBytes(kCodePage);
constexpr auto kHighCharacterBytes = highCharacterBytes<highCharacterCount(kCodePage)>(kCodePage);

}  // namespace

char32_t characterOfByte(std::uint8_t byte) {
    return kCodePage[byte];
}

std::optional<std::uint8_t> byteOfCharacter(char32_t character) {
    if (character < 0x100) {
        const std::uint16_t byte = kLowCharacterBytes[character];
        return byte == kNoByte ? std::nullopt : std::optional<std::uint8_t>(byte);
    }
    const auto* const found = std::lower_bound(
        kHighCharacterBytes.begin(), kHighCharacterBytes.end(), character,
        [](const HighCharacter& entry, char32_t wanted) { return entry.character < wanted; });
    if (found == kHighCharacterBytes.end() || found->character != character) {
        return std::nullopt;
    }
    return found->byte;
}

std::u32string decodeBytes(std::string_view bytes) {
    std::u32string text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        text += characterOfByte(static_cast<std::uint8_t>(byte));
    }
    return text;
}

std::optional<std::string> encodeText(std::u32string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (const char32_t character : text) {
        const auto byte = byteOfCharacter(character);
        if (!byte) {
            return std::nullopt;
        }
        bytes += static_cast<char>(*byte);
    }
    return bytes;
}

std::optional<char32_t> firstUnencodable(std::u32string_view text) {
    for (const char32_t character : text) {
        if (!byteOfCharacter(character)) {
            return character;
        }
    }
    return std::nullopt;
}

}  // namespace varnel::data
