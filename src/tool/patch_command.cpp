// Applying a mod patch to a version of the files, field by field: a value the file still holds
// as the patch's base held it takes the patch's new value, a value that is the new one already
// stays, and any other value is a conflict. The result goes through import's rules and write
// path.
#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cell_text.h"
#include "data/error.h"
#include "data/system_files.h"
#include "import_plan.h"
#include "patch_format.h"
#include "sha256.h"
#include "tool_commands.h"
#include "unit_columns.h"
#include "unit_writing.h"

namespace varnel::tool {
namespace {

using data::Error;

std::string readPatchFile(const std::string& path) {
    const auto status = data::systemFiles().statusOfPath(path);
    if (status.ok() && status.value.exists && !status.value.isFolder &&
        status.value.length > kLargestPatch) {
        throw Error("The patch " + path + " holds " + std::to_string(status.value.length) +
                    " bytes, more than the " + std::to_string(kLargestPatch / (1024 * 1024)) +
                    " MiB a patch may hold. Nothing was written.");
    }
    std::string text = data::readWholeFile(path, "patch");
    if (static_cast<std::int64_t>(text.size()) > kLargestPatch) {
        throw Error("The patch " + path + " grew past " +
                    std::to_string(kLargestPatch / (1024 * 1024)) +
                    " MiB while it was read. Nothing was written.");
    }
    return text;
}

// A name (UTF-8) in a conflict's line: in quotes, its control characters shown.
std::string inQuotes(std::string_view name) {
    std::string text(1, '"');
    text += shownText(name);
    text += '"';
    return text;
}

std::size_t indexOf(const Column* column) {
    return static_cast<std::size_t>(column - unitColumns().data());
}

// The patch's units as rows of the unit table, each starting from what the file holds, and the
// conflicts met on the way.
class PatchRows {
  public:
    PatchRows(const Patch& patch, const data::EquipmentImage& image,
              const data::NameListImage& names)
        : patch_(patch), image_(image), names_(names) {}

    std::vector<std::string> conflicts;
    std::vector<std::vector<std::string>> rows;

    void build(bool skipConflicts) {
        for (const PatchUnit& unit : patch_.changed) {
            changedRow(unit, skipConflicts);
        }
        addedRows();
    }

  private:
    std::vector<std::string> cellsOf(std::int64_t unit, const data::Unit& record,
                                     std::string_view name) const {
        std::vector<std::string> cells;
        for (const Column& column : unitColumns()) {
            // The class name and the nationality follow the codes: left empty, they are not
            // compared.
            cells.push_back(column.kind == ColumnKind::ClassName ||
                                    column.kind == ColumnKind::Nationality
                                ? std::string()
                                : cellText(column, unit, record, name));
        }
        return cells;
    }

    std::string caption(std::int64_t unit) const {
        const std::string_view name = names_.nameOf(unit);
        std::string text = "unit ";
        text += std::to_string(unit);
        if (!name.empty()) {
            text += ' ';
            text += quotedName(name);
        }
        return text;
    }

    void conflict(std::int64_t unit, std::string_view field, const std::string& found,
                  const std::string& before, const std::string& after) {
        conflicts.push_back(caption(unit) + ", " + std::string(field) + ": the file holds " +
                            found + ", the patch changes " + before + " -> " + after);
    }

    void changedRow(const PatchUnit& unit, bool skipConflicts) {
        if (unit.unit >= image_.units()) {
            conflicts.push_back("unit " + std::to_string(unit.unit) +
                                ": the patch changes it, but the file holds units 0 to " +
                                std::to_string(image_.units() - 1) + " only");
            return;
        }
        const data::Unit record = image_.unit(unit.unit);
        std::vector<std::string> cells = cellsOf(unit.unit, record, names_.nameOf(unit.unit));
        bool changes = false, conflicting = false;
        for (const PatchField& field : unit.fields) {
            std::string& cell = cells[indexOf(findColumn(field.label))];
            if (cell == field.after) {
                continue;
            }
            if (cell == field.before) {
                cell = field.after;
                changes = true;
            } else {
                conflict(unit.unit, field.label, cell, field.before, field.after);
                conflicting = true;
            }
        }
        if (unit.nameBefore && unit.nameAfter) {
            const std::string found = utf8FromCodePage(names_.nameOf(unit.unit));
            std::string& cell = cells[indexOf(findColumn("Name"))];
            if (found == *unit.nameBefore) {
                cell = guardedCell(*unit.nameAfter);
                changes = true;
            } else if (found != *unit.nameAfter) {
                conflict(unit.unit, "Name", inQuotes(found), inQuotes(*unit.nameBefore),
                         inQuotes(*unit.nameAfter));
                conflicting = true;
            }
        }
        // A unit with a conflict takes none of its changes unless the rest is to be applied.
        if (changes && (skipConflicts || !conflicting)) {
            rows.push_back(std::move(cells));
        }
    }

