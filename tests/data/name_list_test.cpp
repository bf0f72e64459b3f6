#include "data/name_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "data/error.h"
#include "data/file_replacement.h"
#include "support/failing_files.h"
#include "support/temp_folder.h"

namespace varnel::data {
namespace {

using test::FailingFiles;
using test::fileExists;
using test::nameListText;
using test::readFile;
using test::writeFile;
using namespace std::string_literals;

std::string contentOf(const std::string& path) {
    const test::Bytes bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// The message of the Error that action throws; a test failure when it throws none.
std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    ADD_FAILURE() << "no Error was thrown";
    return {};
}

std::vector<std::string> unitNames(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.push_back("Unit " + std::to_string(i));
    }
    return names;
}

class NameList : public ::testing::Test {
  protected:
    test::TempFolder folder;
    const std::string list = folder.file("Equip97.txt");
    const std::string temporary = folder.file("bck.TXT");
};

// ---- Reading ----

struct LinesCase {
    std::string content;
    std::vector<std::string> lines;
};

TEST_F(NameList, ReadingSplitsAtCrLfCrAloneAndLfAlone) {
    const LinesCase cases[] = {
        {"", {}},
        {"\r\n", {""}},
        {"Tiger\r\nPanther\r\n", {"Tiger", "Panther"}},
        {"Tiger\rPanther\r", {"Tiger", "Panther"}},
        {"Tiger\nPanther\n", {"Tiger", "Panther"}},
        {"Tiger\r\nPanther\rT-34\nKV-1", {"Tiger", "Panther", "T-34", "KV-1"}},
        {"Tiger", {"Tiger"}},
        {"Tiger\n\rPanther", {"Tiger", "", "Panther"}},
        {"Tiger\r\r\nPanther", {"Tiger", "", "Panther"}},
        {"\r\n\r\n  Sherman \r\n", {"", "", "  Sherman "}},
    };
    for (const LinesCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.content));
        writeFile(list, c.content);
        EXPECT_EQ(inspectNameList(list).lineCount, static_cast<std::int64_t>(c.lines.size()));
        for (std::size_t i = 0; i < c.lines.size(); ++i) {
            EXPECT_EQ(readNameLine(list, static_cast<std::int64_t>(i + 1)), c.lines[i]);
        }
        EXPECT_EQ(readNameLine(list, static_cast<std::int64_t>(c.lines.size() + 1)), std::nullopt);
    }
}

TEST_F(NameList, ACrLfSplitAcrossTwoReadBlocksIsOneLineEnd) {
    for (std::size_t length = kReadBlockSize - 2; length <= kReadBlockSize + 1; ++length) {
        writeFile(list, std::string(length, 'x') + "\r\nSecond\r\n");
        EXPECT_EQ(inspectNameList(list).lineCount, 2) << length;
        EXPECT_EQ(readNameLine(list, 2), "Second") << length;
    }
}

TEST_F(NameList, TheLastOf32767NamesIsFoundInBlockReads) {
    writeFile(list, nameListText(unitNames(32767)));
    FailingFiles counting;  // passes every call through, counting them
    EXPECT_EQ(readNameLine(list, 32767), "Unit 32766");
    EXPECT_LT(counting.callCount(), 20);
}

TEST_F(NameList, AMissingListReadsAsNoLinesAndIsNotCreated) {
    EXPECT_FALSE(inspectNameList(list).exists);
    EXPECT_EQ(readNameLine(list, 1), std::nullopt);
    EXPECT_FALSE(fileExists(list));
}

TEST_F(NameList, AFolderIsNoList) {
    std::filesystem::create_directory(list);
    EXPECT_NE(errorOf([&] { inspectNameList(list); }).find(list + ": it is a folder"),
              std::string::npos);
    EXPECT_NE(errorOf([&] { readNameLine(list, 1); }).find("it is a folder"), std::string::npos);
    const std::string message = errorOf([&] { setName(list, 0, 0, "N"); });
    EXPECT_NE(message.find("it is a folder"), std::string::npos) << message;
    EXPECT_TRUE(std::filesystem::is_directory(list));
    EXPECT_FALSE(fileExists(temporary));
}

