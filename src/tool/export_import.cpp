#include <algorithm>
#include <map>
#include <optional>
#include <ostream>

#include "csv_table.h"
#include "data/error.h"
#include "data/name_list.h"
#include "data/numbers.h"
#include "data/record_layout.h"
#include "data/system_files.h"
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

std::string joinedLabels() {
    std::string labels;
    for (const Column& column : unitColumns()) {
        labels += (labels.empty() ? "" : ", ") + std::string(column.label);
    }
    return labels;
}

// What one row of the CSV makes of a unit.
struct UnitUpdate {
    std::size_t row;  // in the spreadsheet, the header being row 1
    std::string record;
    std::string name;
};

class ImportPlan {
  public:
    ImportPlan(const ImportRequest& request, const EquipmentImage& image, const NameList& names)
        : request_(request), image_(image), names_(names) {}

    // Checks every cell of the table; the problems found, in plain words.
    std::vector<std::string> read(const std::vector<CsvRow>& rows);
    std::string newEquipmentFile() const;
    std::optional<std::string> newNameList() const;

  private:
    void problem(std::size_t row, std::size_t column, const std::string& reason) {
        problems_.push_back("row " + std::to_string(row) + ", column " + columnLetter(column) +
                            " \"" + std::string(columns_[column]->label) + "\": " + reason);
    }
    bool readHeader(const CsvRow& header);
    void readRow(std::size_t rowNumber, const CsvRow& cells);
    void checkAppends();

    const ImportRequest& request_;
    const EquipmentImage& image_;
    const NameList& names_;
    std::vector<const Column*> columns_;
    std::size_t unitColumn_ = 0;
    std::map<std::int64_t, UnitUpdate> updates_;
    std::int64_t appended_ = 0;
    std::vector<std::string> problems_;
};

bool ImportPlan::readHeader(const CsvRow& header) {
    const Column* unit = findColumn("Unit");
    bool unknown = false;
    for (std::size_t i = 0; i < header.size(); ++i) {
        const Column* column = findColumn(header[i]);
        const std::string where = "row 1, column " + columnLetter(i) + ": ";
        for (std::size_t j = 0; column != nullptr && j < columns_.size(); ++j) {
            if (columns_[j] == column) {
                problems_.push_back(where + "\"" + header[i] + "\" stands in column " +
                                    columnLetter(j) + " already");
            }
        }
        if (column == nullptr) {
            problems_.push_back(where + "\"" + header[i] + "\" is no column of the unit table");
            unknown = true;
        }
        unitColumn_ = column == unit ? i : unitColumn_;
        columns_.push_back(column);
    }
    if (std::find(columns_.begin(), columns_.end(), unit) == columns_.end()) {
        problems_.clear();  // the other cells of a file that is no unit table say nothing
        problems_.push_back("row 1: there is no \"Unit\" column, so the rows name no unit. Is " +
                            request_.csvPath + " a CSV file written by varnel-tool export?");
        return false;
    }
    if (unknown) {
        problems_.push_back("The columns of the unit table are " + joinedLabels() + ".");
    }
    return problems_.empty();
}

void ImportPlan::readRow(std::size_t rowNumber, const CsvRow& cells) {
    if (std::all_of(cells.begin(), cells.end(), [](const auto& c) { return c.empty(); })) {
        return;  // spreadsheets write a blank row as separators alone
    }
    if (cells.size() != columns_.size()) {
        problems_.push_back("row " + std::to_string(rowNumber) + " has " +
                            std::to_string(cells.size()) +
                            (cells.size() == 1 ? " field" : " fields") +
                            ", but the header row has " + std::to_string(columns_.size()));
        return;
    }
    const auto unit = data::wholeNumberFromText(cells[unitColumn_]);
    if (!unit || *unit < 0 || *unit > INT16_MAX) {
        problem(rowNumber, unitColumn_,
                "\"" + cells[unitColumn_] + "\" is not a unit number from 0 to 32767");
        return;
    }
    if (const auto earlier = updates_.find(*unit); earlier != updates_.end()) {
        problem(rowNumber, unitColumn_,
                "unit " + std::to_string(*unit) + " has a row already, row " +
                    std::to_string(earlier->second.row));
        return;
    }
    const bool added = *unit >= image_.units();
    UnitUpdate update{rowNumber, {}, std::string(names_.nameOf(*unit))};
    if (!added) {
        update.record = std::string(image_.record(*unit));
    } else {
        // A new unit starts out empty and bears its own number, as Save writes it.
        update.record.assign(layout::kRecordSize, '\0');
        const auto number = static_cast<std::uint16_t>(*unit);
        update.record[0] = static_cast<char>(number & 0xFF);
        update.record[1] = static_cast<char>(number >> 8);
    }
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const bool storedNumber = columns_[i]->kind == ColumnKind::StoredNumber;
        // An empty unitNumber is the unit's own number, as Save writes it.
        const std::string& text = storedNumber && cells[i].empty() ? cells[unitColumn_] : cells[i];
        if (const auto reason = applyCell(*columns_[i], text, update.record, update.name)) {
            problem(rowNumber, i, *reason);
        } else if (storedNumber && added && wordAt(update.record, 0) != *unit) {
            problem(rowNumber, i,
                    "a new unit bears its own number, as Create Unit gives it: write " +
                        cells[unitColumn_] + " or leave the cell empty");
        }
    }
    // The names of class and nationality are checked against the codes as this row leaves them.
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (const auto reason = checkNameCell(*columns_[i], cells[i], update.record)) {
            problem(rowNumber, i, *reason);
        }
    }
    updates_.emplace(*unit, std::move(update));
}

