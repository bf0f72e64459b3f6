#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "csv_table.h"
#include "data/equipment_image.h"
#include "data/name_list_image.h"
#include "data/unit_record.h"
#include "tool_commands.h"
#include "unit_columns.h"

// What an import will write, built from the CSV's rows one at a time: every cell checked by the
// rules of the window's Save, and every value that check would report refused unless the unit
// held it already (or --force is given).
namespace varnel::tool {

// The largest CSV that import reads. A file of all the units a file can hold exports to about
// 9 MB; the bound keeps a wrong or hostile file from taking the machine's memory.
inline constexpr std::int64_t kLargestCsv = 64 * 1024 * 1024;

class ImportPlan {
  public:
    ImportPlan(const ImportRequest& request, const EquipmentImage& image,
               const NameListImage& names);

    // Reads the CSV file named in the request, a piece at a time, into the plan. Throws
    // data::Error when the file is larger than kLargestCsv, cannot be read, or is no CSV.
    void readCsv();

    // Rows that come from elsewhere than a CSV file (the result of SQL statements, a patch): the
    // columns, each under the name its source gives it, then one row per unit, in unit order,
    // with the "Unit" column among them. Problems name the unit and the column rather than a
    // row; source names what the rows come from in the closing line ("the statements").
    void beginUnitRows(std::vector<const Column*> columns, std::vector<std::string> columnNames,
                       std::string source);
    void takeUnitRow(CsvFields cells);
    void endUnitRows();

    // Why the import may not write, one problem per line with its row and column, and the
    // closing line that says nothing was written; nullopt when every row can be written. Of
    // very many problems the first are listed and the rest counted.
    std::optional<std::string> refusal() const;
    // The values that check will report, written because of --force; one per line, empty when
    // there are none.
    std::string forcedFindings() const;

    // The new file when a record changes or units are added; nullopt when it can stay as it is.
    std::optional<EquipmentImage> newEquipmentFile() const;
    // The new list when a name changes or units are added; nullopt when it can stay as it is.
    std::optional<std::string> newNameList() const;

  private:
    // What one row of the CSV makes of a unit.
    struct UnitUpdate {
        std::size_t row;  // in the spreadsheet, the header being row 1
        std::int64_t unit;
        data::Unit record;
        std::string name;
    };
    // A unit's row, and its update when the row changes the unit (or adds it).
    struct UnitRow {
        std::size_t row = 0;  // 0: none
        std::size_t update = SIZE_MAX;
    };
    // Lines of a listing that may grow with the input: the first ones kept, the rest counted.
    struct Listing {
        std::vector<std::string> lines;
        std::size_t count = 0;
        void add(std::string line);
        std::string text() const;  // the lines kept, each ended by a line break
    };

    void takeRow(CsvFields fields, std::size_t fieldCount);
    // A problem of a cell; unit is -1 while the row's unit is not known.
    void problem(std::size_t row, std::int64_t unit, std::size_t column, const std::string& reason);
    bool readHeader(CsvFields header, std::size_t fieldCount);
    void readRow(CsvFields cells, std::size_t fieldCount);
    void checkFindings(std::int64_t unit, const UnitUpdate& update, bool recordKept, bool nameKept);
    void checkAppends();
    // The row of unit, and what it changes.
    UnitRow rowOf(std::int64_t unit) const;
    const UnitUpdate* updateOf(std::int64_t unit) const;

    const ImportRequest& request_;
    const EquipmentImage& image_;
    const NameListImage& names_;
    std::size_t rows_ = 0;
    bool headerRead_ = false;
    std::vector<const Column*> columns_;
    // Rows named by their unit, and their columns by these names; empty for a CSV file.
    bool rowsByUnit_ = false;
    std::vector<std::string> columnNames_;
    std::string source_;
    std::size_t unitColumn_ = 0;
    std::vector<std::size_t> nameColumns_;  // the class name and nationality, checked last
    // The rows by unit, and the updates of the units they change, in row order: a row that
    // leaves its unit as it is costs no copy of it.
    std::vector<UnitRow> unitRows_;
    std::vector<UnitUpdate> updates_;
    UnitUpdate reading_;  // the row being read
    std::int64_t appended_ = 0;
    Listing problems_;
    std::size_t refusedFindings_ = 0;
    Listing forced_;
};

}  // namespace varnel::tool
