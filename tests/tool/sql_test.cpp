#include <filesystem>

#include "tool_fixture.h"

namespace varnel::test {
namespace {

constexpr int kClass = 2, kSoft = 3, kCost = 21, kNation1 = 30;

int byteAt(const std::string& file, std::int64_t unit, int offset) {
    return static_cast<unsigned char>(file[static_cast<std::size_t>(2 + 73 * unit + offset)]);
}

std::int64_t unitsIn(const std::string& file) {
    return static_cast<std::int64_t>((file.size() - 2) / 73);
}

// The largest stored cost whose shown value (12 times the byte) is not above value.
int costByteFor(double value) {
    int byte = 0;
    while (byte < 255 && 12.0 * (byte + 1) <= value) {
        ++byte;
    }
    return byte;
}

class Sql : public ToolFiles {
  protected:
    // The folder holds the two files alone, as they were: nothing written, nothing left over.
    void expectUntouched(const ToolResult& result) {
        EXPECT_TRUE(contentOf(eqp) == demoEqp) << result.out << result.err;
        EXPECT_TRUE(contentOf(txt) == demoTxt);
        std::size_t entries = 0;
        for ([[maybe_unused]] const auto& entry :
             std::filesystem::directory_iterator(folder.path())) {
            ++entries;
        }
        EXPECT_EQ(entries, 2u);
    }
};

TEST_F(Sql, SelectPrintsAnAlignedTableOrCsvAndWritesNothing) {
    const std::string query =
        "SELECT unit, name, cost FROM units WHERE class_name = 'Tank' AND nationality = "
        "'Germany'; SELECT count(*) AS tanks FROM units WHERE class = 2";
    ToolResult result = runProgram({"sql", eqp, query});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string cost = std::to_string(12 * byteAt(demoEqp, 7, kCost));
    int tanks = 0;
    for (std::int64_t unit = 0; unit < unitsIn(demoEqp); ++unit) {
        tanks += byteAt(demoEqp, unit, kClass) == 2 ? 1 : 0;
    }
    // Numbers right-aligned under their header, text left-aligned, a rule under the header.
    EXPECT_EQ(result.out,
              "unit  name          cost\n"
              "----  ------------  ----\n"
              "   7  Light Tank B   " +
                  cost +
                  "\n(1 row)\n"
                  "\n"
                  "tanks\n"
                  "-----\n"
                  "    " +
                  std::to_string(tanks) + "\n(1 row)\n");
    expectUntouched(result);

    // A text a spreadsheet would take for a formula stays text, as export writes it.
    result = runProgram(
        {"sql", "--csv", eqp, "SELECT unit, name, '=1+2' AS note FROM units WHERE unit IN (7, 9)"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "unit,name,note\r\n7,Light Tank B,'=1+2\r\n9,Heavy Tank A,'=1+2\r\n");
}

TEST_F(Sql, UpdateWritesExactlyTheBytesOfTheMatchedUnits) {
    const ToolResult result =
        runProgram({"sql", eqp,
                    "UPDATE units SET soft = soft + 1, cost = cost * 1.1 WHERE class_name = "
                    "'Tank' AND nationality IN ('Germany', 'Russia')"});
    ASSERT_EQ(result.status, 0) << result.err;
    // The model: the class byte 2 and one of the two nationality bits, whatever else the
    // units hold.
    std::string expected = demoEqp;
    int matched = 0;
    for (std::int64_t unit = 0; unit < unitsIn(demoEqp); ++unit) {
        const bool germany = byteAt(demoEqp, unit, kNation1 + 1) == 128;
        const bool russia = byteAt(demoEqp, unit, kNation1 + 2) == 8;
        if (byteAt(demoEqp, unit, kClass) != 2 || !(germany || russia)) {
            continue;
        }
        ++matched;
        expected = withByte(expected, unit, kSoft, byteAt(demoEqp, unit, kSoft) + 1);
        const double cost = 12.0 * byteAt(demoEqp, unit, kCost) * 1.1;
        expected = withByte(expected, unit, kCost, costByteFor(cost));
    }
    EXPECT_EQ(matched, 2);
    EXPECT_EQ(contentOf(eqp), expected);
    EXPECT_EQ(contentOf(txt), demoTxt);
    EXPECT_NE(result.out.find("unit 9 \"Heavy Tank A\":\n    Soft: 10 -> 11\n"), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("2 units changed (4 values).\nWrote " + eqp + ".\n"),
              std::string::npos)
        << result.out;
}

TEST_F(Sql, ClassNameAndNationalitySetTheirCodes) {
    const std::string statements = folder.file("finnish.sql");
    writeFile(statements,
              "UPDATE units SET class_name = 'Recon', nationality = 'Finland' WHERE unit = 6;\n"
              "UPDATE units SET class = 10, class_name = 'Fighter' WHERE unit = 8;\n");
    const ToolResult result = runProgram({"sql", eqp, "-f", statements});
    ASSERT_EQ(result.status, 0) << result.err;
    std::string expected = withByte(withByte(demoEqp, 6, kClass, 3), 8, kClass, 10);
    for (int i = 0; i < 4; ++i) {
        expected = withByte(expected, 6, kNation1 + i, i == 0 ? 2 : 0);
    }
    EXPECT_EQ(contentOf(eqp), expected);
}

TEST_F(Sql, InsertAppendsUnitsAsCreateUnitDoes) {
    const std::string statements = folder.file("new.sql");
    writeFile(statements,
              "-- a copy of unit 7 under a new name, and a unit given a few values\n"
              "CREATE TEMP TABLE copy AS SELECT * FROM units WHERE unit = 7;\n"
              "UPDATE copy SET unit = NULL, unit_number = NULL, name = 'Light Tank C';\n"
              "INSERT INTO units SELECT * FROM copy;\n"
              "INSERT INTO units (name, class_name, soft, nationality, sw1)\n"
              "  VALUES ('Ski Patrol', 'Infantry', 4, 'Finland', 1);\n"
              "SELECT unit, name, soft FROM units WHERE unit >= 59;\n");
    // Statements read from the input when none are given.
    const ToolResult result = runProgram({"sql", eqp}, statements);
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    const std::int64_t units = unitsIn(demoEqp);
    std::string copy = demoEqp.substr(static_cast<std::size_t>(2 + 73 * 7), 73);
    copy[0] = static_cast<char>(units & 0xFF);
    copy[1] = static_cast<char>(units >> 8);
    std::string given(73, '\0');
    given[0] = static_cast<char>((units + 1) & 0xFF);
    given[1] = static_cast<char>((units + 1) >> 8);
    given[kClass] = 1;
    given[kSoft] = 4;
    given[kNation1] = 2;
    given[34] = 1;
    std::string expected = demoEqp + copy + given;
    const int counter = static_cast<unsigned char>(demoEqp[0]) | demoEqp[1] << 8;
    expected[0] = static_cast<char>((counter + 2) & 0xFF);
    expected[1] = static_cast<char>((counter + 2) >> 8);
    EXPECT_EQ(contentOf(eqp), expected);
    EXPECT_EQ(contentOf(txt), demoTxt + "Light Tank C\r\nSki Patrol\r\n");
    EXPECT_NE(result.out.find("2 units added."), std::string::npos) << result.out;
    // The rows added are there for the statements after them.
    EXPECT_NE(result.out.find("  60  Light Tank C     6\n  61  Ski Patrol       4\n(3 rows)"),
              std::string::npos)
        << result.out;
}

TEST_F(Sql, RefusedStatementsWriteNothing) {
    const struct {
        std::string statement, said;
    } cases[] = {
        {"DELETE FROM units WHERE unit = 59", "DELETE is refused"},
        {"UPDATE units SET unit = unit + 100 WHERE unit = 3", "units cannot be renumbered"},
        {"INSERT INTO units (unit, name) VALUES (70, 'Gap')",
         "there is no unit 70: the file holds units 0 to 59, and a new unit must take the next "
         "number, 60"},
        {"UPDATE units SET soft = 256 WHERE unit = 4",
         "unit 4, column soft: \"256\" is not a number from 0 to 255"},
        {"UPDATE units SET cost = cost * 100 WHERE class_name = 'Tank'",
         "unit 6, column cost: \"24000\" is not a cost from 0 to 3071"},
        {"UPDATE units SET name = 'Schneemann \u2603' WHERE unit = 4",
         "unit 4, column name: \"Schneemann \u2603\" holds the character"},
        {"UPDATE units SET class = 2, class_name = 'Fighter' WHERE unit = 4",
         "\"Fighter\" is not the name of class code 2 (\"Tank\"). The class follows the column "
         "class"},
        {"UPDATE units SET nationality = 'Atlantis' WHERE unit = 4",
         "no nationality has this name"},
        {"INSERT INTO units (unit, name) VALUES (5, 'Twin')", "Unit 5 exists already"},
        {"BEGIN; UPDATE units SET soft = 1; ROLLBACK", "BEGIN, COMMIT, ROLLBACK and SAVEPOINT"},
        {"DROP TABLE units", "cannot be dropped"},
        {"ATTACH '" + folder.file("other.db") + "' AS other", "ATTACH and DETACH are refused"},
        {"VACUUM INTO '" + folder.file("copy.db") + "'", "Nothing was written."},
        {"UPDATE units SET soft = 1; UPDATE nowhere SET x = 1",
         "Statement 2 \"UPDATE nowhere SET x = 1\": No such table: nowhere."},
    };
    for (const auto& refused : cases) {
        SCOPED_TRACE(refused.statement);
        const ToolResult result = runProgram({"sql", eqp, refused.statement});
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find(refused.said), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("Nothing was written"), std::string::npos) << result.err;
        expectUntouched(result);
    }
}

TEST_F(Sql, DryRunNothingChangedAndForce) {
    ToolResult result =
        runProgram({"sql", "--dry-run", eqp, "UPDATE units SET soft = 9 WHERE unit = 7"});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("    Soft: 6 -> 9\n1 unit changed (1 value).\nDry run: nothing was "
                              "written; the statements would write " +
                              eqp),
              std::string::npos)
        << result.out;
    expectUntouched(result);

    result = runProgram({"sql", eqp, "UPDATE units SET soft = soft WHERE class = 2"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("Nothing changed"), std::string::npos) << result.out;
    expectUntouched(result);

    // A class outside the table is what check reports: refused unless --force.
    result = runProgram({"sql", eqp, "UPDATE units SET class = 40 WHERE unit = 7"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("--force writes such values anyway"), std::string::npos)
        << result.err;
    expectUntouched(result);
    result = runProgram({"sql", "--force", eqp, "UPDATE units SET class = 40 WHERE unit = 7"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(contentOf(eqp), withByte(demoEqp, 7, kClass, 40));
}

}  // namespace
}  // namespace varnel::test
