#include "unit_columns.h"

#include <cstdio>
#include <limits>

#include "cell_text.h"
#include "data/code_page.h"
#include "data/code_tables.h"
#include "data/numbers.h"

namespace varnel::tool {
namespace {

using data::FieldKind;

constexpr std::string_view kUnassignedLabel = "Unassigned";

std::vector<Column> columnsOfTheRecord() {
    std::vector<Column> columns{{"Unit", ColumnKind::Unit}, {"Name", ColumnKind::Name}};
    const data::RecordField* lastNationByte = nullptr;
    for (const data::RecordField& row : data::kRecordFields) {
        lastNationByte = row.kind == FieldKind::Nationality ? &row : lastNationByte;
    }
    for (const data::RecordField& row : data::kRecordFields) {
        if (row.kind == FieldKind::Number || row.kind == FieldKind::Unassigned) {
            continue;
        }
        columns.push_back({row.label, ColumnKind::Field, &row});
        if (row.kind == FieldKind::Class) {
            columns.push_back({"Class name", ColumnKind::ClassName});
        }
        if (&row == lastNationByte) {
            columns.push_back({"Nationality", ColumnKind::Nationality});
        }
    }
    // The record's own number follows the values: the Unit column gives the same in a sound file.
    for (const data::RecordField& row : data::kRecordFields) {
        if (row.kind == FieldKind::Number) {
            columns.push_back({row.label, ColumnKind::Field, &row});
        }
    }
    columns.push_back({kUnassignedLabel, ColumnKind::Unassigned});
    return columns;
}

const std::vector<Column>& columns() {
    static const std::vector<Column> all = columnsOfTheRecord();
    return all;
}

std::string listOf(const data::NationBytes& bytes) {
    return std::to_string(bytes[0]) + ", " + std::to_string(bytes[1]) + ", " +
           std::to_string(bytes[2]) + ", " + std::to_string(bytes[3]);
}

std::string nationalityOf(const data::Unit& record) {
    return data::nationalityNameOf(record.nation()).value_or(data::kUnknownNationality);
}

std::string unassignedHex(const data::Unit& record) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    record.forEachUnassigned([&](int, std::uint8_t byte) {
        // Blanks between the bytes keep a spreadsheet from taking them for a number.
        hex += hex.empty() ? "" : " ";
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0xF];
    });
    return hex;
}

std::optional<std::string> applyUnassigned(std::string_view text, data::Unit& record) {
    std::string digits;
    for (const char c : text) {
        if (c != ' ' && c != '\t') {
            digits += c;
        }
    }
    if (digits.size() % 2 != 0 ||
        digits.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos) {
        return quotedCell(text) +
               " is not bytes in hex: two digits each, 00 to FF, blanks between them allowed";
    }
    std::vector<int> present;
    record.forEachUnassigned([&](int offset, std::uint8_t) { present.push_back(offset); });
    if (digits.size() / 2 != present.size()) {
        return "the cell holds " + std::to_string(digits.size() / 2) +
               " bytes, but the unit's record has " + std::to_string(present.size()) +
               " unassigned bytes";
    }
    for (std::size_t i = 0; i < present.size(); ++i) {
        record.setRaw(present[i],
                      static_cast<std::uint8_t>(std::stoi(digits.substr(2 * i, 2), nullptr, 16)));
    }
    return std::nullopt;
}

std::optional<std::string> applyField(const data::RecordField& field, std::string_view text,
                                      data::Unit& record) {
    const std::string quoted = quotedCell(text);
    if (field.kind == FieldKind::Number) {
        using Limits = std::numeric_limits<std::int16_t>;
        const auto value = data::wholeNumberFromText(text);
        if (!value || *value < Limits::min() || *value > Limits::max()) {
            return quoted + " is not a whole number from " + std::to_string(Limits::min()) +
                   " to " + std::to_string(Limits::max());
        }
        record.setNumber(static_cast<std::int16_t>(*value));
        return std::nullopt;
    }
    if (field.kind == FieldKind::Cost) {
        const auto value = data::costFromText(text);
        if (!value) {
            return quoted + " is not a cost from 0 to " + std::to_string(data::kHighestCostText) +
                   " (the file stores the cost divided by 12)";
        }
        record.setByte(field, static_cast<std::uint8_t>(*value));
        return std::nullopt;
    }
    const auto value = data::byteFromText(text);
    if (!value) {
        return quoted + " is not a number from 0 to 255";
    }
    record.setByte(field, static_cast<std::uint8_t>(*value));
    return std::nullopt;
}

std::optional<std::string> applyName(std::string_view text, std::string& name) {
    if (!isUtf8(text)) {
        return "the text is not valid UTF-8; save the CSV file as UTF-8";
    }
    if (text.find_first_of("\r\n") != std::string_view::npos) {
        return quotedCell(text) +
               " holds a line break, which a name cannot hold: each line of the name list "
               "holds one name";
    }
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        const char32_t character = *nextCharacter(text, at);
        const auto byte = data::byteOfCharacter(character);
        if (!byte) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(character));
            return quotedCell(text) + " holds the character " +
                   shownText(text.substr(start, at - start)) + " (" + code +
                   "), which the name list cannot hold: it stores names in the " +
                   data::kCodePageName + " code page";
        }
        bytes += static_cast<char>(*byte);
    }
    name = std::move(bytes);
    return std::nullopt;
}

