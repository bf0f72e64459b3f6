// Mass edits in SQL: every unit a row of an in-memory SQLite table, the user's statements run on
// it, and the rows they changed written back through import's rules and write path.
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cell_text.h"
#include "csv_table.h"
#include "data/code_tables.h"
#include "data/error.h"
#include "data/record_layout.h"
#include "data/system_files.h"
#include "import_plan.h"
#include "tool_commands.h"
#include "unit_columns.h"
#include "unit_writing.h"

namespace varnel::tool {
namespace {

using data::Error;
using data::FieldKind;

// SQLite may take this much memory at most: the table of all the units a file can hold takes
// some 20 MB, and a runaway statement stops here rather than at the machine's end.
constexpr sqlite3_int64 kHeapLimit = 1024LL * 1024 * 1024;

// A column of the table: the unit table's column under its name in SQL style.
struct SqlColumn {
    const Column* column;
    std::string name;
    const char* type;
};

// "Air Att" -> air_att, "Gr.Def" -> gr_def, "unitNumber" -> unit_number, "Class name" ->
// class_name, "RangeM" -> range_m.
std::string sqlName(std::string_view label) {
    std::string name;
    bool gap = false;
    for (std::size_t i = 0; i < label.size(); ++i) {
        const char c = label[i];
        const bool upper = c >= 'A' && c <= 'Z', lower = c >= 'a' && c <= 'z';
        if (!upper && !lower && !(c >= '0' && c <= '9')) {
            gap = !name.empty();
            continue;
        }
        if (gap || (upper && i > 0 && label[i - 1] >= 'a' && label[i - 1] <= 'z')) {
            name += '_';
        }
        gap = false;
        name += upper ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return name;
}

const std::vector<SqlColumn>& sqlColumns() {
    static const std::vector<SqlColumn> all = [] {
        std::vector<SqlColumn> columns;
        for (const Column& column : unitColumns()) {
            const char* type = "INTEGER";
            if (column.kind == ColumnKind::Name || column.kind == ColumnKind::ClassName ||
                column.kind == ColumnKind::Nationality) {
                type = "TEXT";
            } else if (column.kind == ColumnKind::Unassigned) {
                type = "BLOB";
            }
            columns.push_back({&column, sqlName(column.label), type});
        }
        return columns;
    }();
    return all;
}

std::size_t columnIndex(ColumnKind kind, FieldKind field = FieldKind::Unassigned) {
    const auto& columns = sqlColumns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].column->kind == kind &&
            (kind != ColumnKind::Field || columns[i].column->field->kind == field)) {
            return i;
        }
    }
    return columns.size();
}

std::vector<std::size_t> nationColumns() {
    std::vector<std::size_t> found;
    const auto& columns = sqlColumns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].column->kind == ColumnKind::Field &&
            columns[i].column->field->kind == FieldKind::Nationality) {
            found.push_back(i);
        }
    }
    return found;
}

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

// What the statements may do: read and change the units' values, add units, and keep tables of
// their own. What would remove or renumber a unit, touch a file or change the table's shape is
// refused before it runs, with the reason kept for the message.
struct Guard {
    std::string refusal;
};

bool is(const char* text, const char* expected) {
    return text != nullptr && std::strcmp(text, expected) == 0;
}

