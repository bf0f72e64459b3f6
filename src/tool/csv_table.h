#pragma once

#include <string>
#include <string_view>
#include <vector>

// CSV as spreadsheets read and write it (RFC 4180).
namespace varnel::tool {

using CsvRow = std::vector<std::string>;

struct CsvTable {
    std::vector<CsvRow> rows;  // the header row first; blank lines are no rows
    // Empty when the whole text was read; otherwise where and why reading stopped, and rows
    // holds what came before.
    std::string error;
};

// Reads CSV text as spreadsheets save it: an optional UTF-8 byte-order mark, CR LF, LF or CR
// line ends, fields in double quotes where they must be (a doubled quote inside stands for one),
// blanks kept as part of the field. Fields are separated by commas, or by semicolons when the
// first line holds a semicolon and no comma, as spreadsheets in decimal-comma locales write.
// Any input whatever gives a table or an error; nothing is thrown.
CsvTable parseCsvTable(std::string_view bytes);

// One line of CSV, ended by CR LF; a field is quoted when it holds a separator, a quote, a line
// break or a leading or trailing blank.
std::string csvLine(const std::vector<std::string>& fields);

}  // namespace varnel::tool
