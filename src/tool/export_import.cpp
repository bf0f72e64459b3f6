#include <algorithm>
#include <map>
#include <optional>
#include <ostream>

#include "cell_text.h"
#include "csv_table.h"
#include "data/equipment_image.h"
#include "data/error.h"
#include "data/journal.h"
#include "data/name_list_image.h"
#include "data/system_files.h"
#include "import_plan.h"
#include "tool_commands.h"
#include "whole_files.h"

namespace varnel::tool {
namespace {

using data::Error;

// The new files, null for one that stays as it is.
void writeImport(const ImportRequest& request, const std::string& oldEquipment,
                 const std::string* equipment, const std::string& oldList,
                 const std::string* list) {
    // The editor, or anything else, may have written either file since they were read.
    if ((equipment != nullptr &&
         !data::fileHolds(request.equipmentPath, "equipment file", oldEquipment)) ||
        (list != nullptr && !data::fileHolds(request.nameListPath, "name list", oldList))) {
        throw Error(
            "The equipment file or the name list was changed by another program while "
            "the CSV was read. Nothing was written; run the import again.");
    }
    // Both new files are complete on disk before either takes its file's place. The new
    // equipment file is locked before it takes the old one's place, so that the lock holds on
    // whatever the path names until the import is done.
    std::optional<data::FileReplacement> newEquipment, newList;
    data::WriteLock newEquipmentLock;
    if (equipment != nullptr) {
        data::ReplacementRules rules = rulesForFile("the equipment file");
        rules.keepOpen = true;
        newEquipment.emplace(request.equipmentPath, *equipment, std::move(rules));
        newEquipmentLock = data::WriteLock(newEquipment->handle(), newEquipment->temporaryPath());
    }
    if (list != nullptr) {
        newList.emplace(request.nameListPath, *list, rulesForNameList());
    }
    // The journal makes the two renames one step: after a crash between them, whoever opens the
    // file next puts the second copy in place too.
    const auto status = data::systemFiles().statusOfPath(request.equipmentPath);
    if (!status.ok() || !status.value.exists) {
        throw Error("Could not look at the equipment file " + request.equipmentPath +
                    ". Nothing was written.");
    }
    data::ChangeJournal journal(request.equipmentPath, status.value,
                                "import of " + data::fileNameOf(request.csvPath));
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
                data::replaceFile(request.equipmentPath, oldEquipment,
                                  rulesForFile("the equipment file"));
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

}  // namespace

int exportUnits(const ExportRequest& request, std::ostream& out) {
    const EquipmentImage image = EquipmentImage::load(request.equipmentPath);
    const NameListImage names = NameListImage::load(request.nameListPath);
    // On a terminal the CSV is there to be read, and a name's control characters are shown
    // rather than obeyed; to a file or a pipe it goes byte for byte, for import to read back.
    const bool toTerminal = request.outputPath.empty() && data::systemFiles().outputIsTerminal();
    std::vector<std::string> labels;
    for (const Column& column : unitColumns()) {
        labels.emplace_back(column.label);
    }
    std::string csv = csvLine(labels);
    // A row is some 240 bytes; one buffer takes them all.
    csv.reserve(csv.size() + static_cast<std::size_t>(image.units()) * 256);
    for (std::int64_t unit = 0; unit < image.units(); ++unit) {
        appendUnitRow(csv, unit, image.unit(unit), names.nameOf(unit), toTerminal);
    }
    if (request.outputPath.empty()) {
        out << csv;
        return 0;
    }
    requireSeparateFiles(request.outputPath, "the CSV file to write", request.equipmentPath,
                         "the equipment file");
    requireSeparateFiles(request.outputPath, "the CSV file to write", request.nameListPath,
                         "the name list");
    data::ReplacementRules rules = rulesForFile("the CSV file");
    rules.mayCreate = true;
    data::replaceFile(request.outputPath, csv, std::move(rules));
    return 0;
}

int importUnits(const ImportRequest& request, std::ostream& out) {
    // Each file in its one role: a list written over the equipment file or the CSV, or a CSV
    // that is a game file, would destroy it.
    requireSeparateFiles(request.nameListPath, "the name list", request.equipmentPath,
                         "the equipment file");
    requireSeparateFiles(request.nameListPath, "the name list", request.csvPath, "the CSV file");
    requireSeparateFiles(request.csvPath, "the CSV file", request.equipmentPath,
                         "the equipment file");
    // One writer at a time, from the first read to the last rename; and a change that was cut
    // off is settled before anything is read.
    const EquipmentLock lock(request.equipmentPath);
    const data::Recovery recovery = data::recoverChangeUnderLock(request.equipmentPath);
    if (recovery.outcome == data::Recovery::Outcome::LeftAlone) {
        throw Error(recovery.message + " Nothing was written.");
    }
    if (recovery.outcome != data::Recovery::Outcome::None) {
        out << recovery.message << "\n";
    }
    const EquipmentImage image = EquipmentImage::load(request.equipmentPath);
    const NameListImage names =
        NameListImage::fromBytes(data::readWholeFile(request.nameListPath, "name list"));
    const std::string& oldList = names.bytes();
    ImportPlan plan(request, image, names);
    plan.readCsv();
    if (const auto refusal = plan.refusal()) {
        throw Error(*refusal);
    }

    std::optional<EquipmentImage> equipment = plan.newEquipmentFile();
    if (equipment && equipment->bytes() == image.bytes()) {
        equipment.reset();
    }
    std::optional<NameListImage> list;
    if (std::optional<std::string> listBytes = plan.newNameList()) {
        list = NameListImage::fromBytes(std::move(*listBytes));
    }
    printDifferences(
        out, differences(image, equipment ? *equipment : image, &names, list ? &*list : &names));
    if (const std::string forced = plan.forcedFindings(); !forced.empty()) {
        out << "With --force, these values go in although varnel-tool check reports them:\n"
            << forced;
    }
    if (!equipment && !list) {
        out << "Nothing to change: " << request.equipmentPath << " and " << request.nameListPath
            << " already hold what " << request.csvPath << " says.\n";
        return 0;
    }
    std::string written = equipment ? request.equipmentPath : "";
    if (list) {
        written += (written.empty() ? "" : " and ") + request.nameListPath;
    }
    if (request.dryRun) {
        out << "Dry run: nothing was written; the import would write " << written << ".\n";
        return 0;
    }
    writeImport(request, image.bytes(), equipment ? &equipment->bytes() : nullptr, oldList,
                list ? &list->bytes() : nullptr);
    out << "Wrote " << written << ".\n";
    return 0;
}

}  // namespace varnel::tool
