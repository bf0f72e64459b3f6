#include <ostream>

#include "data/equipment_image.h"
#include "data/name_list_image.h"
#include "data/record_layout.h"
#include "tool_commands.h"
#include "unit_findings.h"

namespace varnel::tool {
namespace {

namespace layout = data::layout;

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

void checkNames(Findings& findings, const NameListImage& list, std::int64_t units) {
    const std::int64_t lines = list.lineCount();
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
        for (const UnitFinding& finding : nameFindings(list.nameOf(unit), unit == 0)) {
            findings.add("line " + std::to_string(unit + 1) + " of the name list (unit " +
                         std::to_string(unit) + ")" + finding.words);
        }
    }
}

}  // namespace

int checkFiles(const CheckRequest& request, std::ostream& out) {
    const EquipmentImage image = EquipmentImage::load(request.equipmentPath);
    const NameListImage names = NameListImage::load(request.nameListPath);
    Findings findings;
    const std::int64_t units = image.units();
    const auto lastSize = static_cast<std::int64_t>(image.unit(units - 1).storedSize());
    if (lastSize < layout::kRecordSize) {
        findings.add("The last unit, " + std::to_string(units - 1) + ", is short: its record has " +
                     std::to_string(lastSize) + " of " + std::to_string(layout::kRecordSize) +
                     " bytes, and the missing ones read as 0.");
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
        for (const UnitFinding& finding : recordFindings(unit, image.unit(unit))) {
            findings.unit(unit, finding.words);
        }
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