int authorize(void* context, int action, const char* first, const char* second,
              const char* database, const char* /*trigger*/) {
    std::string& refusal = static_cast<Guard*>(context)->refusal;
    const bool main = database == nullptr || is(database, "main");
    switch (action) {
        case SQLITE_DELETE:
            if (main && is(first, "units")) {
                refusal =
                    "DELETE is refused: a unit cannot be taken out of the equipment file, since "
                    "the game knows every unit after it by its place in the file.";
                return SQLITE_DENY;
            }
            return SQLITE_OK;
        case SQLITE_UPDATE:
            if (main && is(first, "units") && is(second, "unit")) {
                refusal =
                    "Changing the column unit is refused: it is the unit's place in the file, "
                    "and units cannot be renumbered.";
                return SQLITE_DENY;
            }
            return SQLITE_OK;
        case SQLITE_DROP_TABLE:
        case SQLITE_ALTER_TABLE:
            if (is(first, "units") || is(second, "units")) {
                refusal = "The table units cannot be dropped, renamed or altered.";
                return SQLITE_DENY;
            }
            return SQLITE_OK;
        case SQLITE_TRANSACTION:
        case SQLITE_SAVEPOINT:
            refusal =
                "BEGIN, COMMIT, ROLLBACK and SAVEPOINT are refused: the statements are one "
                "change, written when all of them have run and refused as a whole when one "
                "fails (--dry-run shows what they would write).";
            return SQLITE_DENY;
        case SQLITE_ATTACH:
        case SQLITE_DETACH:
            refusal =
                "ATTACH and DETACH are refused: the statements work on the units alone "
                "and open no file.";
            return SQLITE_DENY;
        case SQLITE_PRAGMA:
            if (is(first, "table_info") || is(first, "table_xinfo") || is(first, "table_list")) {
                return SQLITE_OK;
            }
            refusal = "PRAGMA " + std::string(first != nullptr ? first : "") +
                      " is refused; PRAGMA table_info(units) lists the columns.";
            return SQLITE_DENY;
        case SQLITE_DROP_VTABLE:
            refusal = "The table units cannot be dropped, renamed or altered.";
            return SQLITE_DENY;
        case SQLITE_CREATE_VTABLE:
            refusal = "Virtual tables are refused.";
            return SQLITE_DENY;
        case SQLITE_FUNCTION:
            if (is(second, "load_extension")) {
                refusal = "load_extension is refused.";
                return SQLITE_DENY;
            }
            return SQLITE_OK;
        default:
            return SQLITE_OK;
    }
}

// A statement's text for a message: its first line, cut short, "..." marking what is left out.
std::string shownStatement(std::string_view text) {
    text = text.substr(0, text.find(';'));
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    const std::size_t cut = std::min(text.find_first_of("\r\n"), std::size_t{60});
    std::string shown(text.substr(0, cut));
    if (shown.size() < text.size()) {
        shown += "...";
    }
    return "\"" + shownText(shown) + "\"";
}

// A value of the table as the unit table's cell: numbers as decimal text, a fraction as its
// shortest exact decimal (which the cost rounds down to a multiple of 12 and any other field
// refuses), text as it is, NULL empty, a blob as bytes in hex.
void appendValue(std::string& cell, sqlite3_value* value) {
    switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER: {
            char digits[24];
            const auto end =
                std::to_chars(digits, digits + sizeof digits, sqlite3_value_int64(value)).ptr;
            cell.append(digits, end);
            break;
        }
        case SQLITE_FLOAT: {
            const double number = sqlite3_value_double(value);
            char digits[40];
            const bool whole =
                std::isfinite(number) && std::fabs(number) < 9.0e15 && number == std::floor(number);
            const auto end = whole ? std::to_chars(digits, digits + sizeof digits,
                                                   static_cast<long long>(number))
                                         .ptr
                                   : std::to_chars(digits, digits + sizeof digits, number).ptr;
            cell.append(digits, end);
            break;
        }
        case SQLITE_TEXT:
            cell.append(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                        static_cast<std::size_t>(sqlite3_value_bytes(value)));
            break;
        case SQLITE_BLOB: {
            const auto* bytes = static_cast<const unsigned char*>(sqlite3_value_blob(value));
            const int size = sqlite3_value_bytes(value);
            for (int i = 0; i < size; ++i) {
                if (i > 0) {
                    cell += ' ';
                }
                cell += "0123456789ABCDEF"[bytes[i] >> 4];
                cell += "0123456789ABCDEF"[bytes[i] & 0xF];
            }
            break;
        }
        default:
            break;
    }
}

bool isTextColumn(const Column& column) {
    return column.kind == ColumnKind::Name || column.kind == ColumnKind::ClassName ||
           column.kind == ColumnKind::Nationality;
}

