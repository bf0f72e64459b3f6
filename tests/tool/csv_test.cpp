#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "tool/csv_table.h"

namespace varnel::tool {
namespace {

struct CsvTable {
    std::vector<CsvRow> rows;
    std::string error;
};

// The rows of a text given to the reader in pieces of pieceSize bytes (0: whole).
CsvTable parseCsvTable(std::string_view text, std::size_t pieceSize = 0) {
    CsvTable table;
    CsvReader reader([&](const CsvRow& fields, std::size_t) { table.rows.push_back(fields); });
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

struct ParseCase {
    const char* what;
    std::string text;
    std::vector<CsvRow> rows;
};

class ToolCsvParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ToolCsvParse, ReadsRowsAsSpreadsheetsWriteThem) {
    // Cut anywhere, even inside the byte-order mark, a CR LF or the first line, the text reads
    // the same.
    for (const std::size_t pieceSize : {0, 1, 2, 3}) {
        const CsvTable table = parseCsvTable(GetParam().text, pieceSize);
        EXPECT_EQ(table.error, "") << pieceSize;
        EXPECT_EQ(table.rows, GetParam().rows) << pieceSize;
    }
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
    [](const auto& tested) { return "Case" + std::to_string(tested.index); });

TEST(ToolCsv, MalformedTextGivesAnErrorWithItsPlace) {
    for (const std::size_t pieceSize : {0, 1, 4}) {
        EXPECT_EQ(parseCsvTable("a,b\r\nc,d\"e\r\n", pieceSize).error.substr(0, 7), "line 2 ");
        EXPECT_EQ(parseCsvTable("a\r\n\"b\",\"c\"x\r\n", pieceSize).error.substr(0, 7), "line 2 ");
        EXPECT_EQ(parseCsvTable("a\rb\n\nc\r\r\"d\"x", pieceSize).error.substr(0, 7), "line 6 ");
        EXPECT_EQ(parseCsvTable("a\r\nb\r\n\"open, never closed\r\n", pieceSize).error,
                  "row 3 opens a quoted field that is never closed");
    }
}

// A row of millions of empty fields costs no more than the fields kept.
TEST(ToolCsv, FieldsPastTheLimitAreCountedNotKept) {
    std::vector<std::pair<CsvRow, std::size_t>> rows;
    CsvReader reader(
        [&](const CsvRow& fields, std::size_t count) { rows.emplace_back(fields, count); }, 2);
    EXPECT_TRUE(reader.read("a,b,c\r\n" + std::string(1000000, ',') + "\r\nd\r\n"));
    EXPECT_TRUE(reader.finish());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], std::make_pair(CsvRow{"a", "b"}, std::size_t{3}));
    EXPECT_EQ(rows[1], std::make_pair(CsvRow{"", ""}, std::size_t{1000001}));
    EXPECT_EQ(rows[2], std::make_pair(CsvRow{"d"}, std::size_t{1}));
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
    // Pieces of any size: a doubled quote, a CR LF or a field may be cut anywhere.
    for (const std::size_t pieceSize : {0, 1, 2, 5, 64, 4096}) {
        const CsvTable table = parseCsvTable(text, pieceSize);
        EXPECT_EQ(table.error, "") << pieceSize;
        EXPECT_EQ(table.rows, rows) << pieceSize;
    }
}

}  // namespace
}  // namespace varnel::tool
