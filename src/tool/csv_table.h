#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// CSV as spreadsheets read and write it (RFC 4180), read a row at a time so that memory holds one
// row, never the whole table.
namespace varnel::tool {

using CsvRow = std::vector<std::string>;

// Receives each row as it is read: its first fields, at most the reader's field limit, and how
// many fields the row has in all. Blank lines are no rows. The fields are valid during the call.
using CsvRowHandler = std::function<void(const CsvRow& fields, std::size_t fieldCount)>;
// The same with the fields as views of the reader's own copy of the row, which a reader of many
// rows takes to copy nothing.
using CsvFields = std::span<const std::string_view>;
using CsvFieldHandler = std::function<void(CsvFields fields, std::size_t fieldCount)>;

// Reads CSV text as spreadsheets save it: an optional UTF-8 byte-order mark, CR LF, LF or CR
// line ends, fields in double quotes where they must be (a doubled quote inside stands for one),
// blanks kept as part of the field. Fields are separated by commas, or by semicolons when the
// first line holds a semicolon and no comma, as spreadsheets in decimal-comma locales write.
// The text may come in pieces of any size; any bytes whatever give rows or an error, and
// nothing is thrown but what the handler throws.
class CsvReader {
  public:
    // fieldLimit bounds the fields kept of a row, so that a row of millions of empty fields
    // costs no more memory than its limit; the rest are counted.
    explicit CsvReader(CsvFieldHandler handler, std::size_t fieldLimit = SIZE_MAX);
    explicit CsvReader(CsvRowHandler handler, std::size_t fieldLimit = SIZE_MAX);
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;
    ~CsvReader();

    // Reads the next piece of the text. false once reading has stopped: error() says why.
    bool read(std::string_view bytes);
    // Reads the end of the text. false when the text could not be read whole.
    bool finish();
    // Empty while all is well; otherwise where and why reading stopped.
    const std::string& error() const;

    struct State;  // the parser and the row being read, in the source file

  private:
    std::unique_ptr<State> state_;
};

// One line of CSV, ended by CR LF; a field is quoted when it holds a separator, a quote, a line
// break or a leading or trailing blank.
std::string csvLine(const std::vector<std::string>& fields);
// One field of such a line, appended to it.
void appendCsvField(std::string& line, std::string_view field);
// The field written in place at the end of line from start on, put in quotes if it must be.
void quoteFieldFrom(std::string& line, std::size_t start);

}  // namespace varnel::tool
