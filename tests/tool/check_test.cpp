#include <functional>

#include "tool_fixture.h"

namespace varnel::test {
namespace {

using ToolCheck = ToolFiles;

TEST_F(ToolCheck, FindsNothingInTheDemoFiles) {
    const ToolResult result = runTool({"check", eqp});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "No findings: " + eqp + " (60 units) and " + txt + " look sound.\n");
}

void setByte(std::string& file, int unit, int offset, int value) {
    file[static_cast<std::size_t>(2 + 73 * unit + offset)] = static_cast<char>(value);
}

void replaceFirst(std::string& text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
}

struct Finding {
    std::function<void(std::string& eqp, std::string& txt)> craft;
    std::string finding;
};

class ToolCheckFinds : public ToolFiles, public ::testing::WithParamInterface<Finding> {};

// Each crafted fault is found, and nothing else is.
TEST_P(ToolCheckFinds, EachFaultOnItsOwn) {
    std::string equipment = demoEqp, names = demoTxt;
    GetParam().craft(equipment, names);
    writeFile(eqp, equipment);
    writeFile(txt, names);
    const ToolResult result = runTool({"check", eqp, "--names", txt});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(result.out, GetParam().finding + "\n1 finding in " + eqp + " and " + txt + ".\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToolCheckFinds,
    ::testing::Values(
        Finding{[](auto& e, auto&) { e.pop_back(); },
                "The last unit, 59, is short: its record has 72 of 73 bytes, and the missing "
                "ones read as 0."},
        Finding{[](auto& e, auto&) { e += "stray"; },
                "The file ends in 5 bytes after the last unit, too few for a unit; the editor "
                "ignores them."},
        Finding{[](auto& e, auto&) { e[0] = 61; },
                "The unit counter says 61, but the file holds 60 units."},
        Finding{[](auto& e, auto&) { setByte(e, 5, 0, 7); },
                "unit 5: its record gives its number as 7."},
        Finding{[](auto& e, auto&) { setByte(e, 5, 2, 0); },
                "unit 5: class code 0 is none of the classes 1 to 21."},
        Finding{[](auto& e, auto&) { setByte(e, 5, 2, 22); },
                "unit 5: class code 22 is none of the classes 1 to 21."},
        Finding{[](auto& e, auto&) { setByte(e, 5, 30, 4); },
                "unit 5: the nationality bytes 4, 0, 8, 0 name no nationality."},
        Finding{[](auto& e, auto&) { setByte(e, 5, 30, 1); },  // France and Russia at once
                "unit 5: the nationality bytes 1, 0, 8, 0 name no nationality."},
        Finding{[](auto& e, auto&) { setByte(e, 5, 34, 2); },
                "unit 5: the switch bytes 2/0 are no pattern the editor writes (0/0, 1/0, 49/0, "
                "65/0, 129/1, 193/1, 241/1)."},
        Finding{[](auto& e, auto&) { setByte(e, 5, 41, 7); },
                "unit 5: character code c3 is 7, a control character the window cannot show or "
                "type."},
        Finding{[](auto&, auto& list) { list.erase(list.rfind("Assault")); },
                "The name list has 59 lines for 60 units: from unit 59 on, the units have no "
                "name."},
        Finding{[](auto&, auto& list) { list += "Extra\r\n"; },
                "The name list has 61 lines for 60 units; the editor's Save drops those after "
                "line 60."},
        Finding{[](auto&, auto& list) {
                    replaceFirst(list, "Rifle Battalion\r\n", "Rifle Battalion\n");
                },
                "Line 2 of the name list ends in LF alone, not CR LF."},
        Finding{[](auto&, auto& list) {
                    replaceFirst(list, "Rifle Battalion\r\n", "Rifle Battalion\r");
                    replaceFirst(list, "Ski Battalion\r\n", "Ski Battalion\r");
                },
                "Line 2 of the name list ends in CR alone, not CR LF (2 lines in all)."},
        Finding{[](auto&, auto& list) { list.resize(list.size() - 2); },
                "The last line of the name list, line 60, has no line end."},
        Finding{[](auto&, auto& list) { replaceFirst(list, "Ski Battalion", "Ski\tBattalion"); },
                "line 4 of the name list (unit 3) holds the byte 0x09, which the Windows-1252 "
                "code page gives no printable character."},
        Finding{[](auto&, auto& list) { replaceFirst(list, "Ski Battalion", "Ski\x81"); },
                "line 4 of the name list (unit 3) holds the byte 0x81, which the Windows-1252 "
                "code page gives no printable character."},
        Finding{[](auto&, auto& list) { replaceFirst(list, "Ski Battalion", "Ski B\xC3\xA4r"); },
                "line 4 of the name list (unit 3), \"Ski B\xC3\x83\xC2\xA4r\", looks like UTF-8 "
                "text, which the game shows as it stands: the list holds Windows-1252."},
        Finding{[](auto&, auto& list) { list = "\xEF\xBB\xBF" + list; },
                "line 1 of the name list (unit 0) begins with a UTF-8 byte-order mark: three "
                "bytes the game shows as \"\xC3\xAF\xC2\xBB\xC2\xBF\"."}),
    [](const auto& tested) { return "Case" + std::to_string(tested.index); });

TEST_F(ToolCheck, AMissingNameListIsAnError) {
    const ToolResult result = runTool({"check", eqp, "--names", folder.file("none.txt")});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err,
              "There is no name list " + folder.file("none.txt") + ". Check the file name.\n");
}

}  // namespace
}  // namespace varnel::test
