// The patch reader on arbitrary bytes: it never crashes and refuses only with data::Error, and a
// patch it reads comes back the same when written and read again. Beneath it the JSON reader
// refuses only with JsonError, and a value it reads, written out again, reads as the same value.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "data/error.h"
#include "fuzz_input.h"
#include "tool/json.h"
#include "tool/patch_format.h"

namespace {

namespace tool = varnel::tool;
using tool::JsonKind;
using tool::JsonValue;

// The value as JSON text; the nesting is the reader's, at most kDeepestJson deep.
void appendValue(std::string& out, const JsonValue& value) {
    switch (value.kind) {
        case JsonKind::Null:
            out += "null";
            break;
        case JsonKind::Boolean:
            out += value.boolean ? "true" : "false";
            break;
        case JsonKind::Integer:
            tool::appendJsonInteger(out, value.integer);
            break;
        case JsonKind::Number:
            out += value.text;
            break;
        case JsonKind::String:
            tool::appendJsonString(out, value.text);
            break;
        case JsonKind::Array:
            out += '[';
            for (std::size_t i = 0; i < value.items.size(); ++i) {
                out += i > 0 ? "," : "";
                appendValue(out, value.items[i]);
            }
            out += ']';
            break;
        case JsonKind::Object:
            out += '{';
            for (std::size_t i = 0; i < value.members.size(); ++i) {
                out += i > 0 ? "," : "";
                tool::appendJsonString(out, value.members[i].name);
                out += ':';
                appendValue(out, value.members[i].value);
            }
            out += '}';
            break;
    }
}

// The same value, wherever in its text it stands.
bool sameValue(const JsonValue& a, const JsonValue& b) {
    if (a.kind != b.kind || a.boolean != b.boolean || a.integer != b.integer || a.text != b.text ||
        a.items.size() != b.items.size() || a.members.size() != b.members.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.items.size(); ++i) {
        if (!sameValue(a.items[i], b.items[i])) {
            return false;
        }
    }
    for (std::size_t i = 0; i < a.members.size(); ++i) {
        if (a.members[i].name != b.members[i].name ||
            !sameValue(a.members[i].value, b.members[i].value)) {
            return false;
        }
    }
    return true;
}

void checkJson(std::string_view text) {
    std::optional<JsonValue> value;
    try {
        value = tool::readJson(text);
    } catch (const tool::JsonError&) {
        return;
    }
    std::string written;
    appendValue(written, *value);
    try {
        require(sameValue(tool::readJson(written), *value), "a value written reads the same");
    } catch (const tool::JsonError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        require(false, "a value written reads again");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkJson(text);
    std::optional<tool::Patch> patch;
    try {
        patch = tool::readPatch(text, "fuzz.json");
    } catch (const varnel::data::Error&) {
        return 0;
    }
    const std::string written = tool::writePatch(*patch);
    try {
        const tool::Patch again = tool::readPatch(written, "written.json");
        require(again == *patch, "a patch written reads back the same");
        require(tool::writePatch(again) == written, "a patch read back writes the same");
    } catch (const varnel::data::Error& error) {
        std::fprintf(stderr, "%s\n", error.what());
        require(false, "a patch written reads again");
    }
    return 0;
}