    void addedRows() {
        if (patch_.added.empty()) {
            return;
        }
        const std::int64_t units = image_.units();
        if (units != patch_.base.units) {
            // Already there, as the patch adds them: a patch applied twice changes nothing.
            const bool present = std::all_of(
                patch_.added.begin(), patch_.added.end(), [&](const PatchAddedUnit& added) {
                    return added.unit < units && image_.record(added.unit) == added.record &&
                           utf8FromCodePage(names_.nameOf(added.unit)) == added.name;
                });
            if (present) {
                return;
            }
            for (const PatchAddedUnit& added : patch_.added) {
                conflicts.push_back(
                    "unit " + std::to_string(added.unit) + " \"" + shownText(added.name) +
                    "\": the patch adds it after the " + std::to_string(patch_.base.units) +
                    " units of its base, but the file holds " + std::to_string(units) +
                    " units, so it would not take the number the patch gives it");
            }
            return;
        }
        for (const PatchAddedUnit& added : patch_.added) {
            std::vector<std::string> cells =
                cellsOf(added.unit, data::Unit::decode(added.record), {});
            cells[indexOf(findColumn("Name"))] = guardedCell(added.name);
            rows.push_back(std::move(cells));
        }
    }

    const Patch& patch_;
    const data::EquipmentImage& image_;
    const data::NameListImage& names_;
};

}  // namespace

int applyPatch(const PatchRequest& request, std::ostream& out) {
    const Patch patch = readPatch(readPatchFile(request.patchPath), request.patchPath);
    const LockedUnitFiles files(request.equipmentPath, request.nameListPath, out);
    const data::EquipmentImage& image = files.image();
    if (sha256Hex(image.bytes()) != patch.baseSha256) {
        out << request.equipmentPath
            << " is not the file the patch was made from: each change goes in where the file "
               "still holds the value it changes.\n";
    }
    PatchRows built(patch, image, files.names());
    built.build(request.skipConflicts);
    // The unit counter, where the mod set it otherwise than by adding units.
    std::optional<std::int16_t> counter;
    if (patch.counterBefore && patch.counterAfter) {
        if (image.unitCounter() == *patch.counterBefore ||
            image.unitCounter() == *patch.counterAfter) {
            counter = static_cast<std::int16_t>(*patch.counterAfter);
        } else {
            built.conflicts.push_back("the unit counter: the file holds " +
                                      std::to_string(image.unitCounter()) + ", the patch changes " +
                                      std::to_string(*patch.counterBefore) + " -> " +
                                      std::to_string(*patch.counterAfter));
        }
    }
    std::string conflictList;
    for (const std::string& line : built.conflicts) {
        conflictList += line + "\n";
    }
    const std::size_t conflicts = built.conflicts.size();
    const std::string counted =
        std::to_string(conflicts) + (conflicts == 1 ? " conflict" : " conflicts");
    if (conflicts > 0 && !request.skipConflicts) {
        throw Error(conflictList + "Nothing was written: " + counted + " between " +
                    request.patchPath + " and " + request.equipmentPath +
                    ". --skip-conflicts applies the rest of the patch and leaves these as the "
                    "file holds them.");
    }
    if (conflicts > 0) {
        out << "Skipped, as the file holds something else (" << counted << "):\n" << conflictList;
    }

    ImportRequest rules;
    rules.force = true;  // the patch carries values the mod's own file held
    ImportPlan plan(rules, image, files.names());
    std::vector<const Column*> columns;
    std::vector<std::string> names;
    for (const Column& column : unitColumns()) {
        columns.push_back(&column);
        names.emplace_back(column.label);
    }
    plan.beginUnitRows(std::move(columns), std::move(names), "the patch");
    std::vector<std::string_view> views;
    for (const std::vector<std::string>& row : built.rows) {
        views.assign(row.begin(), row.end());
        plan.takeUnitRow(views);
    }
    plan.endUnitRows();
    if (const auto refusal = plan.refusal()) {
        throw Error(*refusal);
    }
    UnitFilesChange change{plan.newEquipmentFile(), plan.newNameList(), plan.forcedFindings()};
    change.forcedHeading =
        "These values go in as the patch carries them, although varnel-tool check reports them:";
    if (counter) {
        if (!change.equipment) {
            change.equipment = image;
        }
        change.equipment->setUnitCounter(*counter);
    }
    const ChangeOutcome outcome = showAndWrite(files, std::move(change), request.dryRun,
                                               "the patch", "patch " + request.patchPath, out);
    if (outcome == ChangeOutcome::NothingToChange) {
        out << "Nothing to change: " << request.equipmentPath
            << (conflicts > 0 ? " holds every change of the patch that does not conflict."
                              : " holds every change of the patch already.")
            << "\n";
        return 1;
    }
    return 0;
}

}  // namespace varnel::tool
