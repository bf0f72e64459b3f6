#include "patch_format.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>

#include "cell_text.h"
#include "data/code_page.h"
#include "data/error.h"
#include "data/record_layout.h"
#include "json.h"
#include "sha256.h"
#include "unit_columns.h"

namespace varnel::tool {
namespace {

using data::Error;
namespace layout = data::layout;

// The highest unit a patch changes or adds: the unit counter, a signed 16-bit word, counts the
// units after the first.
constexpr std::int64_t kHighestPatchUnit = layout::kHighestStorableUnit - 1;
constexpr std::int64_t kRecordSize = layout::kRecordSize;

constexpr char kHexDigits[] = "0123456789ABCDEF";

// A patch carries the record's fields and its unassigned bytes; the unit number is the record's
// place, the name goes separately, and the class name and nationality follow from fields.
bool isPatchColumn(const Column& column) {
    return column.kind == ColumnKind::Field || column.kind == ColumnKind::Unassigned;
}

std::size_t columnIndex(const Column* column) {
    return static_cast<std::size_t>(column - unitColumns().data());
}

// ---- making ----

PatchFileFacts factsOf(const data::EquipmentImage& equipment, const data::NameListImage& names) {
    return {static_cast<std::int64_t>(equipment.bytes().size()),
            static_cast<std::int64_t>(names.bytes().size()), equipment.units(),
            equipment.unitCounter()};
}

PatchUnit unitChanges(std::int64_t number, const data::EquipmentImage& before,
                      const data::EquipmentImage& after, std::string_view nameBefore,
                      std::string_view nameAfter) {
    PatchUnit changed{number, {}, std::nullopt, std::nullopt};
    if (before.record(number) != after.record(number)) {
        const data::Unit was = before.unit(number), now = after.unit(number);
        for (const Column& column : unitColumns()) {
            if (!isPatchColumn(column)) {
                continue;
            }
            std::string old = cellText(column, number, was, {});
            std::string current = cellText(column, number, now, {});
            if (old != current) {
                changed.fields.push_back(
                    {std::string(column.label), std::move(old), std::move(current)});
            }
        }
    }
    if (nameBefore != nameAfter) {
        changed.nameBefore = utf8FromCodePage(nameBefore);
        changed.nameAfter = utf8FromCodePage(nameAfter);
    }
    return changed;
}

// ---- writing ----

void appendHex(std::string& out, std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (i > 0) {
            out += ' ';
        }
        out += kHexDigits[byte >> 4];
        out += kHexDigits[byte & 0xF];
    }
}

// Whether text is an integer as JSON and this writer write it: no plus, no leading zero.
bool isIntegerText(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return false;
    }
    std::string written;
    appendJsonInteger(written, value);
    return written == text;
}

// A cell of a Field column as a number; an unassigned cell, or anything that is no number, as a
// string.
void appendCell(std::string& out, const std::string& label, const std::string& cell) {
    const Column* column = findColumn(label);
    if (column != nullptr && column->kind == ColumnKind::Field && isIntegerText(cell)) {
        out += cell;
    } else {
        appendJsonString(out, cell);
    }
}

void appendKey(std::string& out, std::string_view key) {
    appendJsonString(out, key);
    out += ": ";
}

// {"old": before, "new": after}, each value written by append.
template <typename Value, typename Append>
void appendOldNew(std::string& out, const Value& before, const Value& after, Append append) {
    out += "{";
    appendKey(out, "old");
    append(out, before);
    out += ", ";
    appendKey(out, "new");
    append(out, after);
    out += "}";
}

void appendFacts(std::string& out, const PatchFileFacts& facts) {
    appendKey(out, "equipmentBytes");
    appendJsonInteger(out, facts.equipmentBytes);
    out += ", ";
    appendKey(out, "nameListBytes");
    appendJsonInteger(out, facts.nameListBytes);
    out += ", ";
    appendKey(out, "units");
    appendJsonInteger(out, facts.units);
    out += ", ";
    appendKey(out, "unitCounter");
    appendJsonInteger(out, facts.unitCounter);
}

