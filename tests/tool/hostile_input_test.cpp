#include <unistd.h>

#include "support/failing_files.h"
#include "tool_fixture.h"

// What a file from elsewhere may hold: names that a spreadsheet runs as formulas or a terminal
// obeys as commands, values that trouble the game, and CSV files too large to read.
namespace varnel::test {
namespace {

constexpr long kLargestCsv = 64L * 1024 * 1024;

// The bytes a terminal would obey rather than show, as they would stand in the output.
bool holdsRawControls(const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\n') || byte == 0x7F) {
            return true;
        }
    }
    return text.find("\xC2\x81") != std::string::npos;  // U+0081, a C1 control
}

class ToolHostileNames : public ToolFiles {
  protected:
    // Names that begin with what a spreadsheet takes for a formula, or with the apostrophe that
    // guards one, on units 0 to 7; and the cells export must write for them.
    const std::vector<std::pair<std::string, std::string>> formulaNames = {
        {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"+cmd|' /C calc'!A0", "'+cmd|' /C calc'!A0"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"-5", "'-5"},
        {"'quoted", "''quoted"},
        {"''two", "'''two"},
        {"\tTabbed", "'\tTabbed"},
        {"'", "''"},
    };
    std::string formulaList() const {
        std::string list = demoTxt;
        for (std::size_t i = 0; i < formulaNames.size(); ++i) {
            list = withLine(list, static_cast<int>(i) + 1, formulaNames[i].first);
        }
        return list;
    }
};

TEST_F(ToolHostileNames, FormulaLikeNamesGoOutAsTextAndComeBackByteForByte) {
    const std::string names = formulaList();
    writeFile(txt, names);
    ToolResult result = runProgram({"export", eqp, "-o", csv});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string exported = contentOf(csv);
    for (std::size_t unit = 0; unit < formulaNames.size(); ++unit) {
        const std::string start = "\r\n" + std::to_string(unit) + "," + formulaNames[unit].second;
        EXPECT_NE(exported.find(start + ","), std::string::npos) << formulaNames[unit].second;
    }

    result = runProgram({"import", csv, eqp});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("Nothing to change"), std::string::npos);
    EXPECT_EQ(contentOf(txt), names);

    // From the CSV alone into a blank list (--force: a tab is a control character).
    std::string blank;
    for (int line = 0; line < 60; ++line) {
        blank += "\r\n";
    }
    writeFile(txt, blank);
    result = runProgram({"import", csv, eqp, "--force"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(contentOf(txt), names);
    EXPECT_EQ(contentOf(eqp), demoEqp);
}

TEST_F(ToolHostileNames, ImportTakesOneApostropheOffEachTextCell) {
    writeFile(csv, "Unit,Name,Class name,Nationality\r\n7,'=1+1,'Tank,'Germany\r\n3,Plain,,\r\n");
    const ToolResult result = runTool({"import", csv, eqp});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(contentOf(txt), withLine(withLine(demoTxt, 8, "=1+1"), 4, "Plain"));
}

TEST_F(ToolHostileNames, DiffCsvWritesNamesAsExportDoes) {
    writeFile(folder.file("New.txt"), formulaList());
    const ToolResult result =
        runTool({"diff", eqp, eqp, "--names", txt, folder.file("New.txt"), "--csv"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("\r\n2,'@SUM(A1),changed,Name,Mountain Infantry,'@SUM(A1)\r\n"),
              std::string::npos)
        << result.out;
}

TEST_F(ToolHostileNames, EscapeSequencesAreShownNotObeyed) {
    const std::string hostile = "Red\x1B[31m\x7F\x81";  // in the list's code page
    const std::string shown = "\"Red\\x1B[31m\\x7F\\x81\"";
    const std::string oldTxt = folder.file("Old.txt");
    writeFile(oldTxt, demoTxt);
    // Valid UTF-8 as a whole, so that check quotes it as text that looks like UTF-8.
    writeFile(txt, withLine(withLine(demoTxt, 8, hostile), 4, "B\xC3\xA4r\x1B]0;owned\x07"));

    ToolResult result = runProgram({"check", eqp});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("(unit 3), \"B\xC3\x83\xC2\xA4r\\x1B]0;owned\\x07\", looks like"),
              std::string::npos)
        << result.out;
    EXPECT_FALSE(holdsRawControls(result.out)) << result.out;

    result = runProgram({"diff", eqp, eqp, "--names", oldTxt, txt});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("unit 7 " + shown + ":\n    Name: \"Light Tank B\" -> " + shown),
              std::string::npos)
        << result.out;
    EXPECT_FALSE(holdsRawControls(result.out)) << result.out;

    writeFile(csv, "Unit,Soft\r\n7,9\r\n");
    result = runTool({"import", csv, eqp, "--dry-run"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("unit 7 " + shown + ":\n    Soft: 6 -> 9"), std::string::npos);
    EXPECT_FALSE(holdsRawControls(result.out)) << result.out;

    // Cells quoted in errors, bytes that are no UTF-8 included.
    writeFile(csv,
              "Unit,Soft,Name\r\n7,\x1B[2J\xFF,\"\xE2\x80\xAE"
              "evil\xC2\x85\"\r\n");
    result = runTool({"import", csv, eqp});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("\"\\x1B[2J\\xFF\" is not a number from 0 to 255"), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("holds the character \\u202E (U+202E)"), std::string::npos)
        << result.err;
    EXPECT_FALSE(holdsRawControls(result.err)) << result.err;
    EXPECT_EQ(result.err.find("\xE2\x80\xAE"), std::string::npos) << result.err;
}

