// Each file in its one role: varnel-tool never writes a name list over the equipment file or the
// CSV, nor a CSV over a game file, whatever names or links lead there; and left-over temporary
// names that are links are removed, never written through. Run as the real program.
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "support/failing_files.h"
#include "tool_fixture.h"

namespace varnel::test {
namespace {

namespace fs = std::filesystem;

class ToolRoles : public ToolFiles {
  protected:
    void expectUntouched() {
        EXPECT_EQ(contentOf(eqp), demoEqp);
        EXPECT_EQ(contentOf(txt), demoTxt);
        EXPECT_FALSE(fileExists(eqp + ".new"));
        EXPECT_FALSE(fileExists(folder.file("bck.TXT")));
    }
    // A CSV that renames unit 7, so that import writes both files.
    void writeRenamingCsv() { writeFile(csv, "Unit,Name,Soft\r\n7,New Name,9\r\n"); }
};

TEST_F(ToolRoles, NoFileIsWrittenInTheRoleOfAnother) {
    writeRenamingCsv();
    const std::string csvBefore = contentOf(csv);
    fs::create_symlink(eqp, folder.file("link.txt"));
    fs::create_hard_link(eqp, folder.file("hard.txt"));
    fs::create_symlink(csv, folder.file("csvlink.txt"));
    struct Case {
        std::vector<std::string> arguments;
        std::string named;  // the path the refusal names besides the other
    };
    const Case cases[] = {
        {{"import", csv, eqp, "--names", eqp}, eqp},
        {{"import", csv, eqp, "--names", folder.file("link.txt")}, folder.file("link.txt")},
        {{"import", csv, eqp, "--names", folder.file("hard.txt")}, folder.file("hard.txt")},
        {{"import", csv, eqp, "--names", csv}, csv},
        {{"import", csv, eqp, "--names", folder.file("csvlink.txt")}, folder.file("csvlink.txt")},
        {{"import", eqp, eqp}, eqp},
        {{"import", txt, eqp}, txt},
        {{"export", eqp, "-o", eqp}, eqp},
        {{"export", eqp, "-o", folder.file("link.txt")}, folder.file("link.txt")},
        {{"export", eqp, "-o", txt}, txt},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& argument : c.arguments)
            line += argument + " ";
        SCOPED_TRACE(line);
        const ToolResult result = runProgram(c.arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find(c.named), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("one and the same file"), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("nothing was written"), std::string::npos) << result.err;
        expectUntouched();
        EXPECT_EQ(contentOf(csv), csvBefore);
        EXPECT_TRUE(fs::is_symlink(folder.file("link.txt")));
    }
}

// Left-over "Equip97.eqp.new" and "bck.TXT" that are links to a game file or a backup: the link
// goes, what it leads to stays. A folder of that name, or a second name of the very file to be
// replaced, is refused with nothing written.
TEST_F(ToolRoles, LeftOverTemporaryNamesAreRemovedNeverWrittenThrough) {
    const std::string backup = folder.file("backup.eqp");
    using Make = std::function<void(const std::string&, const std::string&)>;
    const std::pair<const char*, Make> kinds[] = {
        {"symbolic link", [](const auto& to, const auto& at) { fs::create_symlink(to, at); }},
        {"hard link", [](const auto& to, const auto& at) { fs::create_hard_link(to, at); }},
        {"folder", [](const auto&, const auto& at) { fs::create_directory(at); }},
    };
    for (const auto& [kind, make] : kinds) {
        for (const std::string& leftOver : {eqp + ".new", folder.file("bck.TXT")}) {
            for (const std::string& target : {eqp, txt, backup}) {
                SCOPED_TRACE(leftOver + " as a " + kind + " to " + target);
                writeFile(eqp, demoEqp);
                writeFile(txt, demoTxt);
                writeFile(backup, demoEqp);
                writeRenamingCsv();
                make(target, leftOver);
                const ToolResult result = runProgram({"import", csv, eqp});
                const bool folderLeft = kind == std::string("folder");
                const bool secondName =
                    kind == std::string("hard link") &&
                    leftOver == (target == eqp ? eqp + ".new" : folder.file("bck.TXT")) &&
                    target != backup;
                EXPECT_EQ(result.status, folderLeft || secondName ? 2 : 0) << result.err;
                EXPECT_EQ(contentOf(backup), demoEqp);
                if (folderLeft || secondName) {
                    EXPECT_NE(result.err.find(folderLeft ? leftOver + ": it is a folder"
                                                         : "is kept for the temporary copy"),
                              std::string::npos)
                        << result.err;
                    EXPECT_EQ(contentOf(eqp), demoEqp);
                    EXPECT_EQ(contentOf(txt), demoTxt);
                } else {
                    EXPECT_NE(contentOf(txt).find("New Name\r\n"), std::string::npos);
                    EXPECT_EQ(contentOf(eqp).size(), demoEqp.size());
                    EXPECT_FALSE(fs::is_symlink(txt));
                    EXPECT_FALSE(fs::exists(fs::symlink_status(leftOver)));
                }
                fs::remove_all(leftOver);
            }
        }
    }
}

// What the tool writes keeps the mode of what it replaces, and a list that is a link stays one.
TEST_F(ToolRoles, AReplacedFileKeepsItsModeAndALinkedListItsLink) {
    const std::string realList = folder.file("names-master.txt");
    fs::rename(txt, realList);
    fs::create_symlink(realList, txt);
    ::chmod(realList.c_str(), 0600);
    ::chmod(eqp.c_str(), 0664);
    writeRenamingCsv();
    const ToolResult result = runProgram({"import", csv, eqp});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(fs::is_symlink(txt));
    EXPECT_NE(contentOf(realList).find("New Name\r\n"), std::string::npos);
    struct stat info {};
    ::stat(realList.c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    ::stat(eqp.c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, 0664u);

    ::chmod(realList.c_str(), 0444);  // and a read-only list is refused, for root too
    writeFile(csv, "Unit,Name\r\n7,Other Name\r\n");
    const ToolResult refused = runProgram({"import", csv, eqp});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("is read-only"), std::string::npos) << refused.err;
    EXPECT_EQ(contentOf(realList).find("Other Name"), std::string::npos);
}

// A full disk part way through the new equipment file leaves both files as they were: the tool
// writes a whole new copy, so no part of an added unit reaches the file.
TEST_F(ToolRoles, AShortWriteWhileAddingAUnitChangesNothing) {
    writeFile(csv, "Unit,Name,Class,nation2,Soft\r\n60,Added,2,128,1\r\n");
    {
        FailingFiles files;
        files.shortenWrites(100);
        const ToolResult result = runTool({"import", csv, eqp});
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("the disk is full"), std::string::npos) << result.err;
    }
    expectUntouched();
}

}  // namespace
}  // namespace varnel::test
