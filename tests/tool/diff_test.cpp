#include "tool_fixture.h"

namespace varnel::test {
namespace {

class ToolDiff : public ToolFiles {
  protected:
    const std::string newEqp = folder.file("New.eqp");
    const std::string newTxt = folder.file("New.txt");

    void setByte(std::string& file, int unit, int offset, int value) {
        file[static_cast<std::size_t>(2 + 73 * unit + offset)] = static_cast<char>(value);
    }
};

TEST_F(ToolDiff, ListsAChangedFieldAChangedNameAndAnAddedUnit) {
    std::string changed = demoEqp + demoEqp.substr(2, 73);  // unit 0's record again
    changed[0] = 61;
    setByte(changed, 60, 0, 60);
    setByte(changed, 7, 3, 9);
    std::string names = demoTxt + "New Unit\r\n";
    names.replace(names.find("Light Tank B"), 12, "Light Tank X");
    writeFile(newEqp, changed);
    writeFile(newTxt, names);

    const ToolResult result = runTool({"diff", eqp, newEqp, "--names", txt, newTxt});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(result.out,
              "unit 7 \"Light Tank X\":\n"
              "    Soft: 6 -> 9\n"
              "    Name: \"Light Tank B\" -> \"Light Tank X\"\n"
              "unit 60 \"New Unit\": added\n"
              "unitCount: 60 -> 61\n");
}

TEST_F(ToolDiff, NamesClassAndNationalityAndWritesCsv) {
    std::string changed = demoEqp.substr(0, demoEqp.size() - 73);  // unit 59 is gone
    setByte(changed, 7, 2, 3);
    setByte(changed, 7, 31, 0);  // Germany ...
    setByte(changed, 7, 31, 4);  // ... becomes Italy
    setByte(changed, 8, 30, 3);  // two nationality bits
    writeFile(newEqp, changed);

    const ToolResult result = runTool({"diff", eqp, newEqp, "--csv"});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(result.out,
              "Unit,Name,Change,Field,Old,New\r\n"
              "7,,changed,Class,Tank,Recon\r\n"
              "7,,changed,Nationality,Germany,Italy\r\n"
              "8,,changed,Nationality,USA,\"Unknown (3, 32, 0, 0)\"\r\n"
              "59,,removed,,,\r\n");
}

TEST_F(ToolDiff, FindsNothingBetweenEqualFiles) {
    writeFile(newEqp, demoEqp);
    const ToolResult result = runTool({"diff", eqp, newEqp});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "No differences between " + eqp + " and " + newEqp + ".\n");
}

}  // namespace
}  // namespace varnel::test
