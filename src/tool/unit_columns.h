#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/unit_record.h"

// The columns in which the tool shows a unit, one per field of the record (data::kRecordFields)
// and a few derived from them, so that a unit's row holds every byte of its record: how each cell
// is written, read back and compared. A field added to the record's table is a column here.
namespace varnel::tool {

enum class ColumnKind {
    Unit,         // the unit number: the row's place in the file
    Name,         // the unit's line of the name list, as UTF-8
    Field,        // a field of the record: see cellText
    ClassName,    // the name of the class code, empty outside 1..21
    Nationality,  // the name of the four nationality bytes, or "Unknown"
    Unassigned,   // the bytes the editor gives no meaning, in hex
};

struct Column {
    std::string_view label;
    ColumnKind kind;
    const data::RecordField* field = nullptr;  // the field of a Field column
};

// In the order export writes them: Unit and Name, the fields in record order with "Class name"
// after the class and "Nationality" after the last nationality byte, then the record's own
// number, then the unassigned bytes.
std::span<const Column> unitColumns();
const Column* findColumn(std::string_view label);

// A unit's cell in a column. A field is written as a number: the cost as the window shows it (12
// times the byte), the record's own unitNumber signed, any other field's byte as it is.
std::string cellText(const Column& column, std::int64_t unit, const data::Unit& record,
                     std::string_view name);
// A unit's row of the CSV, every column's cell as cellText writes it, appended to csv with its
// CR LF; toTerminal: control characters in the name shown rather than written (see shownText).
void appendUnitRow(std::string& csv, std::int64_t unit, const data::Unit& record,
                   std::string_view name, bool toTerminal);

// The names of the class code and of the nationality bytes, as the data layer's tables give them;
// nullopt for a code or bytes that name none.
std::optional<std::string_view> className(std::uint8_t code);
std::optional<std::string_view> nationalityName(const data::NationBytes& bytes);

// Sets a unit's field or name from the cell in column; the reason it cannot, in plain words, when
// the cell breaks the column's rule (the rules of the window's Save). Class name and nationality
// cells change nothing: checkNameCell compares them with the codes.
std::optional<std::string> applyCell(const Column& column, std::string_view text,
                                     data::Unit& record, std::string& name);
// codesNamed names the code's columns in the message: "the \"Class\" column" and "the columns
// nation1 to nation4" by default (in SQL: "the column class").
struct CodeColumnNames {
    std::string_view classCode = "the \"Class\" column";
    std::string_view nationBytes = "the columns nation1 to nation4";
};
std::optional<std::string> checkNameCell(const Column& column, std::string_view text,
                                         const data::Unit& record,
                                         const CodeColumnNames& codesNamed = {});

// One field that differs between two records, by its label, the class and nationality by name.
struct FieldChange {
    std::string label, before, after;
};
std::vector<FieldChange> fieldChanges(const data::Unit& before, const data::Unit& after);

// "A", "B", … "Z", "AA": the column's letter in a spreadsheet, from 0.
std::string columnLetter(std::size_t index);

}  // namespace varnel::tool
