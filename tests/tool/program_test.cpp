#include "tool_fixture.h"

namespace varnel::test {
namespace {

using ToolProgram = ToolFiles;

TEST_F(ToolProgram, ExplainsItselfAndEachCommand) {
    ToolResult result = runProgram({"--help"});
    EXPECT_EQ(result.status, 0);
    for (const char* usage :
         {"export EQP [--names TXT] [-o FILE]", "import CSV EQP [--names TXT] [--dry-run]",
          "check EQP [--names TXT]", "diff OLD NEW [--names OLD.txt NEW.txt] [--csv]"}) {
        EXPECT_NE(result.out.find(usage), std::string::npos) << usage;
    }
    const std::pair<const char*, const char*> options[] = {{"export", "-o, --output <FILE>"},
                                                           {"import", "--dry-run"},
                                                           {"check", "-n, --names <TXT>"},
                                                           {"diff", "--csv"}};
    for (const auto& [command, option] : options) {
        result = runProgram({command, "--help"});
        EXPECT_EQ(result.status, 0);
        EXPECT_NE(result.out.find(std::string("Usage: varnel-tool ") + command), std::string::npos);
        EXPECT_NE(result.out.find(option), std::string::npos) << command;
    }
}

TEST_F(ToolProgram, AWrongCommandLineIsAnError) {
    EXPECT_EQ(runProgram({}).status, 2);
    ToolResult result = runProgram({"frobnicate"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("varnel-tool has no command \"frobnicate\""), std::string::npos);
    result = runProgram({"export"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("varnel-tool export takes the file names EQP, but got 0."),
              std::string::npos);
    result = runProgram({"check", eqp, "--bogus"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("Unknown option 'bogus'."), std::string::npos);
}

TEST_F(ToolProgram, OptionsTakeTheirValueInEveryForm) {
    const std::string expected = runProgram({"export", eqp}).out;
    const std::vector<std::vector<std::string>> forms = {
        {"export", eqp, "-o", folder.file("1.csv")},
        {"export", "-o" + folder.file("2.csv"), eqp},
        {"export", "--output=" + folder.file("3.csv"), "--names", txt, eqp},
        {"export", "--output", folder.file("4.csv"), "-n" + txt, "--", eqp}};
    for (std::size_t i = 0; i < forms.size(); ++i) {
        EXPECT_EQ(runProgram(forms[i]).status, 0) << i;
        EXPECT_EQ(contentOf(folder.file(std::to_string(i + 1) + ".csv")), expected) << i;
    }
    ToolResult result = runProgram({"export", eqp, "-o"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err,
              "Missing value after '-o'.\n\"varnel-tool export --help\" shows how to use it.\n");
    result = runProgram({"check", "-xy", eqp, "--dry-run=1"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.substr(0, result.err.find('\n')), "Unknown options: x, y, dry-run.");
    // After "--" an argument is a file name, whatever it begins with.
    result = runProgram({"check", "--", "--help"});
    EXPECT_EQ(result.err, "There is no equipment file --help. Check the file name.\n");
}

// A file name goes to the system as the bytes given, whether or not they are UTF-8.
TEST_F(ToolProgram, FileNamesAreTheBytesGiven) {
    const std::string name = folder.file("Equip\xFF");
    writeFile(name + ".eqp", demoEqp);
    writeFile(name + ".txt", demoTxt);
    const ToolResult result = runProgram({"check", name + ".eqp"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "No findings: " + name + ".eqp (60 units) and " + name + ".txt look sound.\n");
}

TEST_F(ToolProgram, ARoundTripThroughASpreadsheet) {
    ToolResult result = runProgram({"export", eqp});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, runTool({"export", eqp}).out);

    // The spreadsheet raised one cost and saved the file with LF line ends.
    std::string edited = result.out;
    const std::string row = "\r\n7,Light Tank B,2,Tank,6,5,0,0,5,6,1,6,0,1,0,5,45,7,";
    edited.replace(edited.find(row + "276,"), row.size() + 4, row + "300,");
    for (auto at = edited.find("\r\n"); at != std::string::npos; at = edited.find("\r\n", at)) {
        edited.erase(at, 1);
    }
    writeFile(csv, edited);
    result = runProgram({"import", csv, eqp});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "unit 7 \"Light Tank B\":\n    Cost: 276 -> 300\n1 unit changed (1 value).\nWrote " +
                  eqp + ".\n");

    result = runProgram({"check", eqp});
    EXPECT_EQ(result.status, 0) << result.out;
    writeFile(folder.file("Old.eqp"), demoEqp);
    result = runProgram({"diff", folder.file("Old.eqp"), eqp});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "unit 7:\n    Cost: 276 -> 300\n");
}

TEST_F(ToolProgram, FindingsAndErrorsSetTheExitStatus) {
    writeFile(txt, demoTxt + "Extra\r\n");
    EXPECT_EQ(runProgram({"check", eqp}).status, 1);
    writeFile(eqp, std::string(40, '\0'));
    const ToolResult result = runProgram({"check", eqp});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, eqp +
                              " is not an equipment file: it holds 40 bytes, too few for a "
                              "single unit. An equipment file is a 2-byte unit counter "
                              "followed by 73-byte unit records.\n");
}

}  // namespace
}  // namespace varnel::test
