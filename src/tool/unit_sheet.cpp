#include "unit_sheet.h"

#include <array>
#include <cctype>
#include <cstdio>

#include "cell_text.h"
#include "data/code_page.h"
#include "data/code_tables.h"
#include "data/error.h"
#include "data/numbers.h"
#include "data/record_layout.h"
#include "data/system_files.h"
#include "whole_files.h"

namespace varnel::tool {
namespace {

namespace layout = data::layout;
using data::Error;

constexpr Column kColumns[] = {
    {"Unit", ColumnKind::Unit},
    {"Name", ColumnKind::Name},
    {"Class", ColumnKind::Byte, layout::kUnitClass.offset},
    {"Class name", ColumnKind::ClassName},
    {"Soft", ColumnKind::Byte, layout::kSoft.offset},
    {"Hard", ColumnKind::Byte, layout::kHard.offset},
    {"Air Att", ColumnKind::Byte, layout::kAirAtt.offset},
    {"Naval", ColumnKind::Byte, layout::kNaval.offset},
    {"Gr.Def", ColumnKind::Byte, layout::kGrDef.offset},
    {"Ar.Def", ColumnKind::Byte, layout::kArDef.offset},
    {"Cl.Def", ColumnKind::Byte, layout::kClDef.offset},
    {"Initiative", ColumnKind::Byte, layout::kInitiative.offset},
    {"Range", ColumnKind::Byte, layout::kRange.offset},
    {"Spotting", ColumnKind::Byte, layout::kSpotting.offset},
    {"RangeM", ColumnKind::Byte, layout::kRangeM.offset},
    {"Move", ColumnKind::Byte, layout::kMove.offset},
    {"Fuel", ColumnKind::Byte, layout::kFuel.offset},
    {"Ammo", ColumnKind::Byte, layout::kAmmo.offset},
    {"Cost", ColumnKind::Cost, layout::kCost.offset},
    {"Month", ColumnKind::Byte, layout::kMonth.offset},
    {"Year", ColumnKind::Byte, layout::kYear.offset},
    {"nation1", ColumnKind::Byte, layout::kNation1.offset},
    {"nation2", ColumnKind::Byte, layout::kNation2.offset},
    {"nation3", ColumnKind::Byte, layout::kNation3.offset},
    {"nation4", ColumnKind::Byte, layout::kNation4.offset},
    {"Nationality", ColumnKind::Nationality},
    {"sw1", ColumnKind::Byte, layout::kSw1.offset},
    {"sw2", ColumnKind::Byte, layout::kSw2.offset},
    {"c1", ColumnKind::Byte, layout::kC1.offset},
    {"c2", ColumnKind::Byte, layout::kC2.offset},
    {"c3", ColumnKind::Byte, layout::kC3.offset},
    {"c4", ColumnKind::Byte, layout::kC4.offset},
    {"c5", ColumnKind::Byte, layout::kC5.offset},
    {"c6", ColumnKind::Byte, layout::kC6.offset},
    {"unitNumber", ColumnKind::StoredNumber},
    {"Unassigned", ColumnKind::Unassigned},
};

std::uint8_t byteAt(std::string_view record, int offset) {
    return static_cast<std::uint8_t>(record[static_cast<std::size_t>(offset)]);
}

data::NationBytes nationOf(std::string_view record) {
    return {byteAt(record, layout::kNation1.offset), byteAt(record, layout::kNation2.offset),
            byteAt(record, layout::kNation3.offset), byteAt(record, layout::kNation4.offset)};
}

std::string listOf(const data::NationBytes& bytes) {
    return std::to_string(bytes[0]) + ", " + std::to_string(bytes[1]) + ", " +
           std::to_string(bytes[2]) + ", " + std::to_string(bytes[3]);
}

std::string nationalityOf(std::string_view record) {
    return data::nationalityNameOf(nationOf(record)).value_or(data::kUnknownNationality);
}

bool isNationByte(const Column& column) {
    return column.kind == ColumnKind::Byte && column.offset >= layout::kNation1.offset &&
           column.offset <= layout::kNation4.offset;
}

// A file is taken for text (a CSV file or a name list) when its start holds no control bytes but
// tabs and line ends, and a line break. An equipment file has 0 bytes in nearly every record (the
// high byte of unitNumber, unassigned bytes), and a CSV header row is some 300 bytes long.
constexpr std::size_t kTextTestSize = 4096;

bool looksLikeText(std::string_view start) {
    bool lineBreak = false;
    for (const char c : start) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte == '\r' || byte == '\n') {
            lineBreak = true;
        } else if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
            return false;
        }
    }
    return lineBreak;
}

std::optional<std::string> applyUnassigned(std::string_view text, std::string& record) {
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
    for (const int offset : unassignedOffsets()) {
        if (static_cast<std::size_t>(offset) < record.size()) {
            present.push_back(offset);
        }
    }
    if (digits.size() / 2 != present.size()) {
        return "the cell holds " + std::to_string(digits.size() / 2) +
               " bytes, but the unit's record has " + std::to_string(present.size()) +
               " unassigned bytes";
    }
    for (std::size_t i = 0; i < present.size(); ++i) {
        record[static_cast<std::size_t>(present[i])] =
            static_cast<char>(std::stoi(digits.substr(2 * i, 2), nullptr, 16));
    }
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

}  // namespace