// A field or derived column as diff shows it: the class and the nationality by name.
std::string shownForChange(const Column& column, const data::Unit& record) {
    if (column.kind == ColumnKind::Field && column.field->kind == FieldKind::Class) {
        const std::uint8_t code = record.unitClass();
        return data::classNameOf(code).value_or("code " + std::to_string(code));
    }
    if (column.kind == ColumnKind::Nationality) {
        const auto name = data::nationalityNameOf(record.nation());
        return name ? *name : data::kUnknownNationality + (" (" + listOf(record.nation()) + ")");
    }
    return cellText(column, 0, record, {});
}

}  // namespace

std::span<const Column> unitColumns() {
    return columns();
}

const Column* findColumn(std::string_view label) {
    for (const Column& column : columns()) {
        if (column.label == label) {
            return &column;
        }
    }
    return nullptr;
}

std::string cellText(const Column& column, std::int64_t unit, const data::Unit& record,
                     std::string_view name) {
    switch (column.kind) {
        case ColumnKind::Unit:
            return std::to_string(unit);
        case ColumnKind::Name:
            return guardedCell(utf8FromCodePage(name));
        case ColumnKind::Field:
            return std::to_string(column.field->kind == FieldKind::Number
                                      ? record.number()
                                      : record.shownValue(*column.field));
        case ColumnKind::ClassName:
            return guardedCell(data::classNameOf(record.unitClass()).value_or(""));
        case ColumnKind::Nationality:
            return guardedCell(nationalityOf(record));
        case ColumnKind::Unassigned:
            return unassignedHex(record);
    }
    return {};
}

std::optional<std::string> applyCell(const Column& column, std::string_view text,
                                     data::Unit& record, std::string& name) {
    switch (column.kind) {
        case ColumnKind::Unit:
        case ColumnKind::ClassName:
        case ColumnKind::Nationality:
            return std::nullopt;
        case ColumnKind::Name:
            return applyName(unguardedCell(text), name);
        case ColumnKind::Field:
            return applyField(*column.field, text, record);
        case ColumnKind::Unassigned:
            return applyUnassigned(text, record);
    }
    return std::nullopt;
}

std::optional<std::string> checkNameCell(const Column& column, std::string_view cell,
                                         const data::Unit& record) {
    const std::string_view text = unguardedCell(cell);
    if (text.empty()) {
        return std::nullopt;
    }
    const std::string quoted = quotedCell(cell);
    if (column.kind == ColumnKind::ClassName) {
        const std::uint8_t code = record.unitClass();
        const auto expected = data::classNameOf(code);
        if (expected && *expected == text) {
            return std::nullopt;
        }
        const std::uint8_t named = data::classCodeOf(text);
        return quoted + " is not the name of class code " + std::to_string(code) +
               (expected ? " (\"" + *expected + "\")" : std::string(", which has no name")) +
               ". The class follows the \"Class\" column" +
               (named != 0 ? " (" + quoted + " is code " + std::to_string(named) + ")"
                           : std::string(" (no class has this name)")) +
               "; make the name match the code or leave it empty";
    }
    if (column.kind == ColumnKind::Nationality && text != nationalityOf(record)) {
        const data::NationBytes named = data::nationalityBytesOf(text);
        return quoted + " is not the nationality of the bytes " + listOf(record.nation()) + " (\"" +
               nationalityOf(record) +
               "\"). The nationality follows the columns nation1 to nation4" +
               (named != data::NationBytes{} ? " (" + quoted + " is " + listOf(named) + ")"
                                             : std::string(" (no nationality has this name)")) +
               "; make the name match them or leave it empty";
    }
    return std::nullopt;
}

std::vector<FieldChange> fieldChanges(const data::Unit& before, const data::Unit& after) {
    std::vector<FieldChange> changes;
    for (const Column& column : columns()) {
        // The unit is the row's own; the class name and the nationality bytes show through the
        // class and the nationality.
        if (column.kind == ColumnKind::Unit || column.kind == ColumnKind::Name ||
            column.kind == ColumnKind::ClassName ||
            (column.kind == ColumnKind::Field && column.field->kind == FieldKind::Nationality)) {
            continue;
        }
        std::string was = shownForChange(column, before), now = shownForChange(column, after);
        if (was != now) {
            changes.push_back({std::string(column.label), std::move(was), std::move(now)});
        }
    }
    return changes;
}

std::string columnLetter(std::size_t index) {
    std::string letters;
    for (std::size_t n = index + 1; n > 0; n = (n - 1) / 26) {
        letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    }
    return letters;
}

}  // namespace varnel::tool