TEST_F(NameList, AFailedReadIsAnError) {
    writeFile(list, nameListText({"Tiger"}));
    FailingFiles files;
    files.failCall(FailingFiles::Call::ReadAt, errorIo());
    const std::string message = errorOf([&] { readNameLine(list, 1); });
    EXPECT_NE(message.find(list), std::string::npos);
    EXPECT_NE(message.find("input/output error"), std::string::npos);
}

// ---- Rewriting ----

struct RewriteCase {
    std::string before;
    std::int64_t unitNumber, highestUnitNumber;
    std::string name, after;
};

TEST_F(NameList, RewritePutsTheNameOnItsLineAndKeepsExactlyHPlusOneLines) {
    const RewriteCase cases[] = {
        {"A\r\nB\r\nC\r\n", 0, 2, "N", "N\r\nB\r\nC\r\n"},
        {"A\r\nB\r\nC\r\n", 1, 2, "N", "A\r\nN\r\nC\r\n"},
        {"A\r\nB\r\nC\r\n", 2, 2, "N", "A\r\nB\r\nN\r\n"},
        {"A\r\nB\r\nC\r\nD\r\n", 0, 1, "N", "N\r\nB\r\n"},      // cut
        {"A\r\n", 1, 3, "N", "A\r\nN\r\n\r\n\r\n"},             // padded
        {"", 2, 2, "N", "\r\n\r\nN\r\n"},                       // padded from nothing
        {"A\rB\nC", 0, 2, "N", "N\r\nB\r\nC\r\n"},              // every line end becomes CR LF
        {"A\r\nB\r\n", 0, 1, "", "\r\nB\r\n"},                  // empty name
        {"A\r\nB\r\n", 1, 1, "  Tiger ", "A\r\n  Tiger \r\n"},  // blanks kept
    };
    for (const RewriteCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.before) + " x=" + std::to_string(c.unitNumber));
        writeFile(list, c.before);
        setName(list, c.unitNumber, c.highestUnitNumber, c.name);
        EXPECT_EQ(contentOf(list), c.after);
        EXPECT_FALSE(fileExists(temporary));
    }
}

TEST_F(NameList, A150LineListWithHighestUnit99Keeps100Lines) {
    std::vector<std::string> names = unitNames(150);
    writeFile(list, nameListText(names));
    setName(list, 42, 99, "Tiger II");
    names.resize(100);
    names[42] = "Tiger II";
    EXPECT_EQ(contentOf(list), nameListText(names));
}

TEST_F(NameList, EveryByteButTheLineEndsSurvivesInAName) {
    std::string name;
    for (int byte = 0; byte < 256; ++byte) {
        if (byte != '\r' && byte != '\n') {
            name += static_cast<char>(byte);
        }
    }
    writeFile(list, nameListText({"Tiger", "Panther"}));
    setName(list, 1, 1, name);
    EXPECT_EQ(contentOf(list), "Tiger\r\n" + name + "\r\n");
    EXPECT_EQ(readNameLine(list, 2), name);
}

TEST_F(NameList, AStaleTemporaryFileIsOverwritten) {
    writeFile(temporary, "left over\r\nfrom before\r\n"s);
    writeFile(list, nameListText({"Tiger"}));
    setName(list, 0, 0, "Panther");
    EXPECT_EQ(contentOf(list), "Panther\r\n");
    EXPECT_FALSE(fileExists(temporary));
}

TEST_F(NameList, TheTemporaryFileLiesInTheListsFolder) {
    EXPECT_EQ(temporaryPathFor(list), temporary);
    EXPECT_EQ(temporaryPathFor("/Equip97.txt"), "/bck.TXT");
}

// ---- Refusals: the list stays byte for byte as it was ----

TEST_F(NameList, AMissingListIsNotCreated) {
    const std::string message = errorOf([&] { setName(list, 0, 0, "Tiger"); });
    EXPECT_NE(message.find(list + " does not exist"), std::string::npos) << message;
    EXPECT_NE(message.find("not stored"), std::string::npos) << message;
    EXPECT_FALSE(fileExists(list));
    EXPECT_FALSE(fileExists(temporary));
}