EquipmentImage EquipmentImage::load(const std::string& path) {
    std::string bytes = readWholeFile(path, "equipment file");
    const std::string notOne = path + " is not an equipment file: ";
    const std::string shape =
        ". An equipment file is a 2-byte unit counter followed by 73-byte unit records.";
    if (layout::highestUnitNumber(static_cast<std::int64_t>(bytes.size())) < 0) {
        throw Error(notOne + "it holds " + std::to_string(bytes.size()) +
                    " bytes, too few for a single unit" + shape);
    }
    if (looksLikeText(std::string_view(bytes).substr(0, kTextTestSize))) {
        throw Error(notOne + "it holds text, such as a CSV file or a name list" + shape);
    }
    return EquipmentImage(std::move(bytes));
}

std::int16_t EquipmentImage::unitCounter() const {
    return wordAt(bytes_, layout::kUnitCountOffset);
}

std::int64_t EquipmentImage::units() const {
    return layout::highestUnitNumber(static_cast<std::int64_t>(bytes_.size())) + 1;
}

std::string_view EquipmentImage::record(std::int64_t unit) const {
    return std::string_view(bytes_).substr(static_cast<std::size_t>(layout::fileOffset(unit, 0)),
                                           layout::kRecordSize);
}

std::int64_t EquipmentImage::fragmentSize() const {
    const std::int64_t end = layout::fileOffset(units(), 0);
    return std::max<std::int64_t>(0, static_cast<std::int64_t>(bytes_.size()) - end);
}

NameList NameList::load(const std::string& path) {
    return fromBytes(readWholeFile(path, "name list"));
}

NameList NameList::fromBytes(std::string_view bytes) {
    NameList list;
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') {
            line += c;
            continue;
        }
        list.lines.push_back(std::move(line));
        line.clear();
        const auto number = static_cast<std::int64_t>(list.lines.size());
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            ++i;
        } else if (c == '\r') {
            list.firstEndedByCrAlone =
                list.linesEndedByCrAlone++ == 0 ? number : list.firstEndedByCrAlone;
        } else {
            list.firstEndedByLfAlone =
                list.linesEndedByLfAlone++ == 0 ? number : list.firstEndedByLfAlone;
        }
    }
    if (!bytes.empty() && bytes.back() != '\r' && bytes.back() != '\n') {
        list.lines.push_back(std::move(line));
        list.lastLineUnended = true;
    }
    return list;
}

std::string_view NameList::nameOf(std::int64_t unit) const {
    return unit >= 0 && unit < static_cast<std::int64_t>(lines.size())
               ? std::string_view(lines[static_cast<std::size_t>(unit)])
               : std::string_view();
}

std::string defaultNameListFor(const std::string& equipmentPath) {
    const std::string name = data::fileNameOf(equipmentPath);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        return equipmentPath + ".txt";
    }
    const std::string ending = name.substr(dot + 1);
    bool capitals = !ending.empty();
    for (const char c : ending) {
        capitals = capitals && !std::islower(static_cast<unsigned char>(c));
    }
    return equipmentPath.substr(0, equipmentPath.size() - ending.size()) +
           (capitals ? "TXT" : "txt");
}

std::span<const Column> unitColumns() {
    return kColumns;
}

const Column* findColumn(std::string_view label) {
    for (const Column& column : kColumns) {
        if (column.label == label) {
            return &column;
        }
    }
    return nullptr;
}

std::span<const int> unassignedOffsets() {
    static const std::vector<int> offsets = [] {
        std::array<bool, layout::kRecordSize> shown{};
        shown[layout::kUnitNumber.offset] = shown[layout::kUnitNumber.offset + 1] = true;
        for (const Column& column : kColumns) {
            if (column.kind == ColumnKind::Byte || column.kind == ColumnKind::Cost) {
                shown[static_cast<std::size_t>(column.offset)] = true;
            }
        }
        std::vector<int> rest;
        for (int offset = 0; offset < layout::kRecordSize; ++offset) {
            if (!shown[static_cast<std::size_t>(offset)]) {
                rest.push_back(offset);
            }
        }
        return rest;
    }();
    return offsets;
}