void ImportPlan::checkAppends() {
    const std::int64_t units = image_.units();
    const std::string range = "the file holds units 0 to " + std::to_string(units - 1) +
                              ", and a new unit must take the next number, ";
    const bool shortEnd =
        image_.fragmentSize() > 0 ||
        static_cast<std::int64_t>(image_.record(units - 1).size()) < layout::kRecordSize;
    for (auto it = updates_.lower_bound(units); it != updates_.end(); ++it) {
        const UnitUpdate& update = it->second;
        if (it->first != units + appended_) {
            problem(update.row, unitColumn_,
                    "there is no unit " + std::to_string(it->first) + ": " + range +
                        std::to_string(units + appended_));
        } else if (shortEnd) {
            problem(update.row, unitColumn_,
                    "no unit can be added: the file ends in a short record or in stray bytes "
                    "(varnel-tool check tells more)");
        } else if (image_.unitCounter() + appended_ >= INT16_MAX) {
            problem(update.row, unitColumn_,
                    "no unit can be added: the unit counter of the file would pass 32767");
        } else {
            ++appended_;
        }
    }
}

std::vector<std::string> ImportPlan::read(const std::vector<CsvRow>& rows) {
    if (rows.empty()) {
        problems_.push_back(request_.csvPath + " is empty: it has not even a header row.");
        return problems_;
    }
    if (!readHeader(rows[0])) {
        return problems_;
    }
    for (std::size_t i = 1; i < rows.size(); ++i) {
        readRow(i + 1, rows[i]);
    }
    checkAppends();
    return problems_;
}

std::string ImportPlan::newEquipmentFile() const {
    std::string bytes = image_.bytes();
    for (const auto& [unit, update] : updates_) {
        const auto start = static_cast<std::size_t>(layout::fileOffset(unit, 0));
        if (unit < image_.units()) {
            bytes.replace(start, update.record.size(), update.record);
        } else {
            bytes += update.record;  // in unit order, right after the last record
        }
    }
    if (appended_ > 0) {
        const auto counter = static_cast<std::uint16_t>(image_.unitCounter() + appended_);
        bytes[0] = static_cast<char>(counter & 0xFF);
        bytes[1] = static_cast<char>(counter >> 8);
    }
    return bytes;
}

// The new list when a name changes or units are added: one line per unit, each ended by CR LF,
// as the editor's Save rewrites it. nullopt when the list can stay as it is.
std::optional<std::string> ImportPlan::newNameList() const {
    bool changed = appended_ > 0;
    for (const auto& [unit, update] : updates_) {
        changed = changed || update.name != names_.nameOf(unit);
    }
    if (!changed) {
        return std::nullopt;
    }
    std::string list;
    for (std::int64_t unit = 0; unit < image_.units() + appended_; ++unit) {
        const auto update = updates_.find(unit);
        list +=
            update != updates_.end() ? std::string_view(update->second.name) : names_.nameOf(unit);
        list += "\r\n";
    }
    return list;
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
    std::vector<std::string> cells;
    for (const Column& column : unitColumns()) {
        cells.emplace_back(column.label);
    }
    std::string csv = csvLine(cells);
    for (std::int64_t unit = 0; unit < image.units(); ++unit) {
        cells.clear();
        for (const Column& column : unitColumns()) {
            cells.push_back(cellText(column, unit, image.record(unit), names.nameOf(unit)));
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
    const CsvTable table = parseCsvTable(readWholeFile(request.csvPath, "CSV file"));
    if (!table.error.empty()) {
        throw Error("Could not read the CSV file " + request.csvPath + ": " + table.error +
                    ". Nothing was written.");
    }

    ImportPlan plan(request, image, names);
    const std::vector<std::string> problems = plan.read(table.rows);
    if (!problems.empty()) {
        std::string message;
        for (const std::string& problem : problems) {
            message += problem + "\n";
        }
        throw Error(message + "Nothing was written: " + request.csvPath + " has " +
                    std::to_string(problems.size()) +
                    (problems.size() == 1 ? " problem." : " problems."));
    }

    const std::string newBytes = plan.newEquipmentFile();
    std::optional<std::string> equipment;
    if (newBytes != image.bytes()) {
        equipment = newBytes;
    }
    const std::optional<std::string> list = plan.newNameList();
    const NameList newNames = list ? NameList::fromBytes(*list) : names;
    printDifferences(out, differences(image, EquipmentImage(newBytes), &names, &newNames));
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