// CSV on a terminal is for reading; to a file or a pipe it is exact, for import.
class TerminalOutput : public FailingFiles {
  public:
    bool outputIsTerminal() override { return true; }
};

TEST_F(ToolHostileNames, CsvOnATerminalShowsControlCharacters) {
    writeFile(txt, withLine(demoTxt, 8, "Red\x1B[31m"));
    writeFile(folder.file("Old.txt"), demoTxt);
    const std::vector<std::string> diff{"diff", eqp,    eqp, "--names", folder.file("Old.txt"),
                                        txt,    "--csv"};
    EXPECT_NE(runTool({"export", eqp}).out.find("\r\n7,Red\x1B[31m,"), std::string::npos);
    EXPECT_NE(runTool(diff).out.find(",Red\x1B[31m\r\n"), std::string::npos);
    TerminalOutput terminal;
    ToolResult result = runTool({"export", eqp});
    EXPECT_NE(result.out.find("\r\n7,Red\\x1B[31m,"), std::string::npos);
    EXPECT_EQ(result.out.find('\x1B'), std::string::npos);
    result = runTool(diff);
    EXPECT_NE(result.out.find(",Red\\x1B[31m\r\n"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find('\x1B'), std::string::npos);
}

using ToolBoundedInput = ToolFiles;

TEST_F(ToolBoundedInput, ACsvOverTheBoundIsRefusedUnreadAndOneUnderIsRead) {
    const std::string rows = "Unit,Soft\r\n7,9\r\n";
    writeFile(csv, rows);
    ASSERT_EQ(::truncate(csv.c_str(), kLargestCsv + 1), 0);  // sparse: made at once
    ToolResult result = runProgram({"import", csv, eqp});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "The CSV file " + csv +
                              " is larger than the 64 MiB (67108864 bytes) that import reads: it "
                              "holds 67108865 bytes. A CSV of all the 32767 units a file can hold "
                              "is about 9 MB. Nothing was written.\n");
    EXPECT_EQ(contentOf(eqp), demoEqp);

    // Blank lines are no rows: the file is read to its end and its one row written.
    writeFile(csv, rows + std::string(static_cast<std::size_t>(kLargestCsv) - rows.size(), '\n'));
    result = runProgram({"import", csv, eqp});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(contentOf(eqp), withByte(demoEqp, 7, 3, 9));
}

TEST_F(ToolBoundedInput, AnEndlessInputIsCutOffAtTheBound) {
    const ToolResult result = runTool({"import", "/dev/zero", eqp});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("/dev/zero is larger than the 64 MiB"), std::string::npos)
        << result.err;
    EXPECT_EQ(contentOf(eqp), demoEqp);
}

// A value that check reports, brought into a unit that did not hold it: one line per unit and
// field in the refusal, each in check's words; with --force it is written, and check finds it.
struct NewFinding {
    std::string csv;
    std::vector<std::string> refused;  // after "row 2, unit N: "
    std::vector<std::string> found;    // check's lines
};

class ToolImportFindings : public ToolFiles, public ::testing::WithParamInterface<NewFinding> {};

