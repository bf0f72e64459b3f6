#include "import_plan.h"

#include <algorithm>
#include <utility>

#include "cell_text.h"
#include "data/error.h"
#include "data/numbers.h"
#include "data/record_layout.h"
#include "data/system_files.h"
#include "unit_findings.h"

namespace varnel::tool {
namespace {

namespace layout = data::layout;
using data::Error;

// The CSV is read in pieces of this size, never whole.
constexpr std::size_t kPieceSize = 256 * 1024;
// The fields kept of a row: more than the unit table has columns, so that a header row with a
// few wrong columns is reported in full, and few enough that a row of millions of empty fields
// costs nothing.
constexpr std::size_t kFieldLimit = 100;
// Problems listed one per line; more are counted.
constexpr std::size_t kListedLines = 100;

std::string joinedLabels() {
    std::string labels;
    for (const Column& column : unitColumns()) {
        labels += (labels.empty() ? "" : ", ") + std::string(column.label);
    }
    return labels;
}

std::string counted(std::size_t count, const std::string& thing) {
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

}  // namespace

void ImportPlan::Listing::add(std::string line) {
    if (lines.size() < kListedLines) {
        lines.push_back(std::move(line));
    }
    ++count;
}

std::string ImportPlan::Listing::text() const {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    if (count > lines.size()) {
        text += "... and " + std::to_string(count - lines.size()) + " more, not listed.\n";
    }
    return text;
}

ImportPlan::ImportPlan(const ImportRequest& request, const EquipmentImage& image,
                       const NameListImage& names)
    : request_(request), image_(image), names_(names) {}

void ImportPlan::readCsv() {
    data::SystemFiles& files = data::systemFiles();
    const std::string& path = request_.csvPath;
    const auto tooLarge = [&](const std::string& size) {
        return Error("The CSV file " + path + " is larger than the " +
                     std::to_string(kLargestCsv / (1024 * 1024)) + " MiB (" +
                     std::to_string(kLargestCsv) + " bytes) that import reads" + size +
                     ". A CSV of all the " + std::to_string(layout::kHighestStorableUnit) +
                     " units a file can hold is about 9 MB. Nothing was written.");
    };
    const std::string couldNot = "Could not read the CSV file " + path + ": ";
    const auto status = files.statusOfPath(path);
    if (status.ok() && status.value.exists && status.value.isFolder) {
        throw Error(couldNot + files.describe(data::errorIsFolder()) + ". Nothing was written.");
    }
    if (status.ok() && status.value.exists && status.value.length > kLargestCsv) {
        throw tooLarge(": it holds " + std::to_string(status.value.length) + " bytes");
    }
    const auto opened = files.open(path, data::OpenMode::ReadOnly);
    if (!opened.ok()) {
        if (opened.error == data::errorNoSuchFile()) {
            throw Error("There is no CSV file " + path + ". Check the file name.");
        }
        throw Error(couldNot + files.describe(opened.error) + ". Nothing was written.");
    }
    data::OpenHandle handle(opened.value);
    CsvReader reader([this](CsvFields fields, std::size_t count) { takeRow(fields, count); },
                     kFieldLimit);
    // Read to the end rather than to the length found: another program may change the file, and
    // a device has no length.
    const std::unique_ptr<char[]> piece(new char[kPieceSize]);
    std::int64_t offset = 0;
    for (;;) {
        const auto read = files.readAt(opened.value, piece.get(), kPieceSize, offset);
        if (!read.ok()) {
            throw Error(couldNot + files.describe(read.error) + ". Nothing was written.");
        }
        offset += static_cast<std::int64_t>(read.value);
        if (offset > kLargestCsv) {
            throw tooLarge("");
        }
        if (read.value == 0 || !reader.read(std::string_view(piece.get(), read.value))) {
            break;
        }
    }
    if (const data::SystemError error = handle.close(); error != 0) {
        throw Error(couldNot + files.describe(error) + ". Nothing was written.");
    }
    if (!reader.finish()) {
        throw Error(couldNot + reader.error() + ". Nothing was written.");
    }
    if (rows_ == 0) {
        problems_.add(path + " is empty: it has not even a header row.");
    } else if (headerRead_) {
        checkAppends();
    }
}

void ImportPlan::takeRow(CsvFields fields, std::size_t fieldCount) {
    ++rows_;
    if (rows_ == 1) {
        headerRead_ = readHeader(fields, fieldCount);
    } else if (headerRead_) {
        readRow(fields, fieldCount);
    }
}

void ImportPlan::problem(std::size_t row, std::int64_t unit, std::size_t column,
                         const std::string& reason) {
    if (rowsByUnit_) {
        problems_.add("unit " + std::to_string(unit) + ", column " + columnNames_[column] + ": " +
                      reason);
        return;
    }
    problems_.add("row " + std::to_string(row) + ", column " + columnLetter(column) + " \"" +
                  std::string(columns_[column]->label) + "\": " + reason);
}

void ImportPlan::beginUnitRows(std::vector<const Column*> columns,
                               std::vector<std::string> columnNames, std::string source) {
    rowsByUnit_ = true;
    columns_ = std::move(columns);
    columnNames_ = std::move(columnNames);
    source_ = std::move(source);
    const auto unit = std::find(columns_.begin(), columns_.end(), findColumn("Unit"));
    unitColumn_ = static_cast<std::size_t>(unit - columns_.begin());
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i]->kind == ColumnKind::ClassName ||
            columns_[i]->kind == ColumnKind::Nationality) {
            nameColumns_.push_back(i);
        }
    }
    headerRead_ = true;
    rows_ = 1;
}