// The rows of a statement's result, shown when it is done.
class ResultTable {
  public:
    ResultTable(sqlite3_stmt* statement, bool csv)
        : csv_(csv), toTerminal_(data::systemFiles().outputIsTerminal()) {
        const int count = sqlite3_column_count(statement);
        std::vector<std::string> header;
        for (int i = 0; i < count; ++i) {
            header.emplace_back(sqlite3_column_name(statement, i));
        }
        numeric_.assign(header.size(), true);
        add(std::move(header), nullptr);
    }

    void addRow(sqlite3_stmt* statement) {
        std::vector<std::string> cells(numeric_.size());
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const int type = sqlite3_column_type(statement, static_cast<int>(i));
            appendValue(cells[i], sqlite3_column_value(statement, static_cast<int>(i)));
            numeric_[i] = numeric_[i] &&
                          (type == SQLITE_INTEGER || type == SQLITE_FLOAT || type == SQLITE_NULL);
        }
        add(std::move(cells), statement);
    }

    void print(std::ostream& out) const {
        if (csv_) {
            for (const auto& row : rows_) {
                out << csvLine(row);
            }
            return;
        }
        std::vector<std::size_t> widths(numeric_.size(), 0);
        for (const auto& row : rows_) {
            for (std::size_t i = 0; i < row.size(); ++i) {
                widths[i] = std::max(widths[i], shownWidth(row[i]));
            }
        }
        for (std::size_t r = 0; r < rows_.size(); ++r) {
            std::string line;
            for (std::size_t i = 0; i < rows_[r].size(); ++i) {
                const std::string& cell = rows_[r][i];
                const std::size_t pad = widths[i] - shownWidth(cell);
                const bool right = numeric_[i] && r > 0;
                line += i == 0 ? "" : "  ";
                line += right ? std::string(pad, ' ') + cell : cell;
                if (!right && i + 1 < rows_[r].size()) {
                    line.append(pad, ' ');
                }
            }
            out << line << "\n";
            if (r == 0) {
                std::string rule;
                for (std::size_t i = 0; i < widths.size(); ++i) {
                    rule += (i == 0 ? "" : "  ") + std::string(widths[i], '-');
                }
                out << rule << "\n";
            }
        }
        const std::size_t count = rows_.size() - 1;
        out << "(" << count << (count == 1 ? " row)\n" : " rows)\n");
    }

  private:
    // Cells as they are shown: on a terminal, a name's control characters shown rather than
    // obeyed; in CSV, a text that a spreadsheet would take for a formula kept as text.
    void add(std::vector<std::string> cells, sqlite3_stmt* statement) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const bool text = statement != nullptr &&
                              sqlite3_column_type(statement, static_cast<int>(i)) == SQLITE_TEXT;
            if (csv_ && text) {
                cells[i] = guardedCell(cells[i]);
            }
            if (!csv_ || toTerminal_) {
                cells[i] = shownText(cells[i]);
            }
        }
        rows_.push_back(std::move(cells));
    }

    // The characters of UTF-8 text, which a terminal shows one column each for the names here.
    static std::size_t shownWidth(std::string_view text) {
        return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    }

    bool csv_, toTerminal_;
    std::vector<bool> numeric_;
    std::vector<std::vector<std::string>> rows_;
};

// The table units: a virtual table over the equipment file and the name list as they were read,
// so that nothing is copied. A row the statements update or add is kept as the values they gave
// it; every other row is read from the files' bytes when a statement asks for it.
class UnitTable {
  public:
    UnitTable(const data::EquipmentImage& image, const data::NameListImage& names)
        : image_(image), names_(names) {
        sqlite3_hard_heap_limit64(kHeapLimit);
        sqlite3* opened = nullptr;
        const int status = sqlite3_open_v2(":memory:", &opened,
                                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY, nullptr);
        db_.reset(opened);
        if (status != SQLITE_OK) {
            throw Error("Could not set up the table of units in memory (" +
                        std::string(sqlite3_errstr(status)) + "). Nothing was written.");
        }
        // The statements open no file: no database may be attached, and scratch tables stay in
        // memory.
        sqlite3_limit(db_.get(), SQLITE_LIMIT_ATTACHED, 0);
        execute("PRAGMA temp_store = MEMORY");
        if (sqlite3_create_module_v2(db_.get(), "varnel_units", &kModule, this, nullptr) !=
            SQLITE_OK) {
            throw failure(0, "the table units");
        }
        execute("CREATE VIRTUAL TABLE units USING varnel_units");
        sqlite3_set_authorizer(db_.get(), authorize, &guard_);
    }

