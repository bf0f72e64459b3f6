#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string_view>

#include "code_tables.h"
#include "record_layout.h"

// A unit record: one table of its fields, each once, and a value type that holds a record's bytes
// and reads and writes them field by field. The window, its commands and varnel-tool all read
// and write records through these two; a field added here shows in the CSV at once, and in the
// window once a control shows it.
namespace varnel::data {

enum class FieldKind {
    Number,       // the record's own unit number: a signed 16-bit little-endian word
    Byte,         // a value of 0..255
    Cost,         // the cost divided by 12
    Class,        // the class code (code_tables.h)
    Nationality,  // one of the four nationality bytes, which together name the nationality
    Switch,       // one of the two switch bytes
    Character,    // one character code of the code page; the six lie side by side
    Unassigned,   // bytes that have no meaning for the editor, kept as they are
};

struct RecordField {
    const char* name;  // what code looks the field up by
    int offset;        // from the record's first byte
    int width;         // in bytes
    FieldKind kind;
    const char* label;  // what the window and the CSV call it
};

// Every byte of a record, in record order, each in exactly one row.
// clang-format off
inline constexpr RecordField kRecordFields[] = {
    // name        offset width kind                      label
    {"unitNumber",    0,  2, FieldKind::Number,      "unitNumber"},
    {"unitClass",     2,  1, FieldKind::Class,       "Class"},
    {"soft",          3,  1, FieldKind::Byte,        "Soft"},
    {"hard",          4,  1, FieldKind::Byte,        "Hard"},
    {"airAtt",        5,  1, FieldKind::Byte,        "Air Att"},
    {"naval",         6,  1, FieldKind::Byte,        "Naval"},
    {"grDef",         7,  1, FieldKind::Byte,        "Gr.Def"},
    {"arDef",         8,  1, FieldKind::Byte,        "Ar.Def"},
    {"clDef",         9,  1, FieldKind::Byte,        "Cl.Def"},
    {"unassigned",   10,  1, FieldKind::Unassigned,  "Unassigned"},
    {"initiative",   11,  1, FieldKind::Byte,        "Initiative"},
    {"range",        12,  1, FieldKind::Byte,        "Range"},
    {"spotting",     13,  1, FieldKind::Byte,        "Spotting"},
    {"rangeM",       14,  1, FieldKind::Byte,        "RangeM"},
    {"unassigned",   15,  2, FieldKind::Unassigned,  "Unassigned"},
    {"move",         17,  1, FieldKind::Byte,        "Move"},
    {"fuel",         18,  1, FieldKind::Byte,        "Fuel"},
    {"ammo",         19,  1, FieldKind::Byte,        "Ammo"},
    {"unassigned",   20,  1, FieldKind::Unassigned,  "Unassigned"},
    {"cost",         21,  1, FieldKind::Cost,        "Cost"},
    {"unassigned",   22,  4, FieldKind::Unassigned,  "Unassigned"},
    {"month",        26,  1, FieldKind::Byte,        "Month"},
    {"year",         27,  1, FieldKind::Byte,        "Year"},
    {"unassigned",   28,  2, FieldKind::Unassigned,  "Unassigned"},
    {"nation1",      30,  1, FieldKind::Nationality, "nation1"},
    {"nation2",      31,  1, FieldKind::Nationality, "nation2"},
    {"nation3",      32,  1, FieldKind::Nationality, "nation3"},
    {"nation4",      33,  1, FieldKind::Nationality, "nation4"},
    {"sw1",          34,  1, FieldKind::Switch,      "sw1"},
    {"sw2",          35,  1, FieldKind::Switch,      "sw2"},
    {"unassigned",   36,  3, FieldKind::Unassigned,  "Unassigned"},
    {"c1",           39,  1, FieldKind::Character,   "c1"},
    {"c2",           40,  1, FieldKind::Character,   "c2"},
    {"c3",           41,  1, FieldKind::Character,   "c3"},
    {"c4",           42,  1, FieldKind::Character,   "c4"},
    {"c5",           43,  1, FieldKind::Character,   "c5"},
    {"c6",           44,  1, FieldKind::Character,   "c6"},
    {"unassigned",   45, 28, FieldKind::Unassigned,  "Unassigned"},
};
// clang-format on

// The row of a named field, found while compiling: a name that no row has does not compile.
consteval const RecordField& recordField(std::string_view name) {
    for (const RecordField& field : kRecordFields) {
        if (name == field.name && field.kind != FieldKind::Unassigned) {
            return field;
        }
    }
    throw std::logic_error("no field of the unit record has this name");
}

// The rows cover the record byte for byte: no gap, no overlap, no byte past its end.
consteval bool rowsCoverTheRecord() {
    int next = 0;
    for (const RecordField& field : kRecordFields) {
        if (field.offset != next || field.width < 1) {
            return false;
        }
        next += field.width;
    }
    return next == layout::kRecordSize;
}
static_assert(rowsCoverTheRecord());

// The fields that code addresses by themselves; the value fields are met in table order.
namespace field {
inline constexpr const RecordField& kUnitNumber = recordField("unitNumber");
inline constexpr const RecordField& kClass = recordField("unitClass");
inline constexpr const RecordField& kCost = recordField("cost");
inline constexpr const RecordField& kNation1 = recordField("nation1");
inline constexpr const RecordField& kSw1 = recordField("sw1");
inline constexpr const RecordField& kSw2 = recordField("sw2");
inline constexpr const RecordField& kC1 = recordField("c1");
}  // namespace field

// The six character fields lie side by side; a longer text spills from one into the next.
inline constexpr int kCharacterFieldCount = 6;
inline constexpr int kNationByteCount = 4;

// The fields the editor shows all lie in the record's first 45 bytes.
inline constexpr int kEditedPrefixSize = field::kC1.offset + kCharacterFieldCount;

// A signed 16-bit little-endian word, as the unit counter and unitNumber are stored.
constexpr std::int16_t wordOf(std::uint8_t low, std::uint8_t high) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
}
constexpr std::array<std::uint8_t, 2> bytesOfWord(std::int16_t word) {
    const auto bits = static_cast<std::uint16_t>(word);
    return {static_cast<std::uint8_t>(bits & 0xFF), static_cast<std::uint8_t>(bits >> 8)};
}

