#include <algorithm>
#include <optional>
#include <ostream>

#include "cell_text.h"
#include "csv_table.h"
#include "data/equipment_image.h"
#include "data/error.h"
#include "data/name_list_image.h"
#include "data/system_files.h"
#include "patch_format.h"
#include "tool_commands.h"
#include "unit_columns.h"

namespace varnel::tool {
namespace {

std::string unitCaption(const Difference& difference) {
    std::string caption = "unit " + std::to_string(difference.unit);
    return difference.name.empty() ? caption : caption + " " + quotedName(difference.name);
}

}  // namespace

std::vector<Difference> differences(const EquipmentImage& before, const EquipmentImage& after,
                                    const NameListImage* namesBefore,
                                    const NameListImage* namesAfter) {
    const bool names = namesBefore != nullptr && namesAfter != nullptr;
    const auto nameIn = [&](const NameListImage* list, std::int64_t unit) {
        return names ? list->nameOf(unit) : std::string_view();
    };
    std::vector<Difference> found;
    const std::int64_t common = std::min(before.units(), after.units());
    for (std::int64_t unit = 0; unit < common; ++unit) {
        const std::string_view name = nameIn(namesAfter, unit);
        // Records alike byte for byte differ in no field.
        if (before.record(unit) != after.record(unit)) {
            for (FieldChange& change : fieldChanges(before.unit(unit), after.unit(unit))) {
                found.push_back({unit, name, "changed", std::move(change.label),
                                 std::move(change.before), std::move(change.after)});
            }
        }
        const std::string_view oldName = nameIn(namesBefore, unit);
        if (oldName != name) {
            found.push_back(
                {unit, name, "changed", "Name", std::string(oldName), std::string(name)});
        }
    }
    for (std::int64_t unit = common; unit < after.units(); ++unit) {
        found.push_back({unit, nameIn(namesAfter, unit), "added", "", "", ""});
    }
    for (std::int64_t unit = common; unit < before.units(); ++unit) {
        found.push_back({unit, nameIn(namesBefore, unit), "removed", "", "", ""});
    }
    if (before.unitCounter() != after.unitCounter()) {
        found.push_back({-1, "", "changed", "unitCount", std::to_string(before.unitCounter()),
                         std::to_string(after.unitCounter())});
    }
    if (before.fragmentSize() != after.fragmentSize()) {
        found.push_back({-1, "", "changed", "bytes after the last unit",
                         std::to_string(before.fragmentSize()),
                         std::to_string(after.fragmentSize())});
    }
    return found;
}

void printDifferences(std::ostream& out, const std::vector<Difference>& found) {
    std::int64_t shownUnit = -1;
    for (const Difference& difference : found) {
        if (difference.unit < 0) {
            out << difference.field << ": " << difference.before << " -> " << difference.after
                << "\n";
        } else if (difference.change != "changed") {
            out << unitCaption(difference) << ": " << difference.change << "\n";
        } else {
            if (difference.unit != shownUnit) {
                out << unitCaption(difference) << ":\n";
            }
            const bool name = difference.field == "Name";
            out << "    " << difference.field << ": "
                << (name ? quotedName(difference.before) : difference.before) << " -> "
                << (name ? quotedName(difference.after) : difference.after) << "\n";
        }
        shownUnit = difference.unit;
    }
}

int diffFiles(const DiffRequest& request, std::ostream& out) {
    const EquipmentImage before = EquipmentImage::load(request.oldEquipmentPath);
    const EquipmentImage after = EquipmentImage::load(request.newEquipmentPath);
    if (request.patch) {
        // A patch carries the names: without --names, the lists beside the files.
        const bool given = !request.oldNameListPath.empty();
        const NameListImage namesBefore = NameListImage::load(
            given ? request.oldNameListPath : data::defaultNameListFor(request.oldEquipmentPath));
        const NameListImage namesAfter = NameListImage::load(
            given ? request.newNameListPath : data::defaultNameListFor(request.newEquipmentPath));
        Patch patch;
        try {
            patch = makePatch(before, after, namesBefore, namesAfter);
        } catch (const data::Error& error) {
            throw data::Error("No patch from " + request.oldEquipmentPath + " to " +
                              request.newEquipmentPath + ": " + error.what());
        }
        out << writePatch(patch);
        return patch.changed.empty() && patch.added.empty() && !patch.counterAfter ? 0 : 1;
    }
    std::optional<NameListImage> namesBefore, namesAfter;
    if (!request.oldNameListPath.empty()) {
        namesBefore = NameListImage::load(request.oldNameListPath);
        namesAfter = NameListImage::load(request.newNameListPath);
    }
    const std::vector<Difference> found = differences(
        before, after, namesBefore ? &*namesBefore : nullptr, namesAfter ? &*namesAfter : nullptr);
    if (request.csv) {
        // Names are text cells, as export writes them; on a terminal their control characters
        // are shown rather than obeyed.
        const bool toTerminal = data::systemFiles().outputIsTerminal();
        const auto nameCell = [&](std::string_view name) {
            const std::string cell = guardedCell(utf8FromCodePage(name));
            return toTerminal ? shownText(cell) : cell;
        };
        out << csvLine({"Unit", "Name", "Change", "Field", "Old", "New"});
        for (const Difference& difference : found) {
            const bool name = difference.field == "Name";
            out << csvLine({difference.unit < 0 ? "" : std::to_string(difference.unit),
                            nameCell(difference.name), difference.change, difference.field,
                            name ? nameCell(difference.before) : difference.before,
                            name ? nameCell(difference.after) : difference.after});
        }
    } else {
        printDifferences(out, found);
        if (found.empty()) {
            out << "No differences between " << request.oldEquipmentPath << " and "
                << request.newEquipmentPath << ".\n";
        }
    }
    return found.empty() ? 0 : 1;
}

}  // namespace varnel::tool