    UnitTable(const UnitTable&) = delete;
    UnitTable& operator=(const UnitTable&) = delete;

    ~UnitTable() {
        db_.reset();  // before the rows its statements may still read
        for (auto& row : rows_) {
            for (sqlite3_value* value : row.second) {
                sqlite3_value_free(value);
            }
        }
    }

    // Runs the statements one after the other, printing the rows of each that returns rows.
    // Returns whether any of them may have changed something. Throws data::Error at the first
    // that fails or is refused.
    bool run(const std::string& text, bool csv, std::ostream& out) {
        const char* next = text.c_str();
        const char* const end = text.c_str() + text.size();
        bool writing = false, shown = false;
        int number = 0;
        while (next < end) {
            const char* tail = nullptr;
            sqlite3_stmt* prepared = nullptr;
            guard_.refusal.clear();
            const int status =
                sqlite3_prepare_v2(db_.get(), next, static_cast<int>(end - next), &prepared, &tail);
            Statement statement(prepared);
            if (status != SQLITE_OK) {
                throw failure(++number,
                              std::string_view(next, static_cast<std::size_t>(end - next)));
            }
            const std::string_view source(next, static_cast<std::size_t>(tail - next));
            next = tail;
            if (!statement) {
                continue;  // blanks or a comment
            }
            ++number;
            writing = writing || !sqlite3_stmt_readonly(statement.get());
            std::optional<ResultTable> result;
            if (sqlite3_column_count(statement.get()) > 0) {
                result.emplace(statement.get(), csv);
            }
            int step;
            while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
                if (result) {
                    result->addRow(statement.get());
                }
            }
            if (step != SQLITE_DONE) {
                throw failure(number, source);
            }
            if (result) {
                if (shown && !csv) {
                    out << "\n";
                }
                result->print(out);
                shown = true;
            }
        }
        return writing;
    }

    // Feeds every unit whose row the statements changed, and every row they added, to the plan
    // as a row of cells; returns how many rows differ.
    std::size_t feedChanges(ImportPlan& plan) {
        std::vector<const Column*> columns;
        std::vector<std::string> names;
        for (const SqlColumn& column : sqlColumns()) {
            columns.push_back(column.column);
            names.push_back(column.name);
        }
        plan.beginUnitRows(std::move(columns), std::move(names), "the result of the statements");
        const std::size_t count = sqlColumns().size();
        const std::size_t classColumn = columnIndex(ColumnKind::Field, FieldKind::Class);
        const std::size_t classNameColumn = columnIndex(ColumnKind::ClassName);
        const std::size_t nationalityColumn = columnIndex(ColumnKind::Nationality);
        const std::vector<std::size_t> nationBytes = nationColumns();
        std::vector<std::string> cells(count), before(count);
        std::vector<bool> null(count), given(count);
        std::vector<std::string_view> views(count);
        std::size_t changed = 0;
        for (const auto& [unit, values] : rows_) {
            const bool added = unit < 0 || unit >= image_.units();
            cells[0] = std::to_string(unit);
            null[0] = false;
            for (std::size_t i = 1; i < count; ++i) {
                cells[i].clear();
                appendValue(cells[i], values[i]);
                null[i] = sqlite3_value_type(values[i]) == SQLITE_NULL;
                if (isTextColumn(*sqlColumns()[i].column) && !null[i]) {
                    cells[i] = guardedCell(cells[i]);
                }
            }
            // A changed cell of an old unit, or a value given for a new one.
            if (!added) {
                const data::Unit record = image_.unit(unit);
                const std::string_view name = names_.nameOf(unit);
                bool same = true;
                for (std::size_t i = 0; i < count; ++i) {
                    before[i] = cellText(*sqlColumns()[i].column, unit, record, name);
                    given[i] = before[i] != cells[i];
                    same = same && !given[i];
                }
                if (same) {
                    continue;
                }
            } else {
                // What a new unit's row leaves NULL is as in an empty record bearing its own
                // number, as Create Unit leaves it.
                data::Unit empty;
                empty.setNumber(static_cast<std::int16_t>(unit));
                for (std::size_t i = 0; i < count; ++i) {
                    given[i] = !null[i];
                    const Column& column = *sqlColumns()[i].column;
                    if (null[i] && column.kind != ColumnKind::ClassName &&
                        column.kind != ColumnKind::Nationality) {
                        cells[i] = cellText(column, unit, empty, {});
                    }
                }
            }
            ++changed;
            resolveNames(cells, given, classColumn, classNameColumn, nationBytes, nationalityColumn,
                         added);
            for (std::size_t i = 0; i < count; ++i) {
                views[i] = cells[i];
            }
            plan.takeUnitRow(views);
        }
        plan.endUnitRows();
        return changed;
    }

  private:
    struct Table {
        sqlite3_vtab base;  // first: SQLite sees this
        UnitTable* owner;
    };
    // A walk through the units in unit order: a unit added before 0, the file's units, then the
    // units added after them. The file's units are read one at a time, each decoded once.
    struct Cursor {
        sqlite3_vtab_cursor base;  // first: SQLite sees this
        std::vector<std::int64_t> below, above;
        std::int64_t at = 0, end = 0;  // positions in below + the file's units + above
        std::int64_t decoded = -1;
        data::Unit record;
    };

    std::int64_t unitAt(const Cursor& cursor) const {
        const auto below = static_cast<std::int64_t>(cursor.below.size());
        if (cursor.at < below) {
            return cursor.below[static_cast<std::size_t>(cursor.at)];
        }
        if (cursor.at < below + image_.units()) {
            return cursor.at - below;
        }
        return cursor.above[static_cast<std::size_t>(cursor.at - below - image_.units())];
    }

    bool exists(std::int64_t unit) const {
        return (unit >= 0 && unit < image_.units()) || rows_.count(unit) > 0;
    }

    static int connect(sqlite3* db, void* owner, int, const char* const*, sqlite3_vtab** made,
                       char**) {
        std::string schema = "CREATE TABLE x(";
        for (std::size_t i = 0; i < sqlColumns().size(); ++i) {
            schema += (i == 0 ? "" : ", ") + sqlColumns()[i].name + " " + sqlColumns()[i].type;
        }
        const int status = sqlite3_declare_vtab(db, (schema + ")").c_str());
        if (status != SQLITE_OK) {
            return status;
        }
        auto* table = new Table{};
        table->owner = static_cast<UnitTable*>(owner);
        *made = &table->base;
        return SQLITE_OK;
    }

    static int disconnect(sqlite3_vtab* table) {
        delete reinterpret_cast<Table*>(table);
        return SQLITE_OK;
    }

    // unit = value is looked up; anything else walks the units in unit order.
    static int bestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
        info->idxNum = 0;
        info->estimatedCost = 100000;
        for (int i = 0; i < info->nConstraint; ++i) {
            const auto& constraint = info->aConstraint[i];
            if (constraint.usable && constraint.iColumn <= 0 &&
                constraint.op == SQLITE_INDEX_CONSTRAINT_EQ) {
                info->aConstraintUsage[i].argvIndex = 1;
                info->aConstraintUsage[i].omit = 1;
                info->idxNum = 1;
                info->estimatedCost = 1;
                info->estimatedRows = 1;
                info->idxFlags = SQLITE_INDEX_SCAN_UNIQUE;
                break;
            }
        }
        if (info->nOrderBy == 1 && info->aOrderBy[0].iColumn <= 0 && !info->aOrderBy[0].desc) {
            info->orderByConsumed = 1;
        }
        return SQLITE_OK;
    }

    static int open(sqlite3_vtab*, sqlite3_vtab_cursor** made) {
        auto* cursor = new Cursor{};
        *made = &cursor->base;
        return SQLITE_OK;
    }

    static int close(sqlite3_vtab_cursor* cursor) {
        delete reinterpret_cast<Cursor*>(cursor);
        return SQLITE_OK;
    }

    static UnitTable& ownerOf(sqlite3_vtab_cursor* cursor) {
        return *reinterpret_cast<Table*>(cursor->pVtab)->owner;
    }

    static int filter(sqlite3_vtab_cursor* base, int index, const char*, int,
                      sqlite3_value** argv) {
        Cursor& cursor = *reinterpret_cast<Cursor*>(base);
        const UnitTable& owner = ownerOf(base);
        const std::int64_t units = owner.image_.units();
        cursor.below.clear();
        cursor.above.clear();
        cursor.at = 0;
        if (index == 1) {
            // Only a whole number can be a unit; 7.0 and '7' are taken as 7, as SQL compares.
            sqlite3_value* wanted = argv[0];
            const int type = sqlite3_value_numeric_type(wanted);
            const std::int64_t unit = sqlite3_value_int64(wanted);
            const bool whole =
                type == SQLITE_INTEGER ||
                (type == SQLITE_FLOAT && sqlite3_value_double(wanted) == static_cast<double>(unit));
            cursor.end = 0;
            if (whole && owner.exists(unit)) {
                // One position, placed where unitAt finds this unit.
                if (unit >= 0 && unit < units) {
                    cursor.at = unit;
                    cursor.end = unit + 1;
                } else {
                    cursor.below.push_back(unit);
                    cursor.end = 1;
                }
            }
            return SQLITE_OK;
        }
        for (const auto& [unit, values] : owner.rows_) {
            if (unit < 0) {
                cursor.below.push_back(unit);
            } else if (unit >= units) {
                cursor.above.push_back(unit);
            }
        }
        cursor.end = static_cast<std::int64_t>(cursor.below.size() + cursor.above.size()) + units;
        return SQLITE_OK;
    }

    static int next(sqlite3_vtab_cursor* cursor) {
        ++reinterpret_cast<Cursor*>(cursor)->at;
        return SQLITE_OK;
    }

    static int eof(sqlite3_vtab_cursor* base) {
        const Cursor& cursor = *reinterpret_cast<Cursor*>(base);
        return cursor.at >= cursor.end ? 1 : 0;
    }

    static int rowid(sqlite3_vtab_cursor* base, sqlite3_int64* unit) {
        *unit = ownerOf(base).unitAt(*reinterpret_cast<Cursor*>(base));
        return SQLITE_OK;
    }

    static int column(sqlite3_vtab_cursor* base, sqlite3_context* context, int index) {
        Cursor& cursor = *reinterpret_cast<Cursor*>(base);
        const UnitTable& owner = ownerOf(base);
        const std::int64_t unit = owner.unitAt(cursor);
        if (index == 0) {
            sqlite3_result_int64(context, unit);
            return SQLITE_OK;
        }
        if (const auto kept = owner.rows_.find(unit); kept != owner.rows_.end()) {
            sqlite3_result_value(context, kept->second[static_cast<std::size_t>(index)]);
            return SQLITE_OK;
        }
        if (cursor.decoded != unit) {
            cursor.record = owner.image_.unit(unit);
            cursor.decoded = unit;
        }
        owner.resultOf(context, *sqlColumns()[static_cast<std::size_t>(index)].column, unit,
                       cursor.record);
        return SQLITE_OK;
    }

    // A column of a unit as the file holds it.
    void resultOf(sqlite3_context* context, const Column& column, std::int64_t unit,
                  const data::Unit& record) const {
        switch (column.kind) {
            case ColumnKind::Unit:
                sqlite3_result_int64(context, unit);
                break;
            case ColumnKind::Name: {
                const std::string text = utf8FromCodePage(names_.nameOf(unit));
                sqlite3_result_text(context, text.data(), static_cast<int>(text.size()),
                                    SQLITE_TRANSIENT);
                break;
            }
            case ColumnKind::Field:
                if (column.field->kind == FieldKind::Number) {
                    sqlite3_result_int64(context, record.number());
                } else if (column.field->kind == FieldKind::Cost) {
                    sqlite3_result_int64(context, record.shownValue(*column.field));
                } else {
                    sqlite3_result_int64(context, record.byte(*column.field));
                }
                break;
            case ColumnKind::ClassName:
                resultName(context, className(record.unitClass()));
                break;
            case ColumnKind::Nationality:
                resultName(context,
                           nationalityName(record.nation()).value_or(data::kUnknownNationality));
                break;
            case ColumnKind::Unassigned: {
                unsigned char bytes[data::layout::kRecordSize];
                int count = 0;
                record.forEachUnassigned([&](int, std::uint8_t byte) { bytes[count++] = byte; });
                sqlite3_result_blob(context, bytes, count, SQLITE_TRANSIENT);
                break;
            }
        }
    }

    static void resultName(sqlite3_context* context, std::optional<std::string_view> name) {
        if (name) {
            sqlite3_result_text(context, name->data(), static_cast<int>(name->size()),
                                SQLITE_STATIC);
        } else {
            sqlite3_result_null(context);
        }
    }

    static int refuse(sqlite3_vtab* table, const std::string& reason) {
        sqlite3_free(table->zErrMsg);
        table->zErrMsg = sqlite3_mprintf("%s", reason.c_str());
        return SQLITE_ERROR;
    }

    // A DELETE (one value), an INSERT (no old unit) or an UPDATE of a row.
    static int update(sqlite3_vtab* base, int argc, sqlite3_value** argv, sqlite3_int64* made) {
        UnitTable& owner = *reinterpret_cast<Table*>(base)->owner;
        if (argc == 1) {
            return refuse(base,
                          "DELETE is refused: a unit cannot be taken out of the equipment file, "
                          "since the game knows every unit after it by its place in the file.");
        }
        sqlite3_value* const given = argv[2];  // the unit column
        std::int64_t unit = 0;
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
            if (sqlite3_value_type(given) != SQLITE_NULL) {
                if (sqlite3_value_numeric_type(given) != SQLITE_INTEGER) {
                    return refuse(base,
                                  "A unit's number is a whole number; leave unit NULL for "
                                  "the next.");
                }
                unit = sqlite3_value_int64(given);
            } else {
                unit = owner.image_.units();
                if (!owner.rows_.empty()) {
                    unit = std::max(unit, owner.rows_.rbegin()->first + 1);
                }
            }
            if (owner.exists(unit) && sqlite3_vtab_on_conflict(owner.db_.get()) != SQLITE_REPLACE) {
                return refuse(base, "Unit " + std::to_string(unit) +
                                        " exists already: INSERT adds units after the last "
                                        "(leave unit NULL for the next), UPDATE changes them.");
            }
        } else {
            unit = sqlite3_value_int64(argv[0]);
            if (sqlite3_value_type(argv[1]) != SQLITE_INTEGER ||
                sqlite3_value_int64(argv[1]) != unit ||
                sqlite3_value_numeric_type(given) != SQLITE_INTEGER ||
                sqlite3_value_int64(given) != unit) {
                return refuse(base,
                              "Changing the column unit is refused: it is the unit's place in "
                              "the file, and units cannot be renumbered.");
            }
        }
        std::vector<sqlite3_value*> values;
        values.reserve(sqlColumns().size());
        for (std::size_t i = 0; i < sqlColumns().size(); ++i) {
            values.push_back(i == 0 ? nullptr : sqlite3_value_dup(argv[i + 2]));
            if (i > 0 && values.back() == nullptr) {
                for (sqlite3_value* value : values) {
                    sqlite3_value_free(value);
                }
                return SQLITE_NOMEM;
            }
        }
        auto& kept = owner.rows_[unit];
        for (sqlite3_value* value : kept) {
            sqlite3_value_free(value);
        }
        kept = std::move(values);
        *made = unit;
        return SQLITE_OK;
    }

    static constexpr sqlite3_module kModule = {
        /* iVersion */ 0,
        connect,
        connect,
        bestIndex,
        disconnect,
        disconnect,
        open,
        close,
        filter,
        next,
        eof,
        column,
        rowid,
        update,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
    };

    // A changed class name sets the class, and a changed nationality the four nationality
    // bytes; where only the code or the bytes changed, the name follows them. Where both
    // changed, import's rule holds: they must agree.
    static void resolveNames(std::vector<std::string>& cells, const std::vector<bool>& given,
                             std::size_t classColumn, std::size_t classNameColumn,
                             const std::vector<std::size_t>& nationBytes,
                             std::size_t nationalityColumn, bool added) {
        const std::string_view className = unguardedCell(cells[classNameColumn]);
        if (given[classNameColumn] && !given[classColumn]) {
            if (const std::uint8_t code = data::classCodeOf(className); code != 0) {
                cells[classColumn] = std::to_string(code);
            } else if (added && className.empty()) {
                cells[classNameColumn].clear();
            }
        } else if (given[classColumn] && !given[classNameColumn]) {
            cells[classNameColumn].clear();  // follows the code
        }
        const bool bytesGiven = std::any_of(nationBytes.begin(), nationBytes.end(),
                                            [&](std::size_t i) { return given[i]; });
        const std::string_view nationality = unguardedCell(cells[nationalityColumn]);
        if (given[nationalityColumn] && !bytesGiven) {
            const data::NationBytes bytes = data::nationalityBytesOf(nationality);
            if (bytes != data::NationBytes{} || nationality == data::kUnknownNationality) {
                for (std::size_t i = 0; i < nationBytes.size(); ++i) {
                    cells[nationBytes[i]] = std::to_string(bytes[i]);
                }
            }
        } else if (bytesGiven && !given[nationalityColumn]) {
            cells[nationalityColumn].clear();
        }
    }

    Statement prepare(const std::string& text) {
        sqlite3_stmt* prepared = nullptr;
        if (sqlite3_prepare_v2(db_.get(), text.c_str(), static_cast<int>(text.size()), &prepared,
                               nullptr) != SQLITE_OK) {
            throw failure(0, text);
        }
        return Statement(prepared);
    }

    void execute(const std::string& text) {
        Statement statement = prepare(text);
        if (sqlite3_step(statement.get()) != SQLITE_DONE) {
            throw failure(0, text);
        }
    }

    Error failure(int number, std::string_view source) const {
        std::string message = guard_.refusal;
        if (message.empty()) {
            message = sqlite3_errmsg(db_.get());
            message[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(message[0])));
            if (message.back() != '.') {
                message += ".";
            }
        }
        const std::string where =
            number > 0 ? "Statement " + std::to_string(number) + " " + shownStatement(source)
                       : "Setting up the table of units";
        return Error(where + ": " + message + " Nothing was written.");
    }

    const data::EquipmentImage& image_;
    const data::NameListImage& names_;
    Database db_;
    Guard guard_;
    // The rows the statements updated or added, by unit; the unit column itself is left null
    // here, the key being the unit.
    std::map<std::int64_t, std::vector<sqlite3_value*>> rows_;
};

}  // namespace

int runStatements(const SqlRequest& request, std::ostream& out) {
    const LockedUnitFiles files(request.equipmentPath, request.nameListPath, out);
    UnitTable table(files.image(), files.names());
    if (!table.run(request.statements, request.csv, out)) {
        return 0;  // statements that read alone
    }
    ImportRequest rules;
    rules.force = request.force;
    ImportPlan plan(rules, files.image(), files.names());
    table.feedChanges(plan);
    if (const auto refusal = plan.refusal()) {
        throw Error(*refusal);
    }
    const ChangeOutcome outcome =
        showAndWrite(files, {plan.newEquipmentFile(), plan.newNameList(), plan.forcedFindings()},
                     request.dryRun, "the statements", "SQL statements", out);
    if (outcome == ChangeOutcome::NothingToChange) {
        out << "Nothing changed: the statements leave every unit of " << request.equipmentPath
            << " as it was.\n";
        return 1;
    }
    return 0;
}

}  // namespace varnel::tool
