#include "json.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <numeric>

#include "cell_text.h"

namespace varnel::tool {
namespace {

// Objects up to this many members are searched for a name given twice member by member, larger
// ones by sorting their names.
constexpr std::size_t kFewMembers = 16;

// A byte of the text for a message: a printable ASCII character in quotes, any other by value.
std::string describeByte(std::string_view text, std::size_t at) {
    if (at >= text.size()) {
        return "the end of the text";
    }
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte > 0x20 && byte < 0x7F) {
        return std::string("'") + static_cast<char>(byte) + "'";
    }
    if (byte == ' ') {
        return "a blank";
    }
    char shown[16];
    std::snprintf(shown, sizeof shown, "the byte 0x%02X", byte);
    return shown;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    JsonValue readText() {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") {
            at_ = 3;
        }
        skipBlanks();
        if (at_ == text_.size()) {
            fail(at_, "the text holds no JSON value");
        }
        JsonValue value = readValue(0);
        skipBlanks();
        if (at_ != text_.size()) {
            fail(at_, "found " + describeByte(text_, at_) +
                          " after the end of the JSON value; a text holds one value");
        }
        return value;
    }

  private:
    [[noreturn]] void fail(std::size_t at, const std::string& reason) const {
        throw JsonError(text_, at, reason);
    }

    bool atEnd() const { return at_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[at_]; }