void appendChangedUnit(std::string& out, const PatchUnit& unit) {
    out += "{";
    appendKey(out, "unit");
    appendJsonInteger(out, unit.unit);
    if (unit.nameBefore && unit.nameAfter) {
        out += ", ";
        appendKey(out, "name");
        appendOldNew(out, *unit.nameBefore, *unit.nameAfter, appendJsonString);
    }
    if (!unit.fields.empty()) {
        out += ", ";
        appendKey(out, "fields");
        out += "{";
        for (std::size_t i = 0; i < unit.fields.size(); ++i) {
            const PatchField& field = unit.fields[i];
            out += i > 0 ? ", " : "";
            appendKey(out, field.label);
            appendOldNew(out, field.before, field.after,
                         [&](std::string& text, const std::string& cell) {
                             appendCell(text, field.label, cell);
                         });
        }
        out += "}";
    }
    out += "}";
}

void appendAddedUnit(std::string& out, const PatchAddedUnit& unit) {
    out += "{";
    appendKey(out, "unit");
    appendJsonInteger(out, unit.unit);
    out += ", ";
    appendKey(out, "name");
    appendJsonString(out, unit.name);
    out += ", ";
    appendKey(out, "record");
    out += '"';
    appendHex(out, unit.record);
    out += "\"}";
}

// A list of units, one a line.
template <typename Unit, typename Append>
void appendUnitList(std::string& out, std::string_view key, const std::vector<Unit>& units,
                    Append append) {
    out += "  ";
    appendKey(out, key);
    if (units.empty()) {
        out += "[]";
        return;
    }
    out += "[\n";
    for (std::size_t i = 0; i < units.size(); ++i) {
        out += "    ";
        append(out, units[i]);
        out += i + 1 < units.size() ? ",\n" : "\n";
    }
    out += "  ]";
}

// ---- reading ----

std::string joined(const std::vector<std::string_view>& words) {
    std::string text;
    for (const std::string_view word : words) {
        text += text.empty() ? "\"" : ", \"";
        text += word;
        text += '"';
    }
    return text;
}

