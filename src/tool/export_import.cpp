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

bool sameFile(const std::string& a, const std::string& b) {
    const auto first = data::systemFiles().statusOfPath(a);
    const auto second = data::systemFiles().statusOfPath(b);
    return first.ok() && second.ok() && first.value.exists && second.value.exists &&
           first.value.identity == second.value.identity;
}

void writeImport(const ImportRequest& request, const std::string& oldEquipment,
                 const std::optional<std::string>& equipment, const std::string& oldList,
                 const std::optional<std::string>& list) {
    if (equipment) {
        requireWritableFile(request.equipmentPath, "equipment file");
    }
    if (list) {
        requireWritableFile(request.nameListPath, "name list");
        if (data::fileNameOf(request.nameListPath) == data::kTemporaryFileName) {
            throw Error(std::string("The name list cannot be called \"") +
                        data::kTemporaryFileName +
                        "\": that name is kept for the temporary copy of the list. Nothing was "
                        "written.");
        }
    }
    // The editor, or anything else, may have written either file since they were read.
    if ((equipment && readWholeFile(request.equipmentPath, "equipment file") != oldEquipment) ||
        (list && readWholeFile(request.nameListPath, "name list") != oldList)) {
        throw Error(
            "The equipment file or the name list was changed by another program while "
            "the CSV was read. Nothing was written; run the import again.");
    }
    // Both new files are complete on disk before either takes its file's place.
    std::optional<StagedFile> newEquipment, newList;
    if (equipment) {
        newEquipment.emplace(request.equipmentPath, temporaryPathBeside(request.equipmentPath),
                             *equipment);
    }
    if (list) {
        newList.emplace(request.nameListPath, data::temporaryPathFor(request.nameListPath), *list);
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
                replaceWholeFile(request.equipmentPath, oldEquipment);
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
        saveFolderOf(request.equipmentPath);
    }
    if (newList) {
        saveFolderOf(request.nameListPath);
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
    if (sameFile(request.outputPath, request.equipmentPath) ||
        sameFile(request.outputPath, request.nameListPath)) {
        throw Error("The CSV file " + request.outputPath +
                    " would take the place of a game file. Nothing was written.");
    }
    replaceWholeFile(request.outputPath, csv);
    return 0;
}

int importUnits(const ImportRequest& request, std::ostream& out) {
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