    void skipBlanks() {
        while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')) {
            ++at_;
        }
    }

    JsonValue readValue(int depth) {
        JsonValue value;
        value.offset = at_;
        switch (peek()) {
            case '{':
                readObject(value, depth + 1);
                break;
            case '[':
                readArray(value, depth + 1);
                break;
            case '"':
                value.kind = JsonKind::String;
                value.text = readString();
                break;
            case 't':
                readWord("true");
                value.kind = JsonKind::Boolean;
                value.boolean = true;
                break;
            case 'f':
                readWord("false");
                value.kind = JsonKind::Boolean;
                break;
            case 'n':
                readWord("null");
                break;
            default:
                if (peek() == '-' || isDigit(peek())) {
                    readNumber(value);
                    break;
                }
                fail(at_,
                     "expected a value (an object, an array, a string, a number, true, "
                     "false or null), found " +
                         describeByte(text_, at_));
        }
        return value;
    }

    void readWord(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) {
            fail(at_, "expected the word " + std::string(word) +
                          " (true, false and null are written in full, in small letters)");
        }
        at_ += word.size();
    }

    void enter(int depth) const {
        if (depth > kDeepestJson) {
            fail(at_, "arrays and objects nest deeper than " + std::to_string(kDeepestJson) +
                          " levels here, deeper than the tool reads");
        }
    }

    void readArray(JsonValue& value, int depth) {
        enter(depth);
        value.kind = JsonKind::Array;
        ++at_;
        skipBlanks();
        if (peek() == ']') {
            ++at_;
            return;
        }
        while (true) {
            skipBlanks();
            value.items.push_back(readValue(depth));
            skipBlanks();
            if (peek() == ']') {
                ++at_;
                return;
            }
            if (peek() != ',') {
                fail(at_, "expected ',' or ']' after an element of the array, found " +
                              describeByte(text_, at_));
            }
            ++at_;
        }
    }

    void readObject(JsonValue& value, int depth) {
        enter(depth);
        value.kind = JsonKind::Object;
        ++at_;
        skipBlanks();
        if (peek() == '}') {
            ++at_;
            return;
        }
        while (true) {
            skipBlanks();
            if (peek() != '"') {
                fail(at_, "expected the name of a member in double quotes, found " +
                              describeByte(text_, at_));
            }
            JsonMember member;
            member.nameOffset = at_;
            member.name = readString();
            skipBlanks();
            if (peek() != ':') {
                fail(at_,
                     "expected ':' after the member's name, found " + describeByte(text_, at_));
            }
            ++at_;
            skipBlanks();
            member.value = readValue(depth);
            value.members.push_back(std::move(member));
            skipBlanks();
            if (peek() == '}') {
                ++at_;
                break;
            }
            if (peek() != ',') {
                fail(at_, "expected ',' or '}' after a member of the object, found " +
                              describeByte(text_, at_));
            }
            ++at_;
        }
        refuseNameTwice(value.members);
    }

    // The first member whose name an earlier member has.
    void refuseNameTwice(const std::vector<JsonMember>& members) const {
        std::size_t repeat = members.size(), first = 0;
        if (members.size() <= kFewMembers) {
            for (std::size_t j = 1; j < members.size() && repeat == members.size(); ++j) {
                for (std::size_t i = 0; i < j; ++i) {
                    if (members[i].name == members[j].name) {
                        repeat = j;
                        first = i;
                        break;
                    }
                }
            }
        } else {
            std::vector<std::size_t> order(members.size());
            std::iota(order.begin(), order.end(), std::size_t{0});
            std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
                return members[a].name < members[b].name;
            });
            for (std::size_t k = 0; k + 1 < order.size(); ++k) {
                const bool sameAsPrevious =
                    k > 0 && members[order[k - 1]].name == members[order[k]].name;
                if (!sameAsPrevious && members[order[k]].name == members[order[k + 1]].name &&
                    order[k + 1] < repeat) {
                    repeat = order[k + 1];
                    first = order[k];
                }
            }
        }
        if (repeat < members.size()) {
            fail(members[repeat].nameOffset,
                 "the object has a member " + quotedCell(members[repeat].name) + " already (at " +
                     jsonPlace(text_, members[first].nameOffset) +
                     "); each name may stand once in an object");
        }
    }

    void readNumber(JsonValue& value) {
        const std::size_t start = at_;
        if (peek() == '-') {
            ++at_;
        }
        if (!isDigit(peek())) {
            fail(at_, "expected a digit after '-', found " + describeByte(text_, at_));
        }
        if (peek() == '0' && at_ + 1 < text_.size() && isDigit(text_[at_ + 1])) {
            fail(at_, "a number cannot begin with 0 followed by more digits");
        }
        while (isDigit(peek())) {
            ++at_;
        }
        bool whole = true;
        if (peek() == '.') {
            whole = false;
            ++at_;
            if (!isDigit(peek())) {
                fail(at_,
                     "expected a digit after the decimal point, found " + describeByte(text_, at_));
            }
            while (isDigit(peek())) {
                ++at_;
            }
        }
        if (peek() == 'e' || peek() == 'E') {
            whole = false;
            ++at_;
            if (peek() == '+' || peek() == '-') {
                ++at_;
            }
            if (!isDigit(peek())) {
                fail(at_, "expected a digit in the exponent, found " + describeByte(text_, at_));
            }
            while (isDigit(peek())) {
                ++at_;
            }
        }
        const std::string_view written = text_.substr(start, at_ - start);
        if (whole) {
            const auto [end, error] =
                std::from_chars(written.data(), written.data() + written.size(), value.integer);
            if (error == std::errc() && end == written.data() + written.size()) {
                value.kind = JsonKind::Integer;
                return;
            }
            value.integer = 0;
        }
        value.kind = JsonKind::Number;
        value.text.assign(written);
    }

    unsigned readHexEscape(std::size_t escapeStart) {
        unsigned code = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = atEnd() ? -1 : hexValue(peek());
            if (digit < 0) {
                fail(escapeStart, "\\u needs four hex digits after it");
            }
            code = code << 4 | static_cast<unsigned>(digit);
            ++at_;
        }
        return code;
    }

    std::string readString() {
        const std::size_t start = at_;
        ++at_;
        std::string text;
        while (true) {
            if (atEnd()) {
                fail(start, "the string that begins here has no closing '\"'");
            }
            const auto byte = static_cast<unsigned char>(peek());
            if (byte == '"') {
                ++at_;
                return text;
            }
            if (byte < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04X", byte);
                fail(at_, describeByte(text_, at_) +
                              " stands in a string, where a control character is to be written "
                              "as an escape such as " +
                              escape +
                              (byte == '\n' || byte == '\r'
                                   ? " (or is the string's closing '\"' missing?)"
                                   : ""));
            }
            if (byte == '\\') {
                readEscape(text);
                continue;
            }
            if (byte < 0x80) {
                // Plain ASCII goes over in runs.
                std::size_t end = at_ + 1;
                while (end < text_.size() && text_[end] != '"' && text_[end] != '\\' &&
                       static_cast<unsigned char>(text_[end]) >= 0x20 &&
                       static_cast<unsigned char>(text_[end]) < 0x80) {
                    ++end;
                }
                text.append(text_.substr(at_, end - at_));
                at_ = end;
                continue;
            }
            const std::size_t characterStart = at_;
            if (!nextCharacter(text_, at_)) {
                fail(characterStart,
                     "the string holds bytes that are not UTF-8; save the text as UTF-8");
            }
            text.append(text_.substr(characterStart, at_ - characterStart));
        }
    }

    void readEscape(std::string& text) {
        const std::size_t start = at_;
        ++at_;
        if (atEnd()) {
            fail(start, "the text ends in the middle of an escape");
        }
        const char c = peek();
        ++at_;
        switch (c) {
            case '"':
            case '\\':
            case '/':
                text += c;
                return;
            case 'b':
                text += '\b';
                return;
            case 'f':
                text += '\f';
                return;
            case 'n':
                text += '\n';
                return;
            case 'r':
                text += '\r';
                return;
            case 't':
                text += '\t';
                return;
            case 'u':
                break;
            default:
                fail(start, "a backslash followed by " + describeByte(text_, at_ - 1) +
                                " is no escape of JSON; the escapes are \\\" \\\\ \\/ \\b \\f "
                                "\\n \\r \\t and \\u with four hex digits");
        }
        const unsigned code = readHexEscape(start);
        if (code >= 0xDC00 && code <= 0xDFFF) {
            fail(start, "\\u" + hex4(code) +
                            " is the second half of a surrogate pair, without the first half "
                            "(\\uD800 to \\uDBFF) before it");
        }
        if (code < 0xD800 || code > 0xDBFF) {
            appendUtf8(text, static_cast<char32_t>(code));
            return;
        }
        const std::size_t lowStart = at_;
        if (text_.substr(at_, 2) != "\\u") {
            fail(start, "\\u" + hex4(code) +
                            " is the first half of a surrogate pair, without the second half "
                            "(\\uDC00 to \\uDFFF) after it");
        }
        at_ += 2;
        const unsigned low = readHexEscape(lowStart);
        if (low < 0xDC00 || low > 0xDFFF) {
            fail(start, "\\u" + hex4(code) +
                            " is the first half of a surrogate pair, without the second half "
                            "(\\uDC00 to \\uDFFF) after it");
        }
        appendUtf8(text, static_cast<char32_t>(0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00)));
    }

    static std::string hex4(unsigned code) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04X", code & 0xFFFF);
        return digits;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

