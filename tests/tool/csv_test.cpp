#include <gtest/gtest.h>

#include <random>

#include "tool/csv_table.h"

namespace varnel::tool {
namespace {

struct ParseCase {
    const char* what;
    std::string text;
    std::vector<CsvRow> rows;
};

class ToolCsvParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ToolCsvParse, ReadsRowsAsSpreadsheetsWriteThem) {
    const CsvTable table = parseCsvTable(GetParam().text);
    EXPECT_EQ(table.error, "");
    EXPECT_EQ(table.rows, GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToolCsvParse,
    ::testing::Values(
        ParseCase{"crlf", "Unit,Soft\r\n1,2\r\n", {{"Unit", "Soft"}, {"1", "2"}}},
        ParseCase{"lf, no last line end", "Unit,Soft\n1,2", {{"Unit", "Soft"}, {"1", "2"}}},
        ParseCase{"cr alone", "a\rb\r", {{"a"}, {"b"}}},
        ParseCase{"byte-order mark", "\xEF\xBB\xBFUnit\r\n7\r\n", {{"Unit"}, {"7"}}},
        ParseCase{"quotes", "\"a,b\",\"say \"\"hi\"\"\",\"\"\r\n", {{"a,b", "say \"hi\"", ""}}},
        ParseCase{"line break in quotes", "\"two\r\nlines\",x\r\n", {{"two\r\nlines", "x"}}},
        ParseCase{"blanks kept", " a , b\t\r\n", {{" a ", " b\t"}}},
        ParseCase{"empty fields", ",,\r\n", {{"", "", ""}}},
        ParseCase{"blank lines skipped", "a\r\n\r\n\r\nb\r\n", {{"a"}, {"b"}}},
        ParseCase{"semicolons", "Unit;Name\r\n1;\"a;b\"\r\n", {{"Unit", "Name"}, {"1", "a;b"}}},
        ParseCase{"comma wins", "Unit,Na;me\r\n", {{"Unit", "Na;me"}}},
        ParseCase{"utf-8 and nul",
                  std::string("Z\xC3\xBCrich,\0\r\n", 11),
                  {{"Z\xC3\xBCrich", std::string(1, '\0')}}}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(ToolCsv, MalformedTextGivesAnErrorWithItsPlace) {
    EXPECT_EQ(parseCsvTable("a,b\r\nc,d\"e\r\n").error.substr(0, 6), "line 2");
    EXPECT_EQ(parseCsvTable("a\r\n\"b\",\"c\"x\r\n").error.substr(0, 6), "line 2");
    EXPECT_EQ(parseCsvTable("a\r\nb\r\n\"open, never closed\r\n").error,
              "row 3 opens a quoted field that is never closed");
}

// Any fields written by csvLine read back as they were, whatever bytes they hold.
TEST(ToolCsv, WrittenLinesReadBackFieldForField) {
    std::mt19937 random(97);
    const std::string alphabet = std::string("ab ,;\"\r\n\t\xC3\xA9", 11) + '\0';
    std::vector<CsvRow> rows;
    std::string text;
    for (int row = 0; row < 300; ++row) {
        CsvRow fields(1 + random() % 5);
        for (std::string& field : fields) {
            for (unsigned length = random() % 6; length > 0; --length) {
                field += alphabet[random() % alphabet.size()];
            }
        }
        // A row of one empty field writes a blank line, which is no row.
        if (fields.size() == 1 && fields[0].empty()) {
            fields[0] = "x";
        }
        rows.push_back(fields);
        text += csvLine(fields);
    }
    const CsvTable table = parseCsvTable(text);
    EXPECT_EQ(table.error, "");
    EXPECT_EQ(table.rows, rows);
}

}  // namespace
}  // namespace varnel::tool