std::string patchLabels() {
    std::vector<std::string_view> labels;
    for (const Column& column : unitColumns()) {
        if (isPatchColumn(column)) {
            labels.push_back(column.label);
        }
    }
    return joined(labels);
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c) {
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

class PatchReader {
  public:
    PatchReader(std::string_view text, const std::string& path) : text_(text), path_(path) {}

    Patch read() {
        if (static_cast<std::int64_t>(text_.size()) > kLargestPatch) {
            throw Error("Cannot read the patch " + path_ + ": it holds " +
                        std::to_string(text_.size()) + " bytes, more than the " +
                        std::to_string(kLargestPatch / (1024 * 1024)) +
                        " MiB that varnel-tool reads: a patch of every field of every unit a "
                        "file can hold is smaller.");
        }
        JsonValue top;
        try {
            top = readJson(text_);
        } catch (const JsonError& error) {
            throw Error("Cannot read the patch " + path_ + ": it is no JSON text (" +
                        std::string(error.what()) +
                        "). A patch is the JSON text that varnel-tool diff --patch writes.");
        }
        if (top.kind != JsonKind::Object) {
            fail(top, "the text is " + kindOf(top) +
                          "; a patch is a JSON object, in braces: { \"format\": ... }");
        }
        checkFormat(top);
        checkVersion(top);
        refuseUnknown(top,
                      {"format", "version", "base", "result", "unitCounter", "changed", "added"},
                      "a patch");
        Patch patch;
        const JsonValue& base = required(top, "base", "the patch");
        patch.base = readFacts(base, "\"base\"");
        patch.baseSha256 = readDigest(base, "sha256");
        patch.baseNameListSha256 = readDigest(base, "nameListSha256");
        patch.result = readFacts(required(top, "result", "the patch"), "\"result\"");
        if (const JsonValue* counter = top.find("unitCounter")) {
            readCounter(*counter, patch);
        }
        if (const JsonValue* changed = top.find("changed")) {
            for (const JsonValue& unit : arrayOf(*changed, "\"changed\"")) {
                patch.changed.push_back(readChangedUnit(unit, patch));
            }
        }
        if (const JsonValue* added = top.find("added")) {
            for (const JsonValue& unit : arrayOf(*added, "\"added\"")) {
                patch.added.push_back(readAddedUnit(unit, patch));
            }
        }
        checkCounts(top, patch);
        return patch;
    }

  private:
    [[noreturn]] void failAt(std::size_t offset, const std::string& what) const {
        throw Error("Cannot read the patch " + path_ + ": " + jsonPlace(text_, offset) + ": " +
                    what + ".");
    }
    [[noreturn]] void fail(const JsonValue& value, const std::string& what) const {
        failAt(value.offset, what);
    }

    static std::string kindOf(const JsonValue& value) {
        switch (value.kind) {
            case JsonKind::Null:
                return "null";
            case JsonKind::Boolean:
                return value.boolean ? "true" : "false";
            case JsonKind::Integer:
                return "the number " + std::to_string(value.integer);
            case JsonKind::Number:
                return "the number " + value.text.substr(0, kLongestQuoted);
            case JsonKind::String:
                return "the string " + quotedCell(value.text);
            case JsonKind::Array:
                return "an array";
            case JsonKind::Object:
                return "an object";
        }
        return "a value";
    }

    const JsonValue& required(const JsonValue& object, std::string_view key,
                              const std::string& owner) const {
        const JsonValue* value = object.find(key);
        if (value == nullptr) {
            fail(object, owner + " has no \"" + std::string(key) + "\"");
        }
        return *value;
    }

    void requireObject(const JsonValue& value, const std::string& what,
                       const std::string& shape) const {
        if (value.kind != JsonKind::Object) {
            fail(value, what + " is " + kindOf(value) + "; it is to be an object: " + shape);
        }
    }

    const std::vector<JsonValue>& arrayOf(const JsonValue& value, const std::string& what) const {
        if (value.kind != JsonKind::Array) {
            fail(value, what + " is " + kindOf(value) + "; it is to be an array, [ ... ]");
        }
        return value.items;
    }

    void refuseUnknown(const JsonValue& object, const std::vector<std::string_view>& known,
                       const std::string& owner) const {
        for (const JsonMember& member : object.members) {
            if (std::find(known.begin(), known.end(), member.name) == known.end()) {
                failAt(member.nameOffset, owner + " holds no " + quotedCell(member.name) +
                                              "; it holds " + joined(known));
            }
        }
    }

    std::int64_t integer(const JsonValue& value, const std::string& what, std::int64_t lowest,
                         std::int64_t highest) const {
        const std::string range =
            "a whole number from " + std::to_string(lowest) + " to " + std::to_string(highest);
        if (value.kind != JsonKind::Integer) {
            fail(value, what + " is " + kindOf(value) + "; it is to be " + range);
        }
        if (value.integer < lowest || value.integer > highest) {
            fail(value, what + " is " + std::to_string(value.integer) + "; it is to be " + range);
        }
        return value.integer;
    }

    std::string text(const JsonValue& value, const std::string& what) const {
        if (value.kind != JsonKind::String) {
            fail(value, what + " is " + kindOf(value) + "; it is to be a string, in quotes");
        }
        return value.text;
    }

    void checkFormat(const JsonValue& top) const {
        const JsonValue* format = top.find("format");
        if (format == nullptr) {
            fail(top,
                 "the object has no \"format\": a patch of varnel-tool begins with "
                 "\"format\": \"" +
                     std::string(kPatchFormat) + "\"");
        }
        if (format->kind != JsonKind::String || format->text != kPatchFormat) {
            fail(*format, "\"format\" is " + kindOf(*format) + ", not \"" +
                              std::string(kPatchFormat) +
                              "\": the text is no patch of varnel-tool");
        }
    }

    void checkVersion(const JsonValue& top) const {
        const JsonValue& version = required(top, "version", "the patch");
        const std::string reads =
            "this varnel-tool reads patches of version " +
            (kPatchVersion == 1 ? std::string("1") : "1 to " + std::to_string(kPatchVersion));
        if (version.kind != JsonKind::Integer) {
            fail(version,
                 "\"version\" is " + kindOf(version) + "; it is to be a whole number: " + reads);
        }
        if (version.integer > kPatchVersion) {
            fail(version, "the patch is of version " + std::to_string(version.integer) +
                              ", made by a later varnel-tool; " + reads +
                              ". Use a varnel-tool as recent as the one that made the patch");
        }
        if (version.integer < 1) {
            fail(version, "\"version\" is " + std::to_string(version.integer) +
                              ", which no patch has; " + reads);
        }
    }

    PatchFileFacts readFacts(const JsonValue& object, const std::string& owner) const {
        requireObject(object, owner,
                      "{\"equipmentBytes\": ..., \"nameListBytes\": ..., \"units\": ..., "
                      "\"unitCounter\": ...}");
        constexpr std::int64_t kMost = std::numeric_limits<std::int64_t>::max();
        const auto fact = [&](std::string_view key, std::int64_t lowest, std::int64_t highest) {
            return integer(required(object, key, owner), owner + " \"" + std::string(key) + "\"",
                           lowest, highest);
        };
        PatchFileFacts facts;
        facts.equipmentBytes = fact("equipmentBytes", 0, kMost);
        facts.nameListBytes = fact("nameListBytes", 0, kMost);
        facts.units = fact("units", 0, kHighestPatchUnit + 1);
        facts.unitCounter = fact("unitCounter", std::numeric_limits<std::int16_t>::min(),
                                 std::numeric_limits<std::int16_t>::max());
        return facts;
    }

    std::string readDigest(const JsonValue& base, std::string_view key) const {
        const std::string what = "\"base\" \"" + std::string(key) + "\"";
        const JsonValue& value = required(base, key, "\"base\"");
        std::string digest = text(value, what);
        if (digest.size() != 64 || !std::all_of(digest.begin(), digest.end(), isHexDigit)) {
            fail(value,
                 what + " is " + kindOf(value) + "; it is to be a SHA-256 digest: 64 hex digits");
        }
        std::transform(digest.begin(), digest.end(), digest.begin(), [](char c) {
            return c >= 'A' && c <= 'F' ? static_cast<char>(c | 0x20) : c;
        });
        return digest;
    }

    void readCounter(const JsonValue& counter, Patch& patch) const {
        requireObject(counter, "\"unitCounter\"", "{\"old\": ..., \"new\": ...}");
        refuseUnknown(counter, {"old", "new"}, "\"unitCounter\"");
        const auto word = [&](std::string_view key) {
            return integer(required(counter, key, "\"unitCounter\""),
                           "\"unitCounter\" \"" + std::string(key) + "\"",
                           std::numeric_limits<std::int16_t>::min(),
                           std::numeric_limits<std::int16_t>::max());
        };
        patch.counterBefore = word("old");
        patch.counterAfter = word("new");
    }

    // A name as the name list can hold it: one line, every character in the code page.
    std::string name(const JsonValue& value, const std::string& what) const {
        std::string utf8 = text(value, what);
        for (std::size_t at = 0; at < utf8.size();) {
            const char32_t character = *nextCharacter(utf8, at);  // the reader took only UTF-8
            if (character == '\r' || character == '\n') {
                fail(value, what +
                                " holds a line break, which a name cannot hold: each line of "
                                "the name list holds one name");
            }
            if (!data::byteOfCharacter(character)) {
                char code[16];
                std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(character));
                fail(value, what + " holds the character " + code +
                                ", which the name list cannot hold: it stores names in the " +
                                data::kCodePageName + " code page");
            }
        }
        return utf8;
    }

    std::int64_t unitNumber(const JsonValue& entry, const std::string& owner) const {
        return integer(required(entry, "unit", owner), owner + " \"unit\"", 0, kHighestPatchUnit);
    }

    PatchUnit readChangedUnit(const JsonValue& entry, const Patch& patch) const {
        requireObject(entry, "a unit of \"changed\"",
                      "{\"unit\": ..., \"name\": {...}, \"fields\": {...}}");
        refuseUnknown(entry, {"unit", "name", "fields"}, "a unit of \"changed\"");
        PatchUnit unit;
        unit.unit = unitNumber(entry, "a unit of \"changed\"");
        const JsonValue& number = *entry.find("unit");
        if (unit.unit >= patch.base.units) {
            fail(number, "unit " + std::to_string(unit.unit) + " is changed, but the base has " +
                             (patch.base.units == 0
                                  ? std::string("no units")
                                  : "units 0 to " + std::to_string(patch.base.units - 1)) +
                             " (\"base\" \"units\"); units after them belong in \"added\"");
        }
        if (!patch.changed.empty() && unit.unit <= patch.changed.back().unit) {
            fail(number, "unit " + std::to_string(unit.unit) + " follows unit " +
                             std::to_string(patch.changed.back().unit) +
                             " in \"changed\"; the units are to stand there once each, in "
                             "ascending order");
        }
        const std::string owner = "unit " + std::to_string(unit.unit);
        if (const JsonValue* names = entry.find("name")) {
            requireObject(*names, "the \"name\" of " + owner, "{\"old\": ..., \"new\": ...}");
            refuseUnknown(*names, {"old", "new"}, "the \"name\" of " + owner);
            unit.nameBefore = name(required(*names, "old", "the \"name\" of " + owner),
                                   "the old name of " + owner);
            unit.nameAfter = name(required(*names, "new", "the \"name\" of " + owner),
                                  "the new name of " + owner);
        }
        if (const JsonValue* fields = entry.find("fields")) {
            readFields(*fields, owner, unit);
        }
        if (unit.fields.empty() && !unit.nameBefore) {
            fail(entry, owner +
                            " in \"changed\" has neither \"name\" nor \"fields\": nothing "
                            "of it changes");
        }
        return unit;
    }

    void readFields(const JsonValue& fields, const std::string& owner, PatchUnit& unit) const {
        requireObject(fields, "the \"fields\" of " + owner,
                      "{\"Soft\": {\"old\": ..., \"new\": ...}, ...}");
        std::vector<std::pair<std::size_t, PatchField>> found;
        for (const JsonMember& member : fields.members) {
            const Column* column = findColumn(member.name);
            if (column == nullptr || !isPatchColumn(*column)) {
                const std::string why =
                    column != nullptr && column->kind == ColumnKind::Name
                        ? "; a changed name goes in \"name\": {\"old\": ..., \"new\": ...}"
                        : "";
                failAt(member.nameOffset, quotedCell(member.name) + " is no field of a unit" + why +
                                              ". The fields are " + patchLabels());
            }
            const std::string what = "field \"" + member.name + "\" of " + owner;
            requireObject(member.value, what, "{\"old\": ..., \"new\": ...}");
            refuseUnknown(member.value, {"old", "new"}, what);
            PatchField field{member.name, {}, {}};
            field.before = cell(*column, required(member.value, "old", what), "\"old\" of " + what);
            field.after = cell(*column, required(member.value, "new", what), "\"new\" of " + what);
            found.emplace_back(columnIndex(column), std::move(field));
        }
        std::sort(found.begin(), found.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& [index, field] : found) {
            unit.fields.push_back(std::move(field));
        }
    }

    // The cell of a value: a field's number as its decimal text; the unassigned bytes as written
    // (applying the patch reads them as import does).
    std::string cell(const Column& column, const JsonValue& value, const std::string& what) const {
        if (column.kind == ColumnKind::Unassigned) {
            if (value.kind != JsonKind::String) {
                fail(value, what + " is " + kindOf(value) +
                                "; it is to be the unassigned bytes in hex, in quotes: \"00 1A "
                                "...\"");
            }
            return value.text;
        }
        if (value.kind == JsonKind::Integer) {
            return std::to_string(value.integer);
        }
        const bool tooLarge =
            value.kind == JsonKind::Number && value.text.find_first_of(".eE") == std::string::npos;
        fail(value, what + " is " + kindOf(value) +
                        (tooLarge ? ", far larger than any field holds"
                                  : "; it is to be a whole number, without quotes, fraction or "
                                    "exponent"));
    }

    PatchAddedUnit readAddedUnit(const JsonValue& entry, const Patch& patch) const {
        const std::string owner = "a unit of \"added\"";
        requireObject(entry, owner, "{\"unit\": ..., \"name\": ..., \"record\": ...}");
        refuseUnknown(entry, {"unit", "name", "record"}, owner);
        PatchAddedUnit unit;
        unit.unit = unitNumber(entry, owner);
        const std::int64_t expected =
            patch.base.units + static_cast<std::int64_t>(patch.added.size());
        if (unit.unit != expected) {
            fail(*entry.find("unit"),
                 "unit " + std::to_string(unit.unit) + " stands where unit " +
                     std::to_string(expected) +
                     " belongs: the added units follow the base's last unit one by one (the base "
                     "has " +
                     std::to_string(patch.base.units) + " units, \"base\" \"units\")");
        }
        const std::string self = "added unit " + std::to_string(unit.unit);
        unit.name = name(required(entry, "name", self), "the name of " + self);
        const JsonValue& record = required(entry, "record", self);
        unit.record = recordBytes(record, "the record of " + self);
        return unit;
    }

    // Two hex digits a byte, blanks between the bytes or none.
    std::string recordBytes(const JsonValue& value, const std::string& what) const {
        const std::string hex = text(value, what);
        std::string bytes;
        for (std::size_t at = 0; at < hex.size();) {
            if (hex[at] == ' ' || hex[at] == '\t') {
                ++at;
                continue;
            }
            if (at + 1 >= hex.size() || !isHexDigit(hex[at]) || !isHexDigit(hex[at + 1])) {
                fail(value, what +
                                " is not bytes in hex: two hex digits a byte, blanks between "
                                "the bytes");
            }
            bytes += static_cast<char>(hexValue(hex[at]) << 4 | hexValue(hex[at + 1]));
            at += 2;
        }
        if (static_cast<std::int64_t>(bytes.size()) != kRecordSize) {
            fail(value, what + " holds " + std::to_string(bytes.size()) +
                            " bytes; a record holds " + std::to_string(kRecordSize));
        }
        return bytes;
    }

    // What "result" and "unitCounter" say agrees with the base and the units added.
    void checkCounts(const JsonValue& top, const Patch& patch) const {
        const auto added = static_cast<std::int64_t>(patch.added.size());
        const JsonValue& result = *top.find("result");
        if (patch.result.units != patch.base.units + added) {
            fail(*result.find("units"),
                 "\"result\" \"units\" is " + std::to_string(patch.result.units) +
                     ", but the base's " + std::to_string(patch.base.units) + " units and the " +
                     std::to_string(added) + " added make " +
                     std::to_string(patch.base.units + added));
        }
        const JsonValue* counter = top.find("unitCounter");
        if (counter == nullptr && patch.result.unitCounter != patch.base.unitCounter + added) {
            fail(*result.find("unitCounter"),
                 "\"result\" \"unitCounter\" is " + std::to_string(patch.result.unitCounter) +
                     ", but the base's counter " + std::to_string(patch.base.unitCounter) +
                     " counts up by the " + std::to_string(added) + " added units to " +
                     std::to_string(patch.base.unitCounter + added) +
                     "; a counter set otherwise goes in \"unitCounter\": {\"old\": ..., \"new\": "
                     "...}");
        }
        if (counter != nullptr && *patch.counterBefore != patch.base.unitCounter) {
            fail(*counter->find("old"), "\"unitCounter\" \"old\" is " +
                                            std::to_string(*patch.counterBefore) +
                                            ", but the base's counter (\"base\" \"unitCounter\") "
                                            "is " +
                                            std::to_string(patch.base.unitCounter));
        }
        if (counter != nullptr && *patch.counterAfter != patch.result.unitCounter) {
            fail(*counter->find("new"), "\"unitCounter\" \"new\" is " +
                                            std::to_string(*patch.counterAfter) +
                                            ", but the result's counter (\"result\" "
                                            "\"unitCounter\") is " +
                                            std::to_string(patch.result.unitCounter));
        }
    }

    std::string_view text_;
    const std::string& path_;
};

}  // namespace

