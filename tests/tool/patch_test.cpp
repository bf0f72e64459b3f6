#include "tool_fixture.h"

namespace varnel::test {
namespace {

constexpr int kSoft = 3, kHard = 4, kCost = 21;

// Three versions of the demo files, each in a folder of its own: the base, and two mods of it.
class Patching : public ToolFiles {
  protected:
    Patching() {
        for (const char* version : {"a", "b"}) {
            writeFile(folder.file(std::string(version) + ".eqp"), demoEqp);
            writeFile(folder.file(std::string(version) + ".txt"), demoTxt);
        }
    }

    // Mod A: two values, a name, and a unit added (a copy of unit 7 bearing its own number).
    static std::string modAEquipment(const std::string& base) {
        std::string mod = withByte(withByte(base, 3, kSoft, 9), 20, kCost, 30);
        std::string added = base.substr(2 + 73 * 7, 73);
        added[0] = 60;
        added[1] = 0;
        mod += added;
        mod[0] = static_cast<char>(mod[0] + 1);
        return mod;
    }
    static std::string modANames(const std::string& base) {
        return withLine(base, 6, "Guards Infantry \xC9lite") + "Light Tank C\r\n";
    }

    std::string patchOf(const std::string& before, const std::string& after) {
        const ToolResult result = runProgram({"diff", before, after, "--patch"});
        EXPECT_EQ(result.status, 1) << result.err;
        const std::string path = folder.file("patch.json");
        writeFile(path, result.out);
        return path;
    }

    const std::string a = folder.file("a.eqp"), b = folder.file("b.eqp");
};

TEST_F(Patching, DiffThenPatchOnTheBaseGivesTheModByteForByte) {
    writeFile(a, modAEquipment(demoEqp));
    writeFile(folder.file("a.txt"), modANames(demoTxt));
    const std::string patch = patchOf(eqp, a);
    const std::string json = contentOf(patch);
    EXPECT_NE(json.find("\"format\": \"varnel-tool patch\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"Soft\": {\"old\": 6, \"new\": 9}"), std::string::npos) << json;
    EXPECT_NE(json.find("\"new\": \"Guards Infantry \xC3\x89lite\""), std::string::npos) << json;

    ToolResult result = runProgram({"patch", patch, eqp, "--dry-run"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(contentOf(eqp) == demoEqp);
    result = runProgram({"patch", patch, eqp});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(contentOf(eqp) == contentOf(a));
    EXPECT_EQ(contentOf(txt), contentOf(folder.file("a.txt")));
    // Applied twice, it finds every change made.
    result = runProgram({"patch", patch, eqp});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.out.find("holds every change of the patch already"), std::string::npos);
}

TEST_F(Patching, MergesTwoModsAndListsConflicts) {
    writeFile(a, modAEquipment(demoEqp));
    writeFile(folder.file("a.txt"), modANames(demoTxt));
    const std::string patch = patchOf(eqp, a);
    // Mod B changes other values, and one of A's to the value A gives it.
    const std::string modB = withByte(withByte(demoEqp, 9, kHard, 20), 3, kSoft, 9);
    const std::string modBNames = withLine(demoTxt, 2, "Rifle Regiment");
    writeFile(b, modB);
    writeFile(folder.file("b.txt"), modBNames);
    ToolResult result = runProgram({"patch", patch, b});
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    EXPECT_TRUE(contentOf(b) == modAEquipment(modB));
    EXPECT_EQ(contentOf(folder.file("b.txt")), modANames(modBNames));

    // With conflicts nothing is written, and each is listed with both sides.
    const std::string conflicting = withByte(withByte(demoEqp, 20, kCost, 31), 3, kSoft, 4);
    writeFile(b, conflicting);
    writeFile(folder.file("b.txt"), withLine(demoTxt, 6, "Guards Rifles"));
    result = runProgram({"patch", patch, b});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("unit 3 \"Ski Battalion\", Soft: the file holds 4, the patch changes "
                              "6 -> 9\n"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("Cost: the file holds 372, the patch changes 48 -> 360"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("Name: the file holds \"Guards Rifles\", the patch changes "
                              "\"Guards Infantry\" -> \"Guards Infantry \xC3\x89lite\""),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("Nothing was written: 3 conflicts"), std::string::npos);
    EXPECT_TRUE(contentOf(b) == conflicting);

    // --skip-conflicts applies the rest: here, the added unit alone.
    result = runProgram({"patch", patch, b, "--skip-conflicts"});
    ASSERT_EQ(result.status, 0) << result.err;
    std::string expected = conflicting + modAEquipment(demoEqp).substr(demoEqp.size());
    expected[0] = static_cast<char>(expected[0] + 1);
    EXPECT_TRUE(contentOf(b) == expected);
    EXPECT_EQ(contentOf(folder.file("b.txt")),
              withLine(demoTxt, 6, "Guards Rifles") + "Light Tank C\r\n");
}

TEST_F(Patching, APatchFromAnotherBaseConflictsWhereTheFilesDiffer) {
    writeFile(a, modAEquipment(demoEqp));
    writeFile(folder.file("a.txt"), modANames(demoTxt));
    const std::string patch = patchOf(eqp, a);
    // A file of fewer units than the patch's base: unit 20 is not there, and the added unit
    // would not take the number 60.
    const std::string shorter = demoEqp.substr(0, 2 + 73 * 10);
    writeFile(b, shorter);
    writeFile(folder.file("b.txt"), demoTxt);
    const ToolResult result = runProgram({"patch", patch, b});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.out.find("is not the file the patch was made from"), std::string::npos);
    EXPECT_NE(result.err.find("unit 20: the patch changes it, but the file holds units 0 to 9"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("the patch adds it after the 60 units of its base, but the file "
                              "holds 10 units"),
              std::string::npos)
        << result.err;
    EXPECT_TRUE(contentOf(b) == shorter);

    // No patch at all: a later version, and millions of values, refused before they are built.
    std::string zeros = "[0";
    for (int i = 0; i < 2'000'000; ++i) {
        zeros += ",0";
    }
    const std::pair<std::string, std::string> refusedTexts[] = {
        {"{\"format\": \"varnel-tool patch\", \"version\": 7}", "later varnel-tool"},
        {zeros + "]", "more than 2000000 values"}};
    for (const auto& [text, said] : refusedTexts) {
        writeFile(patch, text);
        const ToolResult refused = runProgram({"patch", patch, b});
        EXPECT_EQ(refused.status, 2);
        EXPECT_NE(refused.err.find("Cannot read the patch " + patch), std::string::npos)
            << refused.err;
        EXPECT_NE(refused.err.find(said), std::string::npos) << refused.err;
        EXPECT_TRUE(contentOf(b) == shorter);
    }
}

}  // namespace
}  // namespace varnel::test
