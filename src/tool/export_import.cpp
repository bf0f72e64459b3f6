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
#include "unit_writing.h"
#include "whole_files.h"

namespace varnel::tool {

using data::Error;

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
    // Each file in its one role: a list written over the CSV, or a CSV that is a game file,
    // would destroy it.
    requireSeparateFiles(request.nameListPath, "the name list", request.csvPath, "the CSV file");
    requireSeparateFiles(request.csvPath, "the CSV file", request.equipmentPath,
                         "the equipment file");
    // One writer at a time, from the first read to the last rename.
    const LockedUnitFiles files(request.equipmentPath, request.nameListPath, out);
    ImportPlan plan(request, files.image(), files.names());
    plan.readCsv();
    if (const auto refusal = plan.refusal()) {
        throw Error(*refusal);
    }
    const ChangeOutcome outcome = showAndWrite(
        files, {plan.newEquipmentFile(), plan.newNameList(), plan.forcedFindings()}, request.dryRun,
        "the import", "import of " + data::fileNameOf(request.csvPath), out);
    if (outcome == ChangeOutcome::NothingToChange) {
        out << "Nothing to change: " << request.equipmentPath << " and " << request.nameListPath
            << " already hold what " << request.csvPath << " says.\n";
    }
    return 0;
}

}  // namespace varnel::tool