void ImportPlan::takeUnitRow(CsvFields cells) {
    ++rows_;
    readRow(cells, cells.size());
}

void ImportPlan::endUnitRows() {
    checkAppends();
}

bool ImportPlan::readHeader(CsvFields header, std::size_t fieldCount) {
    const Column* unit = findColumn("Unit");
    bool unknown = false;
    for (std::size_t i = 0; i < header.size(); ++i) {
        const Column* column = findColumn(header[i]);
        const std::string where = "row 1, column " + columnLetter(i) + ": ";
        for (std::size_t j = 0; column != nullptr && j < columns_.size(); ++j) {
            if (columns_[j] == column) {
                problems_.add(where + quotedCell(header[i]) + " stands in column " +
                              columnLetter(j) + " already");
            }
        }
        if (column == nullptr) {
            problems_.add(where + quotedCell(header[i]) + " is no column of the unit table");
            unknown = true;
        }
        unitColumn_ = column == unit ? i : unitColumn_;
        if (column != nullptr &&
            (column->kind == ColumnKind::ClassName || column->kind == ColumnKind::Nationality)) {
            nameColumns_.push_back(i);
        }
        columns_.push_back(column);
    }
    if (std::find(columns_.begin(), columns_.end(), unit) == columns_.end()) {
        problems_ = {};  // the other cells of a file that is no unit table say nothing
        problems_.add("row 1: there is no \"Unit\" column, so the rows name no unit. Is " +
                      request_.csvPath + " a CSV file written by varnel-tool export?");
        return false;
    }
    if (fieldCount > header.size()) {
        problems_.add("row 1 has " + std::to_string(fieldCount) +
                      " columns, but the unit table has " + std::to_string(unitColumns().size()));
    }
    if (unknown) {
        problems_.add("The columns of the unit table are " + joinedLabels() + ".");
    }
    return problems_.count == 0;
}

