#include <sys/stat.h>

#include <map>

#include "data/system_files.h"
#include "support/failing_files.h"
#include "tool_fixture.h"

namespace varnel::test {
namespace {

// The record offsets that carry no field, in record order.
std::vector<int> unassignedOffsets() {
    std::vector<int> offsets{10, 15, 16, 20, 22, 23, 24, 25, 28, 29, 36, 37, 38};
    for (int offset = 45; offset < 73; ++offset) {
        offsets.push_back(offset);
    }
    return offsets;
}

std::string hexOf(const std::map<int, int>& set) {
    static const char* digits = "0123456789ABCDEF";
    std::string hex;
    for (const int offset : unassignedOffsets()) {
        const int byte = set.count(offset) ? set.at(offset) : 0;
        hex += (hex.empty() ? "" : " ") + std::string{digits[byte >> 4], digits[byte & 15]};
    }
    return hex;
}

std::string recordLines(int count) {
    std::string lines;
    for (int i = 0; i < count; ++i) {
        lines += "\r\n";
    }
    return lines;
}

// Every field and every unassigned byte takes every value 0..255 over the units: byte r of unit
// k is (k + 7r) mod 256. lastSize cuts the last record short.
std::string everyByteFile(int units, int lastSize = 73) {
    std::string file{static_cast<char>(units & 0xFF), static_cast<char>(units >> 8)};
    for (int k = 0; k < units; ++k) {
        for (int r = 0; r < (k + 1 == units ? lastSize : 73); ++r) {
            file += static_cast<char>((k + 7 * r) % 256);
        }
    }
    return file;
}

// Names with every byte 128..255, quotes, separators, blanks and control bytes.
std::string everyByteNames(int units) {
    std::string list;
    for (int k = 0; k < units; ++k) {
        list += static_cast<char>(128 + k % 128);
        list += static_cast<char>(32 + k % 95);
        list += k % 3 == 0 ? " \"x\"; y, " : "";
        list += (k % 32 == 10 || k % 32 == 13 || k % 32 == 0) ? '.' : static_cast<char>(k % 32);
        list += "\r\n";
    }
    return list;
}

using ToolExport = ToolFiles;

TEST_F(ToolExport, WritesAHeaderAndOneRowPerUnitWithEveryByte) {
    const ToolResult result = runTool({"export", eqp});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string header =
        "Unit,Name,Class,Class name,Soft,Hard,Air Att,Naval,Gr.Def,Ar.Def,Cl.Def,Initiative,Range,"
        "Spotting,RangeM,Move,Fuel,Ammo,Cost,Month,Year,nation1,nation2,nation3,nation4,"
        "Nationality,sw1,sw2,c1,c2,c3,c4,c5,c6,unitNumber,Unassigned\r\n";
    EXPECT_EQ(result.out.substr(0, header.size()), header);
    const std::string battleship =
        "\r\n44,Battleship A,16,Battleship,18,16,8,25,35,30,0,5,4,4,4,7,0,40,1800,8,40,0,128,0,0,"
        "Germany,193,1,68,69,77,79,45,54,44," +
        hexOf({{10, 1}, {20, 2}, {50, 3}, {72, 255}}) + "\r\n";
    EXPECT_NE(result.out.find(battleship), std::string::npos);
    // The nationality by name next to its four bytes.
    EXPECT_NE(result.out.find(",1,0,0,0,France,0,0,"), std::string::npos);
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 61);
}

TEST_F(ToolExport, RefusesAFileThatIsNoEquipmentFile) {
    writeFile(eqp, demoEqp.substr(0, 72));
    ToolResult result = runTool({"export", eqp});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("is not an equipment file: it holds 72 bytes, too few"),
              std::string::npos);

    writeFile(eqp, demoEqp);
    ASSERT_EQ(runTool({"export", eqp, "-o", csv}).status, 0);
    result = runTool({"check", csv, "--names", txt});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("is not an equipment file: it holds text"), std::string::npos);
}

using ToolRoundTrip = ToolFiles;

TEST_F(ToolRoundTrip, AnUnchangedCsvLeavesTheDemoFilesAsTheyWere) {
    ASSERT_EQ(runTool({"export", eqp, "-o", csv}).status, 0);
    const ToolResult result = runTool({"import", csv, eqp});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("Nothing to change"), std::string::npos);
    EXPECT_EQ(contentOf(eqp), demoEqp);
    EXPECT_EQ(contentOf(txt), demoTxt);
}

