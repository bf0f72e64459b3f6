#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// JSON (RFC 8259) as the tool reads and writes it: a strict reader that turns text from anywhere
// into a tree of values, or says where and why it cannot, and the pieces of text the tool's JSON
// writers are made of.
namespace varnel::tool {

// The deepest nesting of arrays and objects the reader takes: a deeper text is refused before it
// can use up the stack.
inline constexpr int kDeepestJson = 64;
// The most values the reader takes, so that a text of millions of tiny values ("[0,0,0,...")
// cannot take the machine's memory (a value held takes some 110 bytes): a patch that changes
// every unit of a full file in a dozen fields has fewer. Whole files are rewritten by import.
inline constexpr std::size_t kMostJsonValues = 2'000'000;

enum class JsonKind {
    Null,
    Boolean,
    Integer,  // a number without fraction or exponent that an int64 holds
    Number,   // any other number: with a fraction or exponent, or an integer past int64
    String,
    Array,
    Object,
};

struct JsonMember;

struct JsonValue {
    JsonKind kind = JsonKind::Null;
    std::size_t offset = 0;  // of the value's first byte in the text read
    bool boolean = false;
    std::int64_t integer = 0;
    std::string text;  // a string as UTF-8; a Number as it is written
    std::vector<JsonValue> items;
    std::vector<JsonMember> members;  // in the order of the text, each name once

    // The member of an object by its name; nullptr when it has none.
    const JsonValue* find(std::string_view name) const;
};

struct JsonMember {
    std::string name;
    std::size_t nameOffset = 0;
    JsonValue value;
};

// Why a text is no JSON, where that shows: what() is "line 3, column 17: " and the reason.
class JsonError : public std::runtime_error {
  public:
    JsonError(std::string_view text, std::size_t offset, const std::string& reason);
    const std::string& reason() const { return reason_; }

  private:
    std::string reason_;
};

// The text's one value. Takes only what RFC 8259 allows (and a UTF-8 byte-order mark in front):
// strings of well-formed UTF-8 whose \u escapes pair their surrogates, no member name twice in an
// object, nesting no deeper than kDeepestJson. Throws JsonError otherwise.
JsonValue readJson(std::string_view text);

// "line 3, column 17": where a byte of text lies, lines and columns counted from 1, a column
// being a character (a line ends at LF, CR LF or CR).
std::string jsonPlace(std::string_view text, std::size_t offset);

// utf8 as a JSON string, in double quotes: quotes and backslashes escaped, control characters
// (C0, DEL and C1) and the line and paragraph separators as \u00XX, \u2028, \u2029; every other
// character as it is. utf8 is to be well-formed: its bytes are otherwise copied as they are.
void appendJsonString(std::string& out, std::string_view utf8);
void appendJsonInteger(std::string& out, std::int64_t value);

}  // namespace varnel::tool
