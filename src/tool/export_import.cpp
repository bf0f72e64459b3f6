#include <algorithm>
#include <map>
#include <optional>
#include <ostream>

#include "cell_text.h"
#include "csv_table.h"
#include "data/error.h"
#include "data/name_list.h"
#include "data/numbers.h"
#include "data/record_layout.h"
#include "data/system_files.h"
#include "import_plan.h"
#include "tool_commands.h"
#include "whole_files.h"

namespace varnel::tool {
namespace {

namespace layout = data::layout;
using data::Error;

void writeImport(const ImportRequest& request, const std::string& oldEquipment,
                 const std::optional<std::string>& equipment, const std::string& oldList,
                 const std::optional<std::string>& list) {
    // The editor, or anything else, may have written either file since they were read.
    if ((equipment && readWholeFile(request.equipmentPath, "equipment file") != oldEquipment) ||
        (list && readWholeFile(request.nameListPath, "name list") != oldList)) {
        throw Error(
            "The equipment file or the name list was changed by another program while "
            "the CSV was read. Nothing was written; run the import again.");
    }
    // Both new files are complete on disk before either takes its file's place.
    std::optional<data::FileReplacement> newEquipment, newList;
    if (equipment) {
        newEquipment.emplace(request.equipmentPath, *equipment, rulesForFile("the equipment file"));
    }
    if (list) {
        newList.emplace(request.nameListPath, *list, rulesForNameList());
    }
    if (newEquipment) {
        newEquipment->commit();
    }
    if (newList) {
        try {
            newList->commit();
        } catch (const Error& error) {
            if (!newEquipment) {
                throw;
            }
            std::string message = error.what();
            try {
                data::replaceFile(request.equipmentPath, oldEquipment,
                                  rulesForFile("the equipment file"));
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
}

}  // namespace

int exportUnits(const ExportRequest& request, std::ostream& out) {
    const EquipmentImage image = EquipmentImage::load(request.equipmentPath);
    const NameList names = NameList::load(request.nameListPath);
    // On a terminal the CSV is there to be read, and a name's control characters are shown
    // rather than obeyed; to a file or a pipe it goes byte for byte, for import to read back.
    const bool toTerminal = request.outputPath.empty() && data::systemFiles().outputIsTerminal();
    std::vector<std::string> cells;
    for (const Column& column : unitColumns()) {
        cells.emplace_back(column.label);
    }
    std::string csv = csvLine(cells);
    for (std::int64_t unit = 0; unit < image.units(); ++unit) {
        cells.clear();
        for (const Column& column : unitColumns()) {
            const std::string cell = cellText(column, unit, image.record(unit), names.nameOf(unit));
            cells.push_back(toTerminal ? shownText(cell) : cell);
        }
        csv += csvLine(cells);
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
    const EquipmentImage image = EquipmentImage::load(request.equipmentPath);
    const std::string oldList = readWholeFile(request.nameListPath, "name list");
    const NameList names = NameList::fromBytes(oldList);
    ImportPlan plan(request, image, names);
    plan.readCsv();
    if (const auto refusal = plan.refusal()) {
        throw Error(*refusal);
    }

    const std::string newBytes = plan.newEquipmentFile();
    std::optional<std::string> equipment;
    if (newBytes != image.bytes()) {
        equipment = newBytes;
    }
    const std::optional<std::string> list = plan.newNameList();
    const NameList newNames = list ? NameList::fromBytes(*list) : names;
    printDifferences(out, differences(image, EquipmentImage(newBytes), &names, &newNames));
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
    writeImport(request, image.bytes(), equipment, oldList, list);
    out << "Wrote " << written << ".\n";
    return 0;
}

}  // namespace varnel::tool
