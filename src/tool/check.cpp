#include <algorithm>
#include <ostream>
#include <set>

#include "csv_table.h"
#include "data/code_page.h"
#include "data/code_tables.h"
#include "data/record_layout.h"
#include "tool_commands.h"
#include "whole_files.h"

namespace varnel::tool {
namespace {

namespace layout = data::layout;

std::uint8_t byteAt(std::string_view record, int offset) {
    return static_cast<std::uint8_t>(record[static_cast<std::size_t>(offset)]);
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

std::string counted(std::int64_t count, const std::string& thing) {
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

std::string moreLines(std::int64_t count) {
    return count > 1 ? " (" + std::to_string(count) + " lines in all)" : "";
}

class Findings {
  public:
    void add(std::string finding) { found_.push_back(std::move(finding)); }
    void unit(std::int64_t number, const std::string& finding) {
        add("unit " + std::to_string(number) + ": " + finding);
    }
    const std::vector<std::string>& all() const { return found_; }

  private:
    std::vector<std::string> found_;
};

void checkRecord(Findings& findings, std::int64_t unit, std::string_view record) {
    const std::int16_t stored = wordAt(record, layout::kUnitNumber.offset);
    if (stored != unit) {
        findings.unit(unit, "its record gives its number as " + std::to_string(stored) + ".");
    }
    const std::uint8_t unitClass = byteAt(record, layout::kUnitClass.offset);
    if (!data::classNameOf(unitClass)) {
        findings.unit(
            unit, "class code " + std::to_string(unitClass) + " is none of the classes 1 to 21.");
    }
    // A nationality is one bit of one of the four bytes; anything else names no nationality,
    // shows as "Unknown" in the editor and is written as four 0 bytes by a Save in Profi mode.
    const data::NationBytes nation = {
        byteAt(record, layout::kNation1.offset), byteAt(record, layout::kNation2.offset),
        byteAt(record, layout::kNation3.offset), byteAt(record, layout::kNation4.offset)};
    if (!data::nationalityNameOf(nation)) {
        findings.unit(unit, "the nationality bytes " + std::to_string(nation[0]) + ", " +
                                std::to_string(nation[1]) + ", " + std::to_string(nation[2]) +
                                ", " + std::to_string(nation[3]) + " name no nationality.");
    }
    const int sw1 = byteAt(record, layout::kSw1.offset), sw2 = byteAt(record, layout::kSw2.offset);
    if (pairsSaveWrites().count({sw1, sw2}) == 0) {
        findings.unit(unit, "the switch bytes " + std::to_string(sw1) + "/" + std::to_string(sw2) +
                                " are no pattern the editor writes (" + pairList() + ").");
    }
    for (int i = 0; i < layout::kCharacterFieldCount; ++i) {
        const std::uint8_t code = byteAt(record, layout::kFirstCharacterOffset + i);
        if (code != 0 && isControl(code)) {
            findings.unit(unit, "character code c" + std::to_string(i + 1) + " is " +
                                    std::to_string(code) +
                                    ", a control character the window cannot show or type.");
        }
    }
}

void checkNames(Findings& findings, const std::string& bytes, std::int64_t units) {
    const NameList list = NameList::fromBytes(bytes);
    const auto lines = static_cast<std::int64_t>(list.lines.size());
    if (lines < units) {
        findings.add("The name list has " + counted(lines, "line") + " for " +
                     std::to_string(units) + " units: from unit " + std::to_string(lines) +
                     " on, the units have no name.");
    } else if (lines > units) {
        findings.add("The name list has " + counted(lines, "line") + " for " +
                     std::to_string(units) + " units; the editor's Save drops those after line " +
                     std::to_string(units) + ".");
    }
    if (list.linesEndedByLfAlone > 0) {
        findings.add("Line " + std::to_string(list.firstEndedByLfAlone) +
                     " of the name list ends in LF alone, not CR LF" +
                     moreLines(list.linesEndedByLfAlone) + ".");
    }
    if (list.linesEndedByCrAlone > 0) {
        findings.add("Line " + std::to_string(list.firstEndedByCrAlone) +
                     " of the name list ends in CR alone, not CR LF" +
                     moreLines(list.linesEndedByCrAlone) + ".");
    }
    if (list.lastLineUnended) {
        findings.add("The last line of the name list, line " + std::to_string(lines) +
                     ", has no line end.");
    }
    for (std::int64_t unit = 0; unit < lines; ++unit) {
        std::string_view name = list.lines[static_cast<std::size_t>(unit)];
        const std::string where = "line " + std::to_string(unit + 1) + " of the name list";
        if (unit == 0 && name.starts_with("\xEF\xBB\xBF")) {
            findings.add(
                "The name list starts with a UTF-8 byte-order mark: the name of unit 0 "
                "begins with three bytes the game shows as \"\xC3\xAF\xC2\xBB\xC2\xBF\".");
            name.remove_prefix(3);
        }
        const auto control = std::find_if(name.begin(), name.end(), [](char c) {
            return isControl(static_cast<std::uint8_t>(c));
        });
        if (control != name.end()) {
            findings.add(where + " (unit " + std::to_string(unit) + ") holds the byte " +
                         hexByte(static_cast<std::uint8_t>(*control)) + ", which the " +
                         data::kCodePageName + " code page gives no printable character.");
        }
        const bool wide = std::any_of(name.begin(), name.end(),
                                      [](char c) { return static_cast<std::uint8_t>(c) >= 0x80; });
        if (wide && charactersFromUtf8(name)) {
            findings.add(where + " (unit " + std::to_string(unit) + "), " + quotedName(name) +
                         ", looks like UTF-8 text, which the game shows as it stands: the "
                         "list holds " +
                         data::kCodePageName + ".");
        }
    }
}

}  // namespace

int checkFiles(const CheckRequest& request, std::ostream& out) {
    const EquipmentImage image = EquipmentImage::load(request.equipmentPath);
    const std::string names = readWholeFile(request.nameListPath, "name list");
    Findings findings;
    const std::int64_t units = image.units();
    const std::int64_t lastSize = static_cast<std::int64_t>(image.record(units - 1).size());
    if (lastSize < layout::kRecordSize) {
        findings.add("The last unit, " + std::to_string(units - 1) + ", is short: its record has " +
                     std::to_string(lastSize) + " of 73 bytes, and the missing ones read as 0.");
    }
    if (image.fragmentSize() > 0) {
        findings.add("The file ends in " + counted(image.fragmentSize(), "byte") +
                     " after the last unit, too few for a unit; the editor ignores them.");
    }
    if (image.unitCounter() != units) {
        findings.add("The unit counter says " + std::to_string(image.unitCounter()) +
                     ", but the file holds " + std::to_string(units) + " units.");
    }
    for (std::int64_t unit = 0; unit < units; ++unit) {
        checkRecord(findings, unit, image.record(unit));
    }
    checkNames(findings, names, units);

    for (const std::string& finding : findings.all()) {
        out << finding << "\n";
    }
    const std::size_t count = findings.all().size();
    if (count == 0) {
        out << "No findings: " << request.equipmentPath << " (" << units << " units) and "
            << request.nameListPath << " look sound.\n";
        return 0;
    }
    out << count << (count == 1 ? " finding" : " findings") << " in " << request.equipmentPath
        << " and " << request.nameListPath << ".\n";
    return 1;
}

}  // namespace varnel::tool