// Importing into blank files of the same size writes every byte back from the CSV alone; --force,
// because most values are ones that check reports.
TEST_F(ToolRoundTrip, EveryByteValueSurvivesExportAndImport) {
    for (const int lastSize : {73, 72, 71}) {
        const std::string original = everyByteFile(256, lastSize);
        writeFile(eqp, original);
        writeFile(txt, everyByteNames(256));
        ASSERT_EQ(runTool({"export", eqp, "-o", csv}).status, 0);

        writeFile(eqp, original.substr(0, 2) + std::string(original.size() - 2, '\0'));
        writeFile(txt, recordLines(256));
        const ToolResult result = runTool({"import", csv, eqp, "--force"});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(contentOf(eqp), original) << "last record of " << lastSize << " bytes";
        EXPECT_EQ(contentOf(txt), everyByteNames(256));
    }
}

using ToolImport = ToolFiles;

TEST_F(ToolImport, ReadsACsvAsASpreadsheetSavesIt) {
    writeFile(csv, std::string("\xEF\xBB\xBF") + "Soft,Unit,Name,Cost\r\n" +
                       "9,7,\"Tank, light \"\"B\"\"\",299\r\n" + "\"12\",0,Militia Company,72\n");
    const ToolResult result = runTool({"import", csv, eqp, "--names", txt});
    ASSERT_EQ(result.status, 0) << result.err;
    // 299 is stored as 299 / 12 rounded down, 24.
    EXPECT_EQ(contentOf(eqp), withByte(withByte(withByte(demoEqp, 7, 3, 9), 7, 21, 24), 0, 3, 12));
    EXPECT_EQ(contentOf(txt), withLine(demoTxt, 8, "Tank, light \"B\""));
}

TEST_F(ToolImport, RowsAfterTheLastUnitAddUnits) {
    // An empty unitNumber is the unit's own number.
    writeFile(csv,
              "Unit,Name,Class,Soft,nation2,unitNumber\r\n61,Scout Car,3,4,128,\r\n"
              "60,Caf\xC3\xA9,1,2,4,60\r\n");
    const ToolResult result = runTool({"import", csv, eqp});
    ASSERT_EQ(result.status, 0) << result.err;
    std::string expected = demoEqp + std::string(146, '\0');
    expected[0] = 62;
    expected = withByte(withByte(withByte(expected, 60, 0, 60), 60, 2, 1), 60, 3, 2);
    expected = withByte(withByte(withByte(expected, 61, 0, 61), 61, 2, 3), 61, 3, 4);
    expected = withByte(withByte(expected, 60, 31, 4), 61, 31, 128);
    EXPECT_EQ(contentOf(eqp), expected);
    EXPECT_EQ(contentOf(txt), demoTxt + "Caf\xE9\r\nScout Car\r\n");
    EXPECT_NE(result.out.find("unit 61 \"Scout Car\": added"), std::string::npos);
}

TEST_F(ToolImport, DryRunListsTheChangesAndWritesNothing) {
    writeFile(csv, "Unit,Soft\r\n7,9\r\n");
    const ToolResult result = runTool({"import", csv, eqp, "--dry-run"});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("unit 7 \"Light Tank B\":\n    Soft: 6 -> 9\n1 unit changed (1 "
                              "value).\nDry run: nothing was written"),
              std::string::npos)
        << result.out;
    EXPECT_EQ(contentOf(eqp), demoEqp);
}

struct Refusal {
    std::string csv;
    std::string message;
};

class ToolImportRefuses : public ToolFiles, public ::testing::WithParamInterface<Refusal> {};

