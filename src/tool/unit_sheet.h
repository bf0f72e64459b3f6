#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The two game files held whole in memory, and the columns in which the tool shows a unit: one
// per field of the record, so that a unit's row holds every byte of its record.
namespace varnel::tool {

// An equipment file as read from disk.
class EquipmentImage {
  public:
    // Reads the file whole. Throws data::Error when it is no equipment file: shorter than one
    // record, or text (a CSV file given in its place).
    static EquipmentImage load(const std::string& path);
    explicit EquipmentImage(std::string bytes) : bytes_(std::move(bytes)) {}

    const std::string& bytes() const { return bytes_; }
    std::int16_t unitCounter() const;
    // How many units the length gives: a last record short by one or two bytes counts.
    std::int64_t units() const;
    // Unit n's record: 73 bytes, or 71 or 72 for a short last record.
    std::string_view record(std::int64_t unit) const;
    // The bytes after the last unit that make no unit (1 to 70 of them), if any.
    std::int64_t fragmentSize() const;

  private:
    std::string bytes_;
};

// A name list as read from disk, split by the rule the editor reads it by.
struct NameList {
    std::vector<std::string> lines;  // the names, bytes in the code page
    std::int64_t linesEndedByCrAlone = 0, firstEndedByCrAlone = 0;
    std::int64_t linesEndedByLfAlone = 0, firstEndedByLfAlone = 0;
    bool lastLineUnended = false;

    static NameList load(const std::string& path);
    static NameList fromBytes(std::string_view bytes);
    // Line unit + 1; empty when the list is shorter.
    std::string_view nameOf(std::int64_t unit) const;
};

// The name list that goes with an equipment file when none is given: the same name ending in
// ".txt" (".TXT" when the equipment file's ending is in capitals).
std::string defaultNameListFor(const std::string& equipmentPath);

enum class ColumnKind {
    Unit,          // the unit number: the row's place in the file
    Name,          // the unit's line of the name list, as UTF-8
    Byte,          // one byte of the record, as a number
    Cost,          // the cost as the window shows it: 12 times the byte
    ClassName,     // the name of the class code, empty outside 1..21
    Nationality,   // the name of the four nationality bytes, or "Unknown"
    StoredNumber,  // the record's own unitNumber field, signed 16-bit
    Unassigned,    // the bytes the editor gives no meaning, in hex
};

struct Column {
    std::string_view label;
    ColumnKind kind;
    int offset = 0;  // in the record, for Byte and Cost
};

// In the order export writes them.
std::span<const Column> unitColumns();
const Column* findColumn(std::string_view label);
// The record offsets that no column but Unassigned shows, in ascending order.
std::span<const int> unassignedOffsets();

// A unit's cell in a column.
std::string cellText(const Column& column, std::int64_t unit, std::string_view record,
                     std::string_view name);

// Sets a unit's record bytes or name from the cell in column; the reason it cannot, in plain
// words, when the cell breaks the column's rule (the rules of the window's Save). Class name and
// nationality cells change nothing: checkNameCell compares them with the codes.
std::optional<std::string> applyCell(const Column& column, std::string_view text,
                                     std::string& record, std::string& name);
std::optional<std::string> checkNameCell(const Column& column, std::string_view text,
                                         std::string_view record);

// One field that differs between two records, by its label, the class and nationality by name.
struct FieldChange {
    std::string label, before, after;
};
std::vector<FieldChange> fieldChanges(std::string_view before, std::string_view after);

// "A", "B", … "Z", "AA": the column's letter in a spreadsheet, from 0.
std::string columnLetter(std::size_t index);
// A signed 16-bit little-endian word, as the counter and unitNumber are stored.
std::int16_t wordAt(std::string_view bytes, std::size_t offset);

// A name of the list (bytes in the code page) for messages: as UTF-8, in quotes, with control
// characters shown as \x1B (see shownText), cut short after kLongestQuoted characters.
std::string quotedName(std::string_view name);

// Text of the name list (bytes in the code page) as UTF-8.
std::string utf8FromCodePage(std::string_view bytes);

}  // namespace varnel::tool
