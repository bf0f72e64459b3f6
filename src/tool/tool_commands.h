#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

// The commands of varnel-tool. Each returns the program's exit status (0 done, 1 findings or
// differences) and throws data::Error, with nothing written, when it cannot do its work.
namespace varnel::data {
class EquipmentImage;
class NameListImage;
}  // namespace varnel::data

namespace varnel::tool {

using data::EquipmentImage;
using data::NameListImage;

struct ExportRequest {
    std::string equipmentPath, nameListPath;
    std::string outputPath;  // empty: the CSV goes to out
};
int exportUnits(const ExportRequest& request, std::ostream& out);

struct ImportRequest {
    std::string csvPath, equipmentPath, nameListPath;
    bool dryRun = false;
    bool force = false;  // write values that check reports although the units did not hold them
};
int importUnits(const ImportRequest& request, std::ostream& out);

struct CheckRequest {
    std::string equipmentPath, nameListPath;
};
int checkFiles(const CheckRequest& request, std::ostream& out);

struct DiffRequest {
    std::string oldEquipmentPath, newEquipmentPath;
    std::string oldNameListPath, newNameListPath;  // both empty: names are not compared
    bool csv = false;
    bool patch = false;  // write a mod patch (JSON) instead of the list
};

struct SqlRequest {
    std::string equipmentPath, nameListPath;
    std::string statements;  // one or more SQL statements, each ended by a semicolon or the end
    bool dryRun = false;
    bool force = false;
    bool csv = false;  // the rows of a SELECT as CSV, not as an aligned table
};
// 1 when statements that may change units leave them all as they were.
int runStatements(const SqlRequest& request, std::ostream& out);

struct PatchRequest {
    std::string patchPath, equipmentPath, nameListPath;
    bool dryRun = false;
    bool skipConflicts = false;
};
// 1 when the file holds every change of the patch already.
int applyPatch(const PatchRequest& request, std::ostream& out);
int diffFiles(const DiffRequest& request, std::ostream& out);

// One way in which two versions of the files differ: a field of a unit, a name, a unit added or
// removed, or the unit counter.
struct Difference {
    std::int64_t unit = -1;  // -1: the file as a whole
    // The unit's name (the new one where both exist), bytes of the list; it points into the
    // lists given to differences, so that a long name is not copied for every field.
    std::string_view name;
    std::string change;  // "changed", "added" or "removed"
    std::string field, before, after;
};
// Names are compared when both lists are given.
std::vector<Difference> differences(const EquipmentImage& before, const EquipmentImage& after,
                                    const NameListImage* namesBefore,
                                    const NameListImage* namesAfter);
void printDifferences(std::ostream& out, const std::vector<Difference>& found);

}  // namespace varnel::tool