Patch makePatch(const data::EquipmentImage& before, const data::EquipmentImage& after,
                const data::NameListImage& namesBefore, const data::NameListImage& namesAfter) {
    const std::int64_t units = before.units(), unitsAfter = after.units();
    if (unitsAfter < units) {
        throw Error("The mod's equipment file has " +
                    std::to_string(std::max<std::int64_t>(unitsAfter, 0)) +
                    " units, fewer than the base's " + std::to_string(units) +
                    ": a patch changes units and adds units after the last, but removes none.");
    }
    if (unitsAfter > kHighestPatchUnit + 1) {
        throw Error("The mod's equipment file has " + std::to_string(unitsAfter) +
                    " units, more than the " + std::to_string(kHighestPatchUnit + 1) +
                    " (units 0 to " + std::to_string(kHighestPatchUnit) +
                    ") that a patch carries.");
    }
    if (after.fragmentSize() != 0) {
        throw Error("The mod's equipment file ends in " + std::to_string(after.fragmentSize()) +
                    " bytes after its last unit that make no whole unit: a patch carries whole "
                    "units only. Remove those bytes (check shows them) and make the patch again.");
    }
    Patch patch;
    patch.base = factsOf(before, namesBefore);
    patch.result = factsOf(after, namesAfter);
    patch.baseSha256 = sha256Hex(before.bytes());
    patch.baseNameListSha256 = sha256Hex(namesBefore.bytes());
    for (std::int64_t number = 0; number < units; ++number) {
        PatchUnit changed = unitChanges(number, before, after, namesBefore.nameOf(number),
                                        namesAfter.nameOf(number));
        if (!changed.fields.empty() || changed.nameBefore) {
            patch.changed.push_back(std::move(changed));
        }
    }
    for (std::int64_t number = units; number < unitsAfter; ++number) {
        const std::string_view record = after.record(number);
        if (static_cast<std::int64_t>(record.size()) < kRecordSize) {
            throw Error("Unit " + std::to_string(number) + " of the mod's equipment file is " +
                        std::to_string(kRecordSize - static_cast<std::int64_t>(record.size())) +
                        " bytes short of a whole record (" + std::to_string(kRecordSize) +
                        " bytes): a patch adds whole units only.");
        }
        patch.added.push_back(
            {number, utf8FromCodePage(namesAfter.nameOf(number)), std::string(record)});
    }
    const std::int64_t counted =
        before.unitCounter() + static_cast<std::int64_t>(patch.added.size());
    if (after.unitCounter() != counted) {
        patch.counterBefore = before.unitCounter();
        patch.counterAfter = after.unitCounter();
    }
    return patch;
}