TEST_P(ToolImportFindings, AreRefusedUnlessForced) {
    writeFile(csv, GetParam().csv);
    std::string lines;
    for (const std::string& line : GetParam().refused) {
        lines += line + "\n";
    }
    ToolResult result = runTool({"import", csv, eqp});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.substr(0, lines.size()), lines) << result.err;
    EXPECT_NE(result.err.find("--force writes such values anyway."), std::string::npos);
    EXPECT_EQ(contentOf(eqp), demoEqp);
    EXPECT_EQ(contentOf(txt), demoTxt);

    result = runTool({"import", csv, eqp, "--force"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("although varnel-tool check reports them:\n" + lines),
              std::string::npos)
        << result.out;
    result = runTool({"check", eqp});
    EXPECT_EQ(result.status, 1);
    for (const std::string& line : GetParam().found) {
        EXPECT_NE(result.out.find(line), std::string::npos) << line << "\n" << result.out;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToolImportFindings,
    ::testing::Values(
        NewFinding{"Unit,Class\r\n7,99\r\n",
                   {"row 2, unit 7: class code 99 is none of the classes 1 to 21."},
                   {"unit 7: class code 99 is none of the classes 1 to 21."}},
        NewFinding{"Unit,nation1\r\n7,3\r\n",
                   {"row 2, unit 7: the nationality bytes 3, 128, 0, 0 name no nationality."},
                   {"unit 7: the nationality bytes 3, 128, 0, 0 name no nationality."}},
        NewFinding{"Unit,sw1,sw2\r\n7,2,0\r\n",
                   {"row 2, unit 7: the switch bytes 2/0 are no pattern the editor writes (0/0, "
                    "1/0, 49/0, 65/0, 129/1, 193/1, 241/1)."},
                   {"unit 7: the switch bytes 2/0 are no pattern"}},
        NewFinding{"Unit,c3\r\n7,7\r\n",
                   {"row 2, unit 7: character code c3 is 7, a control character the window "
                    "cannot show or type."},
                   {"unit 7: character code c3 is 7"}},
        NewFinding{"Unit,unitNumber\r\n7,8\r\n",
                   {"row 2, unit 7: its record gives its number as 8."},
                   {"unit 7: its record gives its number as 8."}},
        NewFinding{"Unit,Name\r\n7,Red\x1B[31m\r\n",
                   {"row 2, unit 7: the name holds the byte 0x1B, which the Windows-1252 code "
                    "page gives no printable character."},
                   {"line 8 of the name list (unit 7) holds the byte 0x1B"}},
        NewFinding{std::string("Unit,Name\r\n7,A") + '\0' + "B\r\n",
                   {"row 2, unit 7: the name holds the byte 0x00, which the Windows-1252 code "
                    "page gives no printable character."},
                   {"line 8 of the name list (unit 7) holds the byte 0x00"}},
        // A new unit holds what its row gives and 0 elsewhere: class 0, no nationality.
        NewFinding{"Unit,Soft,Name\r\n7,1,Changed\r\n60,3,New\r\n",
                   {"row 3, unit 60: class code 0 is none of the classes 1 to 21.",
                    "row 3, unit 60: the nationality bytes 0, 0, 0, 0 name no nationality."},
                   {"unit 60: class code 0", "unit 60: the nationality bytes 0, 0, 0, 0"}}),
    [](const auto& tested) { return "Case" + std::to_string(tested.index); });

using ToolImportHeld = ToolFiles;

TEST_F(ToolImportHeld, ValuesAUnitHeldAlreadyPassAndStay) {
    std::string held = withByte(withByte(demoEqp, 5, 2, 99), 5, 30, 3);
    held = withByte(withByte(withByte(held, 5, 34, 2), 5, 41, 7), 5, 0, 9);
    const std::string names = withLine(demoTxt, 6, std::string("Odd\x1B\0", 5));
    writeFile(eqp, held);
    writeFile(txt, names);
    ASSERT_EQ(runTool({"export", eqp, "-o", csv}).status, 0);
    ToolResult result = runProgram({"import", csv, eqp});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("Nothing to change"), std::string::npos);
    EXPECT_EQ(contentOf(eqp), held);
    EXPECT_EQ(contentOf(txt), names);

    // Another field of the unit changes; the held class stays. A new bad class does not pass.
    writeFile(csv, "Unit,Class,Soft\r\n5,99,1\r\n");
    result = runTool({"import", csv, eqp});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(contentOf(eqp), withByte(held, 5, 3, 1));
    writeFile(csv, "Unit,Class\r\n5,98\r\n");
    result = runTool({"import", csv, eqp});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("row 2, unit 5: class code 98 is none"), std::string::npos);
}

}  // namespace
}  // namespace varnel::test
