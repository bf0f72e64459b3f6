// Settling a journal that a crash left: an interrupted change is taken back; a torn journal, one
// of another file, or one beside a file that can only be read is left alone with a message.
#include "data/journal.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "data/system_files.h"
#include "support/temp_folder.h"

namespace varnel::data {
namespace {

using test::Bytes;
using namespace std::string_literals;

class Journal : public ::testing::Test {
  protected:
    Journal() {
        test::writeFile(file, before);
        test::writeFile(list, "Tiger\r\n"s);
    }
    // The journal a Save of bytes 2..4 would write before changing them.
    std::string journalOf(const std::string& path) {
        ChangeJournal change(path, systemFiles().statusOfPath(path).value, "Save of unit 0");
        change.willOverwrite(2, {before.begin() + 2, before.begin() + 5});
        return change.bytes();
    }
    std::string contentOf(const std::string& path) {
        const Bytes bytes = test::readFile(path);
        return {bytes.begin(), bytes.end()};
    }

    test::TempFolder folder;
    const std::string file = folder.file("Equip97.eqp");
    const std::string list = folder.file("Equip97.txt");
    const std::string journal = file + "-journal";
    const std::string before = "\x01\x00OLDbytes"s;
};

TEST_F(Journal, AnInterruptedChangeIsTakenBackWhole) {
    test::writeFile(journal, journalOf(file));
    test::writeFile(file, "\x01\x00NEWbytes and an append"s);  // torn, and longer
    const Recovery recovery = recoverChange(file);
    EXPECT_EQ(recovery.outcome, Recovery::Outcome::Undone);
    EXPECT_NE(recovery.message.find("Save of unit 0"), std::string::npos) << recovery.message;
    EXPECT_NE(recovery.message.find(file), std::string::npos) << recovery.message;
    EXPECT_EQ(contentOf(file), before);
    EXPECT_FALSE(test::fileExists(journal));
    EXPECT_EQ(recoverChange(file).outcome, Recovery::Outcome::None);
}

TEST_F(Journal, ATornForeignOrUnwritableJournalIsLeftAlone) {
    const std::string other = folder.file("Other.eqp");
    test::writeFile(other, before);
    const std::string whole = journalOf(file);
    struct Case {
        const char* name;
        std::string journalBytes;
        mode_t fileMode;
        const char* words;
    };
    const Case cases[] = {
        {"torn", whole.substr(0, whole.size() - 5), 0644, "incomplete or damaged"},
        {"one bit off", std::string(whole).replace(20, 1, "?"), 0644, "incomplete or damaged"},
        {"another file's", journalOf(other), 0644, "belongs to another file"},
        {"beside a read-only file", whole, 0444, "can only be read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeFile(journal, c.journalBytes);
        test::writeFile(file, "\x01\x00NEWbytes"s);
        ::chmod(file.c_str(), c.fileMode);
        const Recovery recovery = recoverChange(file);
        EXPECT_EQ(recovery.outcome, Recovery::Outcome::LeftAlone);
        EXPECT_NE(recovery.message.find(c.words), std::string::npos) << recovery.message;
        EXPECT_EQ(contentOf(file), "\x01\x00NEWbytes"s);
        EXPECT_EQ(contentOf(journal), c.journalBytes);
        ::chmod(file.c_str(), 0644);
    }
}

}  // namespace
}  // namespace varnel::data
