#include "unit_columns.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <limits>

#include "cell_text.h"
#include "csv_table.h"
#include "data/code_page.h"
#include "data/code_tables.h"
#include "data/numbers.h"
#include "data/record_layout.h"

namespace varnel::tool {
namespace {

using data::FieldKind;
namespace layout = data::layout;

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

// The offsets of the bytes the editor gives no meaning, in record order.
const std::vector<int>& unassignedOffsets() {
    static const std::vector<int> offsets = [] {
        std::vector<int> found;
        data::Unit().forEachUnassigned([&](int offset, std::uint8_t) { found.push_back(offset); });
        return found;
    }();
    return offsets;
}

// How many of them a record holds: a short last record lacks the last ones.
std::size_t unassignedCount(const data::Unit& record) {
    const std::vector<int>& offsets = unassignedOffsets();
    std::size_t count = offsets.size();
    while (count > 0 && static_cast<std::size_t>(offsets[count - 1]) >= record.storedSize()) {
        --count;
    }
    return count;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

// What a byte of an Unassigned cell is: a hex digit's value, a blank, or neither.
constexpr std::int8_t kBlank = -1, kNoDigit = -2;
constexpr std::array<std::int8_t, 256> kHexValues = [] {
    std::array<std::int8_t, 256> values{};
    values.fill(kNoDigit);
    values[' '] = values['\t'] = kBlank;
    for (int digit = 0; digit < 16; ++digit) {
        values[static_cast<std::size_t>(kHexDigits[digit])] = static_cast<std::int8_t>(digit);
        values[static_cast<std::size_t>("0123456789abcdef"[digit])] =
            static_cast<std::int8_t>(digit);
    }
    return values;
}();

std::string listOf(const data::NationBytes& bytes) {
    return std::to_string(bytes[0]) + ", " + std::to_string(bytes[1]) + ", " +
           std::to_string(bytes[2]) + ", " + std::to_string(bytes[3]);
}

std::string_view nationalityOf(const data::Unit& record) {
    return nationalityName(record.nation()).value_or(data::kUnknownNationality);
}

// Blanks between the bytes keep a spreadsheet from taking them for a number.
void appendUnassignedHex(std::string& text, const data::Unit& record) {
    const std::vector<int>& offsets = unassignedOffsets();
    const std::size_t count = unassignedCount(record);
    char hex[3 * layout::kRecordSize];
    std::size_t size = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t byte = record.bytes()[static_cast<std::size_t>(offsets[i])];
        hex[size] = ' ';
        hex[size + 1] = kHexDigits[byte >> 4];
        hex[size + 2] = kHexDigits[byte & 0xF];
        size += 3;
    }
    if (size > 0) {
        text.append(hex + 1, size - 1);
    }
}

// The cell as export writes it: two digits a byte, one blank between bytes. false, with nothing
// set, for any other cell, which the general reading below takes.
bool applyExportedHex(std::string_view text, data::Unit& record) {
    const std::vector<int>& offsets = unassignedOffsets();
    const std::size_t count = unassignedCount(record);
    if (count == 0 || text.size() != 3 * count - 1) {
        return false;
    }
    std::array<std::uint8_t, layout::kRecordSize> bytes;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int8_t high = kHexValues[static_cast<unsigned char>(text[3 * i])];
        const std::int8_t low = kHexValues[static_cast<unsigned char>(text[3 * i + 1])];
        if (high < 0 || low < 0 || (i + 1 < count && text[3 * i + 2] != ' ')) {
            return false;
        }
        bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    for (std::size_t i = 0; i < count; ++i) {
        record.setRaw(offsets[i], bytes[i]);
    }
    return true;
}

std::optional<std::string> applyUnassigned(std::string_view text, data::Unit& record) {
    if (applyExportedHex(text, record)) {
        return std::nullopt;
    }
    // Blanks may stand anywhere; the digits pair up into bytes in record order.
    std::array<std::uint8_t, layout::kRecordSize> bytes;
    std::size_t digits = 0, count = 0;
    unsigned pending = 0;
    bool hex = true;
    for (const char c : text) {
        const std::int8_t value = kHexValues[static_cast<unsigned char>(c)];
        if (value < 0) {
            hex = value == kBlank;
            if (!hex) {
                break;
            }
            continue;
        }
        pending = pending << 4 | static_cast<unsigned>(value);
        if (++digits % 2 == 0) {
            if (count < bytes.size()) {
                bytes[count] = static_cast<std::uint8_t>(pending);
            }
            ++count;
            pending = 0;
        }
    }
    if (!hex || digits % 2 != 0) {
        return quotedCell(text) +
               " is not bytes in hex: two digits each, 00 to FF, blanks between them allowed";
    }
    const std::size_t present = unassignedCount(record);
    if (count != present) {
        return "the cell holds " + std::to_string(count) + " bytes, but the unit's record has " +
               std::to_string(present) + " unassigned bytes";
    }
    const std::vector<int>& offsets = unassignedOffsets();
    for (std::size_t i = 0; i < present; ++i) {
        record.setRaw(offsets[i], bytes[i]);
    }
    return std::nullopt;
}

std::optional<std::string> applyField(const data::RecordField& field, std::string_view text,
                                      data::Unit& record) {
    if (field.kind == FieldKind::Number) {
        using Limits = std::numeric_limits<std::int16_t>;
        const auto value = data::wholeNumberFromText(text);
        if (!value || *value < Limits::min() || *value > Limits::max()) {
            return quotedCell(text) + " is not a whole number from " +
                   std::to_string(Limits::min()) + " to " + std::to_string(Limits::max());
        }
        record.setNumber(static_cast<std::int16_t>(*value));
        return std::nullopt;
    }
    if (field.kind == FieldKind::Cost) {
        const auto value = data::costFromText(text);
        if (!value) {
            return quotedCell(text) + " is not a cost from 0 to " +
                   std::to_string(data::kHighestCostText) +
                   " (the file stores the cost divided by 12)";
        }
        record.setByte(field, static_cast<std::uint8_t>(*value));
        return std::nullopt;
    }
    const auto value = data::byteFromText(text);
    if (!value) {
        return quotedCell(text) + " is not a number from 0 to 255";
    }
    record.setByte(field, static_cast<std::uint8_t>(*value));
    return std::nullopt;
}

std::optional<std::string> applyName(std::string_view text, std::string& name) {
    // Nearly every name is ASCII on one line, which the code page holds byte for byte.
    if (std::all_of(text.begin(), text.end(), [](char c) {
            return static_cast<std::uint8_t>(c) < 0x80 && c != '\r' && c != '\n';
        })) {
        name.assign(text);
        return std::nullopt;
    }
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

// Numbers as export writes them, without a conversion per cell: 0 to 255 by a table.
struct DecimalText {
    char digits[3];
    std::uint8_t size;
};
constexpr std::array<DecimalText, 256> kDecimalBytes = [] {
    std::array<DecimalText, 256> texts{};
    for (int value = 0; value < 256; ++value) {
        DecimalText& text = texts[static_cast<std::size_t>(value)];
        if (value >= 100) {
            text.digits[text.size++] = static_cast<char>('0' + value / 100);
        }
        if (value >= 10) {
            text.digits[text.size++] = static_cast<char>('0' + value / 10 % 10);
        }
        text.digits[text.size++] = static_cast<char>('0' + value % 10);
    }
    return texts;
}();

void appendNumber(std::string& text, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text.append(digits, static_cast<std::size_t>(end - digits));
}

// A text cell as export writes it (see guardedCell), text being UTF-8 or, as a name of the list,
// in the code page: a character that begins a formula is ASCII in both.
void appendGuarded(std::string& cell, std::string_view text, bool codePage) {
    if (!text.empty() && isFormulaStart(text.front())) {
        cell += '\'';
    }
    if (codePage) {
        appendUtf8FromCodePage(cell, text);
    } else {
        cell += text;
    }
}

// A unit's cell in a column, appended.
void appendCellText(std::string& cell, const Column& column, std::int64_t unit,
                    const data::Unit& record, std::string_view name) {
    switch (column.kind) {
        case ColumnKind::Unit:
            appendNumber(cell, unit);
            break;
        case ColumnKind::Name:
            appendGuarded(cell, name, true);
            break;
        case ColumnKind::Field:
            if (column.field->kind == FieldKind::Number) {
                appendNumber(cell, record.number());
            } else if (column.field->kind == FieldKind::Cost) {
                appendNumber(cell, record.shownValue(*column.field));
            } else {
                const DecimalText& text = kDecimalBytes[record.byte(*column.field)];
                cell.append(text.digits, text.size);
            }
            break;
        case ColumnKind::ClassName:
            appendGuarded(cell, className(record.unitClass()).value_or(""), false);
            break;
        case ColumnKind::Nationality:
            appendGuarded(cell, nationalityOf(record), false);
            break;
        case ColumnKind::Unassigned:
            appendUnassignedHex(cell, record);
            break;
    }
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

std::optional<std::string_view> className(std::uint8_t code) {
    const auto table = data::classTable();
    if (code < 1 || code > table.size()) {
        return std::nullopt;
    }
    return table[code - 1].name;
}

std::optional<std::string_view> nationalityName(const data::NationBytes& bytes) {
    for (const data::NationEntry& entry : data::nationalityTable()) {
        if (entry.bytes == bytes) {
            return entry.name;
        }
    }
    return std::nullopt;
}

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
    std::string cell;
    appendCellText(cell, column, unit, record, name);
    return cell;
}

void appendUnitRow(std::string& csv, std::int64_t unit, const data::Unit& record,
                   std::string_view name, bool toTerminal) {
    bool first = true;
    for (const Column& column : columns()) {
        if (!first) {
            csv += ',';
        }
        first = false;
        const std::size_t start = csv.size();
        appendCellText(csv, column, unit, record, name);
        // Numbers and bytes in hex are printable and need no quotes; text cells may need both.
        if (column.kind == ColumnKind::Name || column.kind == ColumnKind::ClassName ||
            column.kind == ColumnKind::Nationality) {
            if (toTerminal) {
                const std::string shown = shownText(std::string_view(csv).substr(start));
                csv.resize(start);
                csv += shown;
            }
            quoteFieldFrom(csv, start);
        }
    }
    csv += "\r\n";
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
                                         const data::Unit& record,
                                         const CodeColumnNames& codesNamed) {
    const std::string_view text = unguardedCell(cell);
    if (text.empty()) {
        return std::nullopt;
    }
    if (column.kind == ColumnKind::ClassName) {
        const std::uint8_t code = record.unitClass();
        const auto expected = className(code);
        if (expected && *expected == text) {
            return std::nullopt;
        }
        const std::string quoted = quotedCell(cell);
        const std::uint8_t named = data::classCodeOf(text);
        return quoted + " is not the name of class code " + std::to_string(code) +
               (expected ? " (\"" + std::string(*expected) + "\")"
                         : std::string(", which has no name")) +
               ". The class follows " + std::string(codesNamed.classCode) +
               (named != 0 ? " (" + quoted + " is code " + std::to_string(named) + ")"
                           : std::string(" (no class has this name)")) +
               "; make the name match the code or leave it empty";
    }
    if (column.kind == ColumnKind::Nationality && text != nationalityOf(record)) {
        const std::string quoted = quotedCell(cell);
        const data::NationBytes named = data::nationalityBytesOf(text);
        return quoted + " is not the nationality of the bytes " + listOf(record.nation()) + " (\"" +
               std::string(nationalityOf(record)) + "\"). The nationality follows " +
               std::string(codesNamed.nationBytes) +
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