void ImportPlan::readRow(CsvFields cells, std::size_t fieldCount) {
    const std::size_t rowNumber = rows_;
    if (std::all_of(cells.begin(), cells.end(), [](const auto& c) { return c.empty(); })) {
        return;  // spreadsheets write a blank row as separators alone
    }
    if (fieldCount != columns_.size()) {
        problems_.add("row " + std::to_string(rowNumber) + " has " + counted(fieldCount, "field") +
                      ", but the header row has " + std::to_string(columns_.size()));
        return;
    }
    const auto unit = data::wholeNumberFromText(cells[unitColumn_]);
    if (!unit || *unit < 0 || *unit > layout::kHighestStorableUnit) {
        problem(rowNumber, -1, unitColumn_,
                quotedCell(cells[unitColumn_]) + " is not a unit number from 0 to " +
                    std::to_string(layout::kHighestStorableUnit));
        return;
    }
    if (const std::size_t earlier = rowOf(*unit).row; earlier != 0) {
        problem(
            rowNumber, *unit, unitColumn_,
            "unit " + std::to_string(*unit) + " has a row already, row " + std::to_string(earlier));
        return;
    }
    const bool added = *unit >= image_.units();
    UnitUpdate& update = reading_;
    update.row = rowNumber;
    update.unit = *unit;
    update.name.assign(names_.nameOf(*unit));
    if (!added) {
        update.record = image_.unit(*unit);
    } else {
        // A new unit starts out empty and bears its own number, as Save writes it.
        update.record = data::Unit();
        update.record.setNumber(static_cast<std::int16_t>(*unit));
    }
    const std::string ownNumber = std::to_string(*unit);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const bool storedNumber = columns_[i]->kind == ColumnKind::Field &&
                                  columns_[i]->field->kind == data::FieldKind::Number;
        // An empty unitNumber is the unit's own number, as Save writes it.
        const std::string_view text = storedNumber && cells[i].empty() ? ownNumber : cells[i];
        if (const auto reason = applyCell(*columns_[i], text, update.record, update.name)) {
            problem(rowNumber, *unit, i, *reason);
        } else if (storedNumber && added && update.record.number() != *unit) {
            problem(rowNumber, *unit, i,
                    "a new unit bears its own number, as Create Unit gives it: write " + ownNumber +
                        " or leave the cell empty");
        }
    }
    // The names of class and nationality are checked against the codes as this row leaves them.
    for (const std::size_t i : nameColumns_) {
        // Rows named by unit come from SQL, whose columns are class and nation1 to nation4.
        static constexpr CodeColumnNames kSqlNames{"the column class",
                                                   "the columns nation1 to nation4"};
        if (const auto reason = checkNameCell(*columns_[i], cells[i], update.record,
                                              rowsByUnit_ ? kSqlNames : CodeColumnNames{})) {
            problem(rowNumber, *unit, i, *reason);
        }
    }
    const bool recordKept = !added && update.record.encodeText() == image_.record(*unit);
    const bool nameKept = !added && update.name == names_.nameOf(*unit);
    checkFindings(*unit, update, recordKept, nameKept);
    const auto index = static_cast<std::size_t>(*unit);
    if (index >= unitRows_.size()) {
        unitRows_.resize(index + 1);
    }
    unitRows_[index].row = rowNumber;
    if (!recordKept || !nameKept) {
        unitRows_[index].update = updates_.size();
        updates_.push_back(update);
    }
}

ImportPlan::UnitRow ImportPlan::rowOf(std::int64_t unit) const {
    const auto index = static_cast<std::size_t>(unit);
    return index < unitRows_.size() ? unitRows_[index] : UnitRow();
}

const ImportPlan::UnitUpdate* ImportPlan::updateOf(std::int64_t unit) const {
    const std::size_t update = rowOf(unit).update;
    return update < updates_.size() ? &updates_[update] : nullptr;
}

// A value that check reports is written only where the unit held it already: an unchanged
// round trip of a file with such values goes through, a new one is refused. A record or a name
// left as it was holds every finding it had, so only what changed is looked at; the findings of
// the record and of the name concern different fields.
void ImportPlan::checkFindings(std::int64_t unit, const UnitUpdate& update, bool recordKept,
                               bool nameKept) {
    if (recordKept && nameKept) {
        return;
    }
    const bool added = unit >= image_.units();
    std::vector<UnitFinding> before;
    if (!added) {
        if (!recordKept) {
            before = recordFindings(unit, image_.unit(unit));
        }
        if (!nameKept) {
            for (UnitFinding& finding : nameFindings(names_.nameOf(unit), unit == 0)) {
                before.push_back(std::move(finding));
            }
        }
    }
    std::vector<UnitFinding> after;
    if (!recordKept) {
        after = recordFindings(unit, update.record);
    }
    if (!nameKept) {
        for (UnitFinding& finding : nameFindings(update.name, unit == 0)) {
            after.push_back(std::move(finding));
        }
    }
    for (const UnitFinding& finding : after) {
        const bool held = std::any_of(before.begin(), before.end(), [&](const UnitFinding& old) {
            return old.field == finding.field && old.value == finding.value;
        });
        if (held) {
            continue;
        }
        std::string line = (rowsByUnit_ ? "" : "row " + std::to_string(update.row) + ", ") +
                           "unit " + std::to_string(unit) + ": " +
                           (finding.field == "Name" ? "the name" : "") + finding.words;
        if (request_.force) {
            forced_.add(std::move(line));
        } else {
            problems_.add(std::move(line));
            ++refusedFindings_;
        }
    }
}

