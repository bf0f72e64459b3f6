// The command-line tool's CSV reader on arbitrary bytes: it never crashes, and a table it reads
// whole comes back the same when written out with csvLine and read again.
#include <string>

#include "fuzz_input.h"
#include "tool/csv_table.h"

namespace {

namespace tool = varnel::tool;

// Tables whose written form reads back differently by design: a lone empty field is a blank line
// (no row), a leading byte-order mark is dropped, and a first line with semicolons and no comma
// is read as semicolon-separated.
bool roundTrips(const tool::CsvTable& table, const std::string& written) {
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
    const tool::CsvTable table = tool::parseCsvTable(bytes);
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
    const tool::CsvTable again = tool::parseCsvTable(written);
    require(again.error.empty(), "a table written by csvLine reads without error");
    require(again.rows == table.rows, "a table written by csvLine reads back the same");
    return 0;
}