TEST_F(NameList, RefusalsLeaveTheListAsItWas) {
    const std::string before = "Tiger\rPanther\nT-34";
    struct Refusal {
        const char* rule;
        std::function<void()> rewrite;
        const char* words;
    };
    const Refusal refusals[] = {
        {"unit number below 0", [&] { setName(list, -1, 2, "N"); }, "between 0 and"},
        {"unit number above H", [&] { setName(list, 3, 2, "N"); }, "between 0 and"},
        {"CR in the name", [&] { setName(list, 0, 2, "A\rB"); }, "line break"},
        {"LF in the name", [&] { setName(list, 0, 2, "A\nB"); }, "line break"},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.rule);
        writeFile(list, before);
        const std::string message = errorOf(refusal.rewrite);
        EXPECT_NE(message.find(refusal.words), std::string::npos) << message;
        EXPECT_NE(message.find("not changed"), std::string::npos) << message;
        EXPECT_EQ(contentOf(list), before);
        EXPECT_FALSE(fileExists(temporary));
    }
}

// Creating the temporary file would empty a list that is itself the temporary file.
TEST_F(NameList, AListThatIsTheTemporaryFileIsRefused) {
    const std::string before = nameListText({"Tiger", "Panther"});
    writeFile(temporary, before);
    EXPECT_NE(errorOf([&] { setName(temporary, 0, 1, "N"); }).find("kept for the temporary copy"),
              std::string::npos);
    EXPECT_EQ(contentOf(temporary), before);

    writeFile(list, before);
    std::filesystem::remove(temporary);
    std::filesystem::create_hard_link(list, temporary);
    EXPECT_NE(errorOf([&] { setName(list, 0, 1, "N"); }).find("kept for the temporary copy"),
              std::string::npos);
    EXPECT_EQ(contentOf(list), before);
}

TEST_F(NameList, AFolderNamedBckTxtIsNotRemoved) {
    writeFile(list, nameListText({"Tiger"}));
    std::filesystem::create_directory(temporary);
    const std::string message = errorOf([&] { setName(list, 0, 0, "N"); });
    EXPECT_NE(message.find(temporary + ": it is a folder"), std::string::npos) << message;
    EXPECT_NE(message.find("not changed"), std::string::npos) << message;
    EXPECT_TRUE(std::filesystem::is_directory(temporary));
    EXPECT_EQ(contentOf(list), "Tiger\r\n");
}

// ---- Faults at each step of the rewrite ----

TEST_F(NameList, AShortWriteOfTheTemporaryFileLeavesTheOldListWhole) {
    const std::string before = nameListText(unitNames(300)) + "no line end";
    writeFile(list, before);
    const std::string message = [&] {
        FailingFiles files;
        files.shortenWrites(100);
        return errorOf([&] { setName(list, 7, 299, "Tiger"); });
    }();
    EXPECT_NE(message.find("Could not write all of the temporary file " + temporary +
                           ": the disk is full."),
              std::string::npos)
        << message;
    EXPECT_NE(message.find("The name list " + list + " was not changed"), std::string::npos);
    EXPECT_EQ(contentOf(list), before);
    EXPECT_FALSE(fileExists(temporary));
}

// Every call the rewrite makes fails once in turn. Until the rename the old list must stay whole;
// only the folder flush after it may fail with the new list in place. The calls include the open,
// write, flush, close and rename of the temporary file and the open, reads and close of the list.
TEST_F(NameList, AFaultAtEveryCallInTurnNeverLosesTheList) {
    const std::string before = nameListText({"Tiger", "Panther", "T-34"});
    const std::string after = nameListText({"Tiger", "KV-1", "T-34"});
    int keptOld = 0;
    int storedUnsynced = 0;
    for (long call = 1;; ++call) {
        SCOPED_TRACE("failing call " + std::to_string(call));
        ASSERT_LT(call, 100) << "the rewrite never ran out of calls to fail";
        writeFile(list, before);
        std::string message;
        bool fired = false;
        {
            FailingFiles files;
            files.failAfter(call, errorIo());
            try {
                setName(list, 1, 2, "KV-1");
            } catch (const Error& error) {
                message = error.what();
            }
            fired = files.countdownFired();
        }
        if (!fired) {
            EXPECT_EQ(message, "");
            EXPECT_EQ(contentOf(list), after);
            break;
        }
        ASSERT_NE(message, "") << "a failed call went unreported";
        EXPECT_NE(message.find("input/output error"), std::string::npos) << message;
        EXPECT_FALSE(fileExists(temporary));
        if (message.find("may not survive a power cut") != std::string::npos) {
            ++storedUnsynced;
            EXPECT_EQ(contentOf(list), after);
        } else {
            ++keptOld;
            EXPECT_NE(message.find("not changed"), std::string::npos) << message;
            EXPECT_EQ(contentOf(list), before);
        }
    }
    EXPECT_GT(keptOld, 0);
    EXPECT_EQ(storedUnsynced, 1);
}

}  // namespace
}  // namespace varnel::data