void ImportPlan::checkAppends() {
    const std::int64_t units = image_.units();
    const std::string range = "the file holds units 0 to " + std::to_string(units - 1) +
                              ", and a new unit must take the next number, ";
    const bool shortEnd =
        image_.fragmentSize() > 0 ||
        static_cast<std::int64_t>(image_.unit(units - 1).storedSize()) < layout::kRecordSize;
    for (auto unit = units; unit < static_cast<std::int64_t>(unitRows_.size()); ++unit) {
        const UnitUpdate* const found = updateOf(unit);  // every row of a new unit changes it
        if (found == nullptr) {
            continue;
        }
        const UnitUpdate& update = *found;
        if (unit != units + appended_) {
            problem(update.row, unit, unitColumn_,
                    "there is no unit " + std::to_string(unit) + ": " + range +
                        std::to_string(units + appended_));
        } else if (shortEnd) {
            problem(update.row, unit, unitColumn_,
                    "no unit can be added: the file ends in a short record or in stray bytes "
                    "(varnel-tool check tells more)");
        } else if (image_.unitCounter() + appended_ >= layout::kHighestStorableUnit) {
            problem(update.row, unit, unitColumn_,
                    "no unit can be added: the unit counter of the file would pass " +
                        std::to_string(layout::kHighestStorableUnit));
        } else {
            ++appended_;
        }
    }
}

std::optional<std::string> ImportPlan::refusal() const {
    if (problems_.count == 0) {
        return std::nullopt;
    }
    std::string message = problems_.text() +
                          "Nothing was written: " + (rowsByUnit_ ? source_ : request_.csvPath) +
                          " has " + counted(problems_.count, "problem") + ".";
    if (refusedFindings_ > 0) {
        message += ' ';
        message += std::to_string(refusedFindings_) +
                   (refusedFindings_ == 1 ? " is a value" : " are values") +
                   " that varnel-tool check reports, which the unit did not hold before; "
                   "--force writes such values anyway";
        // --force does not get past the other problems: say so, or it is tried in vain.
        message +=
            refusedFindings_ < problems_.count ? ", once the other problems are mended." : ".";
    }
    return message;
}

std::string ImportPlan::forcedFindings() const {
    return forced_.text();
}

std::optional<EquipmentImage> ImportPlan::newEquipmentFile() const {
    std::optional<EquipmentImage> image;
    for (std::size_t unit = 0; unit < unitRows_.size(); ++unit) {
        const auto number = static_cast<std::int64_t>(unit);
        const UnitUpdate* const update = updateOf(number);
        if (update == nullptr ||
            (number < image_.units() && update->record.encodeText() == image_.record(number))) {
            continue;  // no row, or one that changes the name alone
        }
        if (!image) {
            image = image_;
        }
        image->put(number, update->record);  // new units in unit order, right after the last record
    }
    if (image && appended_ > 0) {
        image->setUnitCounter(static_cast<std::int16_t>(image_.unitCounter() + appended_));
    }
    return image;
}

// One line per unit, each ended by CR LF, as the editor's Save rewrites the list.
std::optional<std::string> ImportPlan::newNameList() const {
    bool changed = appended_ > 0;
    for (std::size_t unit = 0; !changed && unit < unitRows_.size(); ++unit) {
        const UnitUpdate* const update = updateOf(static_cast<std::int64_t>(unit));
        changed =
            update != nullptr && update->name != names_.nameOf(static_cast<std::int64_t>(unit));
    }
    if (!changed) {
        return std::nullopt;
    }
    std::string list;
    list.reserve(names_.bytes().size() + 2 * static_cast<std::size_t>(image_.units() + appended_));
    for (std::int64_t unit = 0; unit < image_.units() + appended_; ++unit) {
        const UnitUpdate* const update = updateOf(unit);
        list += update != nullptr ? std::string_view(update->name) : names_.nameOf(unit);
        list += "\r\n";
    }
    return list;
}

}  // namespace varnel::tool