const JsonValue* JsonValue::find(std::string_view name) const {
    for (const JsonMember& member : members) {
        if (member.name == name) {
            return &member.value;
        }
    }
    return nullptr;
}

JsonError::JsonError(std::string_view text, std::size_t offset, const std::string& reason)
    : std::runtime_error(jsonPlace(text, offset) + ": " + reason), reason_(reason) {}

JsonValue readJson(std::string_view text) {
    // Every value but the first follows a bracket, a brace, a comma or a colon: counting those
    // outside strings bounds the values before any is built, so that a text of too many is
    // refused without taking memory for them.
    std::size_t values = 1;
    bool inString = false;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (inString) {
            at += c == '\\' ? 1 : 0;
            inString = c != '"';
        } else {
            inString = c == '"';
            values += c == '[' || c == '{' || c == ',' || c == ':' ? 1 : 0;
        }
        if (values > kMostJsonValues) {
            throw JsonError(text, at,
                            "the text holds more than " + std::to_string(kMostJsonValues) +
                                " values, more than a patch of this tool holds");
        }
    }
    return Reader(text).readText();
}

std::string jsonPlace(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    std::size_t line = 1, column = 1;
    for (std::size_t at = 0; at < offset; ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte == '\n' || (byte == '\r' && (at + 1 >= text.size() || text[at + 1] != '\n'))) {
            ++line;
            column = 1;
        } else if (byte != '\r' && (byte & 0xC0) != 0x80) {
            ++column;  // a character's first byte; the bytes that continue it count with it
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

void appendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    for (std::size_t at = 0; at < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[at]);
        std::size_t next = at + 1;
        char32_t character = byte;
        if (byte >= 0x80) {
            const auto decoded = nextCharacter(utf8, next = at);
            if (!decoded) {
                out += utf8[at];
                at = next;
                continue;
            }
            character = *decoded;
        }
        if (character == '"' || character == '\\') {
            out += '\\';
            out += static_cast<char>(character);
        } else if (character == '\n') {
            out += "\\n";
        } else if (character == '\r') {
            out += "\\r";
        } else if (character == '\t') {
            out += "\\t";
        } else if (character < 0x20 || (character >= 0x7F && character <= 0x9F) ||
                   character == 0x2028 || character == 0x2029) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(character));
            out += escape;
        } else {
            out.append(utf8.substr(at, next - at));
        }
        at = next;
    }
    out += '"';
}

void appendJsonInteger(std::string& out, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, static_cast<std::size_t>(end - digits));
}

}  // namespace varnel::tool
