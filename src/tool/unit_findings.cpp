#include "unit_findings.h"

#include <algorithm>
#include <set>
#include <utility>

#include "cell_text.h"
#include "data/code_page.h"
#include "data/code_tables.h"
#include "data/record_layout.h"
#include "unit_sheet.h"

namespace varnel::tool {
namespace {

namespace layout = data::layout;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::uint8_t byteAt(std::string_view record, int offset) {
    return static_cast<std::uint8_t>(record[static_cast<std::size_t>(offset)]);
}

std::string bytesOf(std::string_view record, const data::layout::Field& first, int width) {
    return std::string(
        record.substr(static_cast<std::size_t>(first.offset), static_cast<std::size_t>(width)));
}

// Every switch pair that the window's Save can write: each tick of the five boxes with each
// class name, and with a name that matches no class.
const std::set<std::pair<int, int>>& pairsSaveWrites() {
    static const std::set<std::pair<int, int>> pairs = [] {
        std::set<std::pair<int, int>> found;
        std::vector<std::string> names{""};
        for (const data::ClassEntry& entry : data::classTable()) {
            names.emplace_back(entry.name);
        }
        for (int ticks = 0; ticks < 32; ++ticks) {
            const data::SwitchBoxes boxes{(ticks & 1) != 0, (ticks & 2) != 0, (ticks & 4) != 0,
                                          (ticks & 8) != 0, (ticks & 16) != 0};
            for (const std::string& name : names) {
                const data::SwitchPair pair = data::switchBytesFor(boxes, name);
                found.emplace(pair.sw1, pair.sw2);
            }
        }
        return found;
    }();
    return pairs;
}

std::string pairList() {
    std::string list;
    for (const auto& [sw1, sw2] : pairsSaveWrites()) {
        list += (list.empty() ? "" : ", ") + std::to_string(sw1) + "/" + std::to_string(sw2);
    }
    return list;
}

// A control character, or one of the bytes the code page leaves undefined: the window cannot
// show it and the game will not print it.
bool isControl(std::uint8_t byte) {
    const char32_t character = data::characterOfByte(byte);
    return character < 0x20 || (character >= 0x7F && character <= 0x9F);
}

std::string hexByte(std::uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string("0x") + kDigits[byte >> 4] + kDigits[byte & 0xF];
}

}  // namespace

std::vector<UnitFinding> recordFindings(std::int64_t unit, std::string_view record) {
    std::vector<UnitFinding> found;
    const std::int16_t stored = wordAt(record, layout::kUnitNumber.offset);
    if (stored != unit) {
        found.push_back({"unitNumber", bytesOf(record, layout::kUnitNumber, 2),
                         "its record gives its number as " + std::to_string(stored) + "."});
    }
    const std::uint8_t unitClass = byteAt(record, layout::kUnitClass.offset);
    if (!data::classNameOf(unitClass)) {
        found.push_back(
            {"Class", bytesOf(record, layout::kUnitClass, 1),
             "class code " + std::to_string(unitClass) + " is none of the classes 1 to 21."});
    }
    // A nationality is one bit of one of the four bytes; anything else names no nationality,
    // shows as "Unknown" in the editor and is written as four 0 bytes by a Save in Profi mode.
    const data::NationBytes nation = {
        byteAt(record, layout::kNation1.offset), byteAt(record, layout::kNation2.offset),
        byteAt(record, layout::kNation3.offset), byteAt(record, layout::kNation4.offset)};
    if (!data::nationalityNameOf(nation)) {
        found.push_back({"Nationality", bytesOf(record, layout::kNation1, 4),
                         "the nationality bytes " + std::to_string(nation[0]) + ", " +
                             std::to_string(nation[1]) + ", " + std::to_string(nation[2]) + ", " +
                             std::to_string(nation[3]) + " name no nationality."});
    }
    const int sw1 = byteAt(record, layout::kSw1.offset), sw2 = byteAt(record, layout::kSw2.offset);
    if (pairsSaveWrites().count({sw1, sw2}) == 0) {
        found.push_back({"sw1/sw2", bytesOf(record, layout::kSw1, 2),
                         "the switch bytes " + std::to_string(sw1) + "/" + std::to_string(sw2) +
                             " are no pattern the editor writes (" + pairList() + ")."});
    }
    for (int i = 0; i < layout::kCharacterFieldCount; ++i) {
        const std::uint8_t code = byteAt(record, layout::kFirstCharacterOffset + i);
        if (code != 0 && isControl(code)) {
            std::string label = "c";  // appended: GCC 12 warns of an overlap in "c" + text
            label += std::to_string(i + 1);
            found.push_back({label, std::string(1, static_cast<char>(code)),
                             "character code " + label + " is " + std::to_string(code) +
                                 ", a control character the window cannot show or type."});
        }
    }
    return found;
}

std::vector<UnitFinding> nameFindings(std::string_view name, bool firstLine) {
    std::vector<UnitFinding> found;
    const std::string value(name);
    if (firstLine && name.starts_with(kByteOrderMark)) {
        found.push_back({"Name", value,
                         " begins with a UTF-8 byte-order mark: three bytes the game shows as "
                         "\"\xC3\xAF\xC2\xBB\xC2\xBF\"."});
        name.remove_prefix(kByteOrderMark.size());
    }
    const auto control = std::find_if(
        name.begin(), name.end(), [](char c) { return isControl(static_cast<std::uint8_t>(c)); });
    if (control != name.end()) {
        found.push_back({"Name", value,
                         " holds the byte " + hexByte(static_cast<std::uint8_t>(*control)) +
                             ", which the " + data::kCodePageName +
                             " code page gives no printable character."});
    }
    const bool wide = std::any_of(name.begin(), name.end(),
                                  [](char c) { return static_cast<std::uint8_t>(c) >= 0x80; });
    if (wide && isUtf8(name)) {
        found.push_back({"Name", value,
                         ", " + quotedName(name) +
                             ", looks like UTF-8 text, which the game shows as it stands: the "
                             "list holds " +
                             data::kCodePageName + "."});
    }
    return found;
}

}  // namespace varnel::tool