TEST_P(ToolImportRefuses, ABadCellWithItsRowAndColumnAndWritesNothing) {
    writeFile(csv, GetParam().csv);
    const ToolResult result = runTool({"import", csv, eqp});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find(GetParam().message), std::string::npos) << result.err;
    EXPECT_EQ(contentOf(eqp), demoEqp);
    EXPECT_EQ(contentOf(txt), demoTxt);
    EXPECT_FALSE(fileExists(eqp + ".new"));
    EXPECT_FALSE(fileExists(folder.file("bck.TXT")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToolImportRefuses,
    ::testing::Values(
        Refusal{"Unit,Soft\r\n3,256\r\n",
                "row 2, column B \"Soft\": \"256\" is not a number from 0 to 255"},
        Refusal{"Unit,Cost\r\n3,3072\r\n",
                "row 2, column B \"Cost\": \"3072\" is not a cost from 0 to 3071"},
        Refusal{"Unit,Class,Class name\r\n3,3,Scout\r\n",
                "row 2, column C \"Class name\": \"Scout\" is not the name of class code 3 "
                "(\"Recon\")"},
        Refusal{"Unit,Nationality\r\n3,Germany\r\n",
                "\"Germany\" is not the nationality of the bytes 2, 0, 0, 0 (\"Finland\")"},
        Refusal{"Unit,Soft\r\n61,1\r\n",
                "row 2, column A \"Unit\": there is no unit 61: the file holds units 0 to 59"},
        Refusal{"Unit,Soft\r\n3,1\r\n3,2\r\n",
                "row 3, column A \"Unit\": unit 3 has a row already"},
        Refusal{"Unit,unitNumber\r\n60,59\r\n",
                "row 2, column B \"unitNumber\": a new unit bears its own number, as Create Unit "
                "gives it: write 60 or leave the cell empty"},
        // --force would write the finding that comes with it, but not the number itself.
        Refusal{"Unit,unitNumber\r\n60,59\r\n",
                "--force writes such values anyway, once the other problems are mended."},
        Refusal{"Unit,Sofft\r\n3,1\r\n", "row 1, column B: \"Sofft\" is no column"},
        Refusal{"Unit,Soft,Soft\r\n3,1,1\r\n", "row 1, column C: \"Soft\" stands in column B"},
        Refusal{"Soft\r\n1\r\n", "there is no \"Unit\" column"},
        Refusal{"Unit,Soft\r\n3\r\n", "row 2 has 1 field, but the header row has 2"},
        Refusal{"Unit,Name\r\n3,Caf\xE9\r\n",
                "row 2, column B \"Name\": the text is not valid UTF-8"},
        Refusal{"Unit,Name\r\n3,\xC5\x81\xC3\xB3\x64\xC5\xBA\r\n",
                "holds the character \xC5\x81 (U+0141), which the name list cannot hold"},
        Refusal{"Unit,Name\r\n3,\"a\r\nb\"\r\n", "holds a line break"},
        Refusal{"Unit,Unassigned\r\n3,00 0G\r\n", "\"00 0G\" is not bytes in hex"},
        Refusal{"Unit,Unassigned\r\n3,00 01\r\n", "holds 2 bytes, but the unit's record has 41"},
        Refusal{"Unit,Name\r\n3,\"open\r\n", "opens a quoted field that is never closed"}),
    [](const auto& tested) { return "Case" + std::to_string(tested.index); });

TEST_F(ToolImport, ReportsEveryBadCellOnItsOwnLine) {
    writeFile(csv, "Unit,Soft,Hard\r\n1,x,1\r\n2,300,-1\r\n");
    const ToolResult result = runTool({"import", csv, eqp});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err,
              "row 2, column B \"Soft\": \"x\" is not a number from 0 to 255\n"
              "row 3, column B \"Soft\": \"300\" is not a number from 0 to 255\n"
              "row 3, column C \"Hard\": \"-1\" is not a number from 0 to 255\n"
              "Nothing was written: " +
                  csv + " has 3 problems.\n");
}

TEST_F(ToolImport, RefusesToWriteAReadOnlyFile) {
    writeFile(csv, "Unit,Soft\r\n7,9\r\n");
    ::chmod(eqp.c_str(), 0444);
    const ToolResult result = runTool({"import", csv, eqp});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("is read-only"), std::string::npos);
    EXPECT_EQ(contentOf(eqp), demoEqp);
}

TEST_F(ToolImport, AFailedWriteLeavesBothFilesAsTheyWere) {
    writeFile(csv, "Unit,Name,Soft\r\n7,New Name,9\r\n");
    {
        FailingFiles files;
        files.failCall(FailingFiles::Call::WriteAt, data::errorNoSpace());
        const ToolResult result = runTool({"import", csv, eqp});
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("Could not write the temporary file"), std::string::npos);
    }
    EXPECT_EQ(contentOf(eqp), demoEqp);
    EXPECT_EQ(contentOf(txt), demoTxt);
    EXPECT_FALSE(fileExists(eqp + ".new"));
    EXPECT_FALSE(fileExists(folder.file("bck.TXT")));
}

// The list cannot take its place after the equipment file has: the old units are put back.
class ListRenameFails : public FailingFiles {
  public:
    explicit ListRenameFails(std::string list) : list_(std::move(list)) {}
    data::SystemError rename(const std::string& from, const std::string& to) override {
        return to == list_ ? data::errorIo() : FailingFiles::rename(from, to);
    }

  private:
    std::string list_;
};

TEST_F(ToolImport, AFailedRenameOfTheListPutsTheEquipmentFileBack) {
    writeFile(csv, "Unit,Name,Soft\r\n7,New Name,9\r\n");
    {
        ListRenameFails files(txt);
        const ToolResult result = runTool({"import", csv, eqp});
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("The equipment file was put back as it was"), std::string::npos)
            << result.err;
    }
    EXPECT_EQ(contentOf(eqp), demoEqp);
    EXPECT_EQ(contentOf(txt), demoTxt);
}

}  // namespace
}  // namespace varnel::test