std::string writePatch(const Patch& patch) {
    std::string out = "{\n  ";
    appendKey(out, "format");
    appendJsonString(out, kPatchFormat);
    out += ",\n  ";
    appendKey(out, "version");
    appendJsonInteger(out, kPatchVersion);
    out += ",\n  ";
    appendKey(out, "base");
    out += "{";
    appendFacts(out, patch.base);
    out += ", ";
    appendKey(out, "sha256");
    appendJsonString(out, patch.baseSha256);
    out += ", ";
    appendKey(out, "nameListSha256");
    appendJsonString(out, patch.baseNameListSha256);
    out += "},\n  ";
    appendKey(out, "result");
    out += "{";
    appendFacts(out, patch.result);
    out += "},\n";
    if (patch.counterBefore && patch.counterAfter) {
        out += "  ";
        appendKey(out, "unitCounter");
        appendOldNew(out, *patch.counterBefore, *patch.counterAfter, appendJsonInteger);
        out += ",\n";
    }
    appendUnitList(out, "changed", patch.changed, appendChangedUnit);
    out += ",\n";
    appendUnitList(out, "added", patch.added, appendAddedUnit);
    out += "\n}\n";
    return out;
}

Patch readPatch(std::string_view text, const std::string& path) {
    return PatchReader(text, path).read();
}

}  // namespace varnel::tool