std::string cellText(const Column& column, std::int64_t unit, std::string_view record,
                     std::string_view name) {
    switch (column.kind) {
        case ColumnKind::Unit:
            return std::to_string(unit);
        case ColumnKind::Name:
            return guardedCell(utf8FromCodePage(name));
        case ColumnKind::Byte:
            return std::to_string(byteAt(record, column.offset));
        case ColumnKind::Cost:
            return std::to_string(layout::kCostUnit * byteAt(record, column.offset));
        case ColumnKind::ClassName:
            return guardedCell(
                data::classNameOf(byteAt(record, layout::kUnitClass.offset)).value_or(""));
        case ColumnKind::Nationality:
            return guardedCell(nationalityOf(record));
        case ColumnKind::StoredNumber:
            return std::to_string(wordAt(record, layout::kUnitNumber.offset));
        case ColumnKind::Unassigned: {
            static constexpr char kDigits[] = "0123456789ABCDEF";
            std::string hex;
            for (const int offset : unassignedOffsets()) {
                if (static_cast<std::size_t>(offset) < record.size()) {
                    // Blanks between the bytes keep a spreadsheet from taking them for a number.
                    hex += hex.empty() ? "" : " ";
                    hex += kDigits[byteAt(record, offset) >> 4];
                    hex += kDigits[byteAt(record, offset) & 0xF];
                }
            }
            return hex;
        }
    }
    return {};
}

std::optional<std::string> applyCell(const Column& column, std::string_view text,
                                     std::string& record, std::string& name) {
    const std::string quoted = quotedCell(text);
    switch (column.kind) {
        case ColumnKind::Unit:
        case ColumnKind::ClassName:
        case ColumnKind::Nationality:
            return std::nullopt;
        case ColumnKind::Name:
            return applyName(unguardedCell(text), name);
        case ColumnKind::Byte: {
            const auto value = data::byteFromText(text);
            if (!value) {
                return quoted + " is not a number from 0 to 255";
            }
            record[static_cast<std::size_t>(column.offset)] = static_cast<char>(*value);
            return std::nullopt;
        }
        case ColumnKind::Cost: {
            const auto value = data::costFromText(text);
            if (!value) {
                return quoted + " is not a cost from 0 to " +
                       std::to_string(data::kHighestCostText) +
                       " (the file stores the cost divided by 12)";
            }
            record[static_cast<std::size_t>(column.offset)] = static_cast<char>(*value);
            return std::nullopt;
        }
        case ColumnKind::StoredNumber: {
            const auto value = data::wholeNumberFromText(text);
            if (!value || *value < INT16_MIN || *value > INT16_MAX) {
                return quoted + " is not a whole number from -32768 to 32767";
            }
            const auto word = static_cast<std::uint16_t>(*value);
            record[layout::kUnitNumber.offset] = static_cast<char>(word & 0xFF);
            record[layout::kUnitNumber.offset + 1] = static_cast<char>(word >> 8);
            return std::nullopt;
        }
        case ColumnKind::Unassigned:
            return applyUnassigned(text, record);
    }
    return std::nullopt;
}

std::optional<std::string> checkNameCell(const Column& column, std::string_view cell,
                                         std::string_view record) {
    const std::string_view text = unguardedCell(cell);
    if (text.empty()) {
        return std::nullopt;
    }
    const std::string quoted = quotedCell(cell);
    if (column.kind == ColumnKind::ClassName) {
        const std::uint8_t code = byteAt(record, layout::kUnitClass.offset);
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
        return quoted + " is not the nationality of the bytes " + listOf(nationOf(record)) +
               " (\"" + nationalityOf(record) +
               "\"). The nationality follows the columns nation1 to nation4" +
               (named != data::NationBytes{} ? " (" + quoted + " is " + listOf(named) + ")"
                                             : std::string(" (no nationality has this name)")) +
               "; make the name match them or leave it empty";
    }
    return std::nullopt;
}

std::vector<FieldChange> fieldChanges(std::string_view before, std::string_view after) {
    std::vector<FieldChange> changes;
    for (const Column& column : kColumns) {
        if (column.kind == ColumnKind::Unit || column.kind == ColumnKind::Name ||
            column.kind == ColumnKind::ClassName || isNationByte(column)) {
            continue;
        }
        const auto show = [&](std::string_view record) {
            if (column.kind == ColumnKind::Byte && column.offset == layout::kUnitClass.offset) {
                const std::uint8_t code = byteAt(record, column.offset);
                return data::classNameOf(code).value_or("code " + std::to_string(code));
            }
            if (column.kind == ColumnKind::Nationality) {
                const auto name = data::nationalityNameOf(nationOf(record));
                return name ? *name
                            : data::kUnknownNationality + (" (" + listOf(nationOf(record)) + ")");
            }
            return cellText(column, 0, record, {});
        };
        std::string was = show(before), now = show(after);
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

std::int16_t wordAt(std::string_view bytes, std::size_t offset) {
    const auto low = static_cast<std::uint8_t>(bytes[offset]);
    const auto high = static_cast<std::uint8_t>(bytes[offset + 1]);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
}

std::string quotedName(std::string_view name) {
    const bool cut = name.size() > kLongestQuoted;
    std::string quoted = "\"";  // appended, as in quotedCell
    quoted += shownText(utf8FromCodePage(name.substr(0, kLongestQuoted)));
    quoted += cut ? "...\" (" + std::to_string(name.size()) + " characters in all)" : "\"";
    return quoted;
}

std::string utf8FromCodePage(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        appendUtf8(text, data::characterOfByte(static_cast<std::uint8_t>(byte)));
    }
    return text;
}

}  // namespace varnel::tool