// One unit's record. A last record may lack its final byte or two: it keeps the size it was
// stored with, and its missing bytes read as 0.
class Unit {
  public:
    Unit() = default;
    // From the stored bytes: layout::kRecordSize of them, or fewer for a short last record (more
    // are not looked at).
    static Unit decode(std::span<const std::uint8_t> stored);
    static Unit decode(std::string_view stored);

    // The bytes as they are to be stored: as many as were decoded (all 73 for a new unit).
    std::span<const std::uint8_t> encode() const { return std::span(bytes_).first(size_); }
    std::string_view encodeText() const {
        return {reinterpret_cast<const char*>(bytes_.data()), size_};
    }
    std::size_t storedSize() const { return size_; }
    // Every byte of the record, the missing bytes of a short one as 0.
    const std::array<std::uint8_t, layout::kRecordSize>& bytes() const { return bytes_; }

    // A field one byte wide.
    std::uint8_t byte(const RecordField& field) const { return bytes_[at(field)]; }
    void setByte(const RecordField& field, std::uint8_t value) { bytes_[at(field)] = value; }
    // A Byte field as a number, a Cost field as the cost the window shows (12 times the byte).
    int shownValue(const RecordField& field) const;

    std::int16_t number() const;
    void setNumber(std::int16_t number);
    std::uint8_t unitClass() const { return byte(field::kClass); }
    void setUnitClass(std::uint8_t code) { setByte(field::kClass, code); }
    NationBytes nation() const;
    void setNation(const NationBytes& bytes);
    SwitchPair switches() const { return {byte(field::kSw1), byte(field::kSw2)}; }
    void setSwitches(SwitchPair pair);
    // Character field index 0..5 (c1..c6).
    std::uint8_t character(int index) const;
    void setCharacter(int index, std::uint8_t code);

    // The bytes of the Unassigned rows that the stored record holds, in record order.
    template <typename Visit>
    void forEachUnassigned(Visit&& visit) const {
        for (const RecordField& row : kRecordFields) {
            for (int i = 0; row.kind == FieldKind::Unassigned && i < row.width; ++i) {
                if (static_cast<std::size_t>(row.offset + i) < size_) {
                    visit(row.offset + i, bytes_[static_cast<std::size_t>(row.offset + i)]);
                }
            }
        }
    }
    void setRaw(int offset, std::uint8_t value) {
        bytes_[static_cast<std::size_t>(offset)] = value;
    }

    friend bool operator==(const Unit&, const Unit&) = default;

  private:
    static std::size_t at(const RecordField& field) {
        return static_cast<std::size_t>(field.offset);
    }
    std::array<std::uint8_t, layout::kRecordSize> bytes_{};
    std::size_t size_ = layout::kRecordSize;
};

// How many bytes the Unassigned rows hold in all.
int unassignedByteCount();

}  // namespace varnel::data