namespace varnel::data {
namespace {

// A rewrite taken back by its splice gives the old list byte for byte, LF line ends and all, and
// made again gives the new one; a list changed since, removed, or made read-only is left alone.
TEST_F(NameList, ASpliceTakesARewriteBackAndMakesItAgainOnlyOverTheListItLeft) {
    const std::string old = "Tiger\nPanther\nPuma";  // LF alone, no end to the last line
    writeFile(list, old);
    ListSplice splice;
    const auto replacement = prepareName(list, 1, 3, "Panther II", &splice);
    replacement->commit();
    const std::string now = contentOf(list);
    ASSERT_EQ(now, "Tiger\r\nPanther II\r\nPuma\r\n\r\n");

    prepareSplice(list, splice, true, "undo")->commit();
    EXPECT_EQ(contentOf(list), old);
    prepareSplice(list, splice, false, "redo")->commit();
    EXPECT_EQ(contentOf(list), now);

    writeFile(list, now + "Extra\r\n");
    EXPECT_NE(errorOf([&] {
                  prepareSplice(list, splice, true, "undo");
              }).find("another program has changed the name list"),
              std::string::npos);
    EXPECT_EQ(contentOf(list), now + "Extra\r\n");
    std::filesystem::remove(list);
    EXPECT_NE(errorOf([&] { prepareSplice(list, splice, true, "undo"); }).find("no longer exists"),
              std::string::npos);
    EXPECT_FALSE(fileExists(list));
    EXPECT_FALSE(fileExists(temporary));
}

// The splice of two lists is the naive one: the longest common start, then the longest common end
// of what is left; and it turns the old list into the new one. Edits fall on both sides of the
// blocks the comparison steps by.
TEST(ListSpliceTest, IsTheLongestCommonStartAndEndAtEveryPlace) {
    std::string old;
    for (int n = 0; n < 300; ++n) {
        old += "Name " + std::to_string(n) + "\r\n";
    }
    const std::vector<std::size_t> places = {0, 1, 255, 256, 257, 1000, old.size() - 1};
    for (const std::size_t at : places) {
        for (const std::string& inserted :
             {std::string(), std::string("Renamed"), std::string(600, 'x')}) {
            for (const std::size_t removed : {0UL, 1UL, 300UL}) {
                std::string now = old;
                now.replace(at, std::min(removed, old.size() - at), inserted);
                std::size_t ahead = 0;
                while (ahead < std::min(old.size(), now.size()) && old[ahead] == now[ahead]) {
                    ++ahead;
                }
                std::size_t behind = 0;
                while (behind < std::min(old.size(), now.size()) - ahead &&
                       old[old.size() - 1 - behind] == now[now.size() - 1 - behind]) {
                    ++behind;
                }
                const ListSplice splice = spliceBetween(old, now);
                EXPECT_EQ(splice.at, static_cast<std::int64_t>(ahead));
                EXPECT_EQ(splice.before.size(), old.size() - ahead - behind);
                EXPECT_EQ(splice.lengthAfter(), static_cast<std::int64_t>(now.size()));
                std::string made = old;
                made.replace(ahead, splice.before.size(), splice.after);
                EXPECT_EQ(made, now) << "at " << at;
            }
        }
    }
}

}  // namespace
}  // namespace varnel::data
