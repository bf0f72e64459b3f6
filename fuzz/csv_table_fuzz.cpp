// The command-line tool's CSV reader on arbitrary bytes: it never crashes; the rows it reads do
// not depend on how the text is cut into pieces; and a table it reads whole comes back the same
// when written out with csvLine and read again.
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_input.h"
#include "tool/csv_table.h"

namespace {

namespace tool = varnel::tool;

struct Table {
    std::vector<tool::CsvRow> rows;
    std::string error;
    friend bool operator==(const Table&, const Table&) = default;
};

// The text given to the reader in pieces of the given size (0: whole). A small field limit shows
// that fields past it are counted, never kept.
Table readTable(std::string_view text, std::size_t pieceSize, std::size_t fieldLimit = SIZE_MAX) {
    Table table;
    tool::CsvReader reader(
        [&](const tool::CsvRow& fields, std::size_t count) {
            require(fields.size() == std::min(count, fieldLimit),
                    "a row keeps its fields up to the limit and counts them all");
            table.rows.push_back(fields);
        },
        fieldLimit);
    const std::size_t step = pieceSize == 0 ? std::max<std::size_t>(text.size(), 1) : pieceSize;
    bool reading = true;
    for (std::size_t at = 0; reading && at < text.size(); at += step) {
        reading = reader.read(text.substr(at, step));
    }
    if (reading) {
        reader.finish();
    }
    table.error = reader.error();
    return table;
}

// Tables whose written form reads back differently by design: a lone empty field is a blank line
// (no row), a leading byte-order mark is dropped, and a first line with semicolons and no comma
// is read as semicolon-separated.
bool roundTrips(const Table& table, const std::string& written) {
    for (const tool::CsvRow& row : table.rows) {
        if (row.size() == 1 && row[0].empty())
            return false;
    }
    if (!table.rows.empty() && !table.rows[0].empty() &&
        table.rows[0][0].rfind("\xEF\xBB\xBF", 0) == 0) {
        return false;
    }
    const std::string firstLine = written.substr(0, written.find_first_of("\r\n"));
    return !(firstLine.find(';') != std::string::npos && firstLine.find(',') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const Table table = readTable(bytes, 0);
    // The first byte picks a piece size, so that every cut falls somewhere in some input.
    const std::size_t pieceSize = size == 0 ? 1 : 1 + data[0] % 7;
    require(readTable(bytes, pieceSize) == table, "the pieces the text comes in change nothing");
    const Table limited = readTable(bytes, pieceSize, 2);
    require(limited.error == table.error && limited.rows.size() == table.rows.size(),
            "a field limit keeps every row");
    if (!table.error.empty()) {
        return 0;
    }
    std::string written;
    for (const tool::CsvRow& row : table.rows) {
        written += tool::csvLine(row);
    }
    if (!roundTrips(table, written)) {
        return 0;
    }
    const Table again = readTable(written, 0);
    require(again.error.empty(), "a table written by csvLine reads without error");
    require(again.rows == table.rows, "a table written by csvLine reads back the same");
    return 0;
}
