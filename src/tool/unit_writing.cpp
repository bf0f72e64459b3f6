#include "unit_writing.h"

#include <ostream>
#include <string_view>
#include <utility>
#include <vector>

#include "data/error.h"
#include "data/journal.h"
#include "data/system_files.h"
#include "tool_commands.h"

namespace varnel::tool {
namespace {

using data::Error;

// The new files, null for one that stays as it is.
void writeFiles(const std::string& equipmentPath, const std::string& nameListPath,
                const std::string& journalWhat, const std::string& oldEquipment,
                const std::string* equipment, const std::string& oldList, const std::string* list) {
    // The editor, or anything else, may have written either file since they were read.
    if ((equipment != nullptr && !data::fileHolds(equipmentPath, "equipment file", oldEquipment)) ||
        (list != nullptr && !data::fileHolds(nameListPath, "name list", oldList))) {
        throw Error(
            "The equipment file or the name list was changed by another program meanwhile. "
            "Nothing was written; run the command again.");
    }
    // Both new files are complete on disk before either takes its file's place. The new
    // equipment file is locked before it takes the old one's place, so that the lock holds on
    // whatever the path names until the change is done.
    std::optional<data::FileReplacement> newEquipment, newList;
    data::WriteLock newEquipmentLock;
    if (equipment != nullptr) {
        data::ReplacementRules rules = rulesForFile("the equipment file");
        rules.keepOpen = true;
        newEquipment.emplace(equipmentPath, *equipment, std::move(rules));
        newEquipmentLock = data::WriteLock(newEquipment->handle(), newEquipment->temporaryPath());
    }
    if (list != nullptr) {
        newList.emplace(nameListPath, *list, rulesForNameList());
    }
    // The journal makes the two renames one step: after a crash between them, whoever opens the
    // file next puts the second copy in place too.
    const auto status = data::systemFiles().statusOfPath(equipmentPath);
    if (!status.ok() || !status.value.exists) {
        throw Error("Could not look at the equipment file " + equipmentPath +
                    ". Nothing was written.");
    }
    data::ChangeJournal journal(equipmentPath, status.value, journalWhat);
    for (const auto* copy : {&newEquipment, &newList}) {
        if (*copy) {
            journal.willReplace(**copy);
        }
    }
    journal.begin();
    if (newEquipment) {
        newEquipment->commit();
    }
    if (newList) {
        try {
            newList->commit();
        } catch (const Error& error) {
            if (!newEquipment) {
                journal.commit();
                throw;
            }
            std::string message = error.what();
            try {
                data::replaceFile(equipmentPath, oldEquipment, rulesForFile("the equipment file"));
                journal.commit();
                message += " The equipment file was put back as it was; nothing was changed.";
            } catch (const Error& restoreError) {
                message +=
                    " The equipment file holds the new units, and could not be put "
                    "back: " +
                    std::string(restoreError.what());
            }
            throw Error(message);
        }
    }
    if (newEquipment) {
        newEquipment->saveFolder();
    }
    if (newList) {
        newList->saveFolder();
    }
    journal.commit();
}

std::string counted(std::size_t count, std::string_view thing) {
    return std::to_string(count) + " " + std::string(thing) + (count == 1 ? "" : "s");
}

// "2 units changed (5 values), 1 unit added."
std::string countOf(const std::vector<Difference>& found) {
    std::size_t units = 0, values = 0, added = 0;
    std::int64_t last = -1;
    for (const Difference& difference : found) {
        if (difference.change == "added") {
            ++added;
        } else if (difference.unit >= 0) {
            ++values;
            units += difference.unit != last ? 1 : 0;
            last = difference.unit;
        }
    }
    std::string text;
    if (units > 0) {
        text = counted(units, "unit") + " changed (" + counted(values, "value") + ")";
    }
    if (added > 0) {
        text += (text.empty() ? "" : ", ") + counted(added, "unit") + " added";
    }
    return text.empty() ? "The unit counter changes." : text + ".";
}

}  // namespace

LockedUnitFiles::LockedUnitFiles(const std::string& equipmentPath, const std::string& nameListPath,
                                 std::ostream& out)
    : equipmentPath_(equipmentPath), nameListPath_(nameListPath), lock_(equipmentPath) {
    // Each file in its one role: a list written over the equipment file would destroy it.
    requireSeparateFiles(nameListPath, "the name list", equipmentPath, "the equipment file");
    const data::Recovery recovery = data::recoverChangeUnderLock(equipmentPath);
    if (recovery.outcome == data::Recovery::Outcome::LeftAlone) {
        throw Error(recovery.message + " Nothing was written.");
    }
    if (recovery.outcome != data::Recovery::Outcome::None) {
        out << recovery.message << "\n";
    }
    image_.emplace(data::EquipmentImage::load(equipmentPath));
    names_.emplace(data::NameListImage::fromBytes(data::readWholeFile(nameListPath, "name list")));
}

ChangeOutcome showAndWrite(const LockedUnitFiles& files, UnitFilesChange change, bool dryRun,
                           std::string_view doer, const std::string& journalWhat,
                           std::ostream& out) {
    const data::EquipmentImage& image = files.image();
    const data::NameListImage& names = files.names();
    std::optional<data::EquipmentImage>& equipment = change.equipment;
    if (equipment && equipment->bytes() == image.bytes()) {
        equipment.reset();
    }
    std::optional<data::NameListImage> list;
    if (change.nameList && *change.nameList != names.bytes()) {
        list = data::NameListImage::fromBytes(std::move(*change.nameList));
    }
    const std::vector<Difference> found =
        differences(image, equipment ? *equipment : image, &names, list ? &*list : &names);
    printDifferences(out, found);
    if (!found.empty()) {
        out << countOf(found) << "\n";
    }
    if (!change.forcedFindings.empty()) {
        out << change.forcedHeading << "\n" << change.forcedFindings;
    }
    if (!equipment && !list) {
        return ChangeOutcome::NothingToChange;
    }
    std::string written = equipment ? files.equipmentPath() : "";
    if (list) {
        written += (written.empty() ? "" : " and ") + files.nameListPath();
    }
    if (dryRun) {
        out << "Dry run: nothing was written; " << doer << " would write " << written << ".\n";
        return ChangeOutcome::DryRun;
    }
    writeFiles(files.equipmentPath(), files.nameListPath(), journalWhat, image.bytes(),
               equipment ? &equipment->bytes() : nullptr, names.bytes(),
               list ? &list->bytes() : nullptr);
    out << "Wrote " << written << ".\n";
    return ChangeOutcome::Written;
}

}  // namespace varnel::tool
