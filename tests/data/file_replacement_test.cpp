// The one routine that replaces a file: what it keeps of the file it replaces, and what it never
// writes through. Runs as root in CI, where permission bits stop nothing but the routine itself.
#include "data/file_replacement.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "data/error.h"
#include "data/name_list.h"
#include "support/failing_files.h"
#include "support/temp_folder.h"

namespace varnel::data {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::fileExists;
using test::writeFile;

std::string contentOf(const std::string& path) {
    const test::Bytes bytes = test::readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// The permission bits of the name itself, a link not followed. On Windows they are made from the
// read-only attribute: 0444 or 0666.
unsigned permissionsOf(const std::string& path) {
    std::error_code error;
    const auto status = fs::symlink_status(path, error);
    EXPECT_FALSE(error) << path;
    return static_cast<unsigned>(status.permissions()) & 07777;
}

class Replacement : public ::testing::Test {
  protected:
    ReplacementRules rules(bool mayCreate = false) {
        ReplacementRules rules;
        rules.what = "the test file";
        rules.unchanged = " Nothing was written.";
        rules.temporaryPathFor = [](const std::string& path) { return path + ".new"; };
        rules.mayCreate = mayCreate;
        return rules;
    }
    std::string replaceAndSay(const std::string& path, const std::string& content) {
        try {
            replaceFile(path, content, rules());
        } catch (const Error& error) {
            return error.what();
        }
        return {};
    }

    test::TempFolder folder;
    const std::string file = folder.file("units.dat");
    const std::string other = folder.file("other.dat");
};

TEST_F(Replacement, KeepsThePermissionBitsOfTheFileItReplaces) {
    for (const unsigned mode : {0600, 0664, 0640, 0755}) {
        SCOPED_TRACE(mode);
        writeFile(file, "old"s);
        ::chmod(file.c_str(), mode);
        EXPECT_EQ(replaceAndSay(file, "new"), "");
        EXPECT_EQ(contentOf(file), "new");
#ifdef _WIN32
        // Windows keeps no permission bits, only the read-only attribute, which every one of
        // these modes leaves off: the new file is not read-only either.
        EXPECT_EQ(permissionsOf(file), 0666u);
#else
        EXPECT_EQ(permissionsOf(file), mode);
#endif
        EXPECT_FALSE(fileExists(file + ".new"));
    }
}

// Windows files have no owner and group of the POSIX kind, and no user "nobody" (65534).
#ifndef _WIN32
TEST_F(Replacement, KeepsTheOwnerAndGroupWhereTheProcessMaySetThem) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only an administrator may give a file to another user";
    }
    writeFile(file, "old"s);
    ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
    ::chmod(file.c_str(), 0660);
    EXPECT_EQ(replaceAndSay(file, "new"), "");
    struct stat now {};
    ASSERT_EQ(::lstat(file.c_str(), &now), 0);
    EXPECT_EQ(now.st_uid, 65534u);
    EXPECT_EQ(now.st_gid, 65534u);
    EXPECT_EQ(now.st_mode & 07777, 0660u);
}
#endif

// Permission bits that forbid the owner to write mean "leave it": the administrator, whom the
// system lets write anything, is refused as well.
TEST_F(Replacement, AFileItsOwnerMayNotWriteIsNeverReplaced) {
    writeFile(file, "old"s);
    ::chmod(file.c_str(), 0444);
    const std::string said = replaceAndSay(file, "new");
    EXPECT_NE(said.find(file + " is read-only"), std::string::npos) << said;
    EXPECT_NE(said.find("Nothing was written."), std::string::npos) << said;
    EXPECT_EQ(contentOf(file), "old");
    EXPECT_FALSE(fileExists(file + ".new"));
}

// The tests of symbolic links need the system to make them for a test: the C++ library of the
// Windows build cannot (std::filesystem::create_symlink reports it unsupported), and Wine makes
// none. The hard link, which Windows has, is tested below.
#ifndef _WIN32
// A symbolic link stays a link: the file it leads to is replaced, in that file's own folder.
TEST_F(Replacement, ALinkStaysALinkAndItsTargetIsReplacedInItsOwnFolder) {
    const std::string elsewhere = folder.file("mods");
    fs::create_directory(elsewhere);
    const std::string target = elsewhere + "/units.dat";
    writeFile(target, "old"s);
    ::chmod(target.c_str(), 0600);
    fs::create_symlink(target, file);
    EXPECT_EQ(replaceAndSay(file, "new"), "");
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(fs::read_symlink(file), target);
    EXPECT_EQ(contentOf(target), "new");
    EXPECT_EQ(permissionsOf(target), 0600u);
    EXPECT_FALSE(fileExists(file + ".new"));
    EXPECT_FALSE(fileExists(target + ".new"));

    fs::remove(target);  // a link that leads nowhere is refused, not turned into a file
    const std::string said = replaceAndSay(file, "newer");
    EXPECT_NE(said.find("symbolic link to a file that does not exist"), std::string::npos) << said;
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_FALSE(fileExists(target));
}

#endif

// A left-over temporary name may be a link to any file: the link goes, the file it leads to
// stays as it was. One made read-only goes too. A folder of that name is someone's, and is
// refused.
TEST_F(Replacement, ALeftOverTemporaryNameIsRemovedNeverWrittenThrough) {
    const std::string temporary = file + ".new";
    struct Case {
        const char* name;
        std::function<void()> leave;
        bool refused;
    };
    const Case cases[] = {
        {"hard link to another file", [&] { fs::create_hard_link(other, temporary); }, false},
        {"read-only file",
         [&] {
             writeFile(temporary, "left over"s);
             ::chmod(temporary.c_str(), 0444);
         },
         false},
        {"folder", [&] { fs::create_directory(temporary); }, true},
#ifndef _WIN32  // symbolic links: see above
        {"symbolic link to another file", [&] { fs::create_symlink(other, temporary); }, false},
        {"symbolic link to a folder", [&] { fs::create_symlink(folder.path(), temporary); }, false},
        {"dangling symbolic link", [&] { fs::create_symlink(folder.file("gone"), temporary); },
         false},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(file, "old"s);
        writeFile(other, "precious"s);
        c.leave();
        const std::string said = replaceAndSay(file, "new");
        EXPECT_EQ(contentOf(other), "precious");
        EXPECT_EQ(contentOf(file), c.refused ? "old" : "new");
        EXPECT_EQ(said.empty(), !c.refused) << said;
        EXPECT_FALSE(fileExists(folder.file("gone")));
        if (c.refused) {
            EXPECT_NE(said.find(temporary + ": it is a folder"), std::string::npos) << said;
        } else {
            EXPECT_FALSE(fileExists(temporary));
        }
        fs::remove_all(temporary);
    }
}

#ifndef _WIN32  // symbolic links: see above
// The temporary file is created, never opened: a link put in its place between the removal of
// the left-over and the creation is not followed.
TEST_F(Replacement, TheTemporaryFileIsNeverCreatedThroughALink) {
    class LinkRace : public test::FailingFiles {
      public:
        explicit LinkRace(std::string target) : target_(std::move(target)) {}
        SystemResult<int> createNew(const std::string& path, std::uint32_t permissions) override {
            fs::create_symlink(target_, path);
            return FailingFiles::createNew(path, permissions);
        }

      private:
        std::string target_;
    };
    writeFile(file, "old"s);
    writeFile(other, "precious"s);
    std::string said;
    {
        LinkRace race(other);
        said = replaceAndSay(file, "new");
    }
    EXPECT_NE(said.find("Could not create the temporary file"), std::string::npos) << said;
    EXPECT_EQ(contentOf(other), "precious");
    EXPECT_EQ(contentOf(file), "old");
}
#endif

TEST_F(Replacement, AMissingFileIsCreatedOnlyWhereTheRulesAllow) {
    EXPECT_NE(replaceAndSay(file, "new").find(file + " does not exist"), std::string::npos);
    EXPECT_FALSE(fileExists(file));
    replaceFile(file, "new", rules(true));
    EXPECT_EQ(contentOf(file), "new");
    EXPECT_EQ(permissionsOf(file) & 0600, 0600u);
}

// The name list goes through the same routine: a list of 0444 is not rewritten, also for root.
TEST_F(Replacement, ANameListItsOwnerMayNotWriteKeepsItsNames) {
    const std::string list = folder.file("Equip97.txt");
    const std::string names = test::nameListText({"Tiger", "Panther"});
    writeFile(list, names);
    ::chmod(list.c_str(), 0444);
    std::string said;
    try {
        setName(list, 1, 1, "Puma");
    } catch (const Error& error) {
        said = error.what();
    }
    EXPECT_NE(said.find("The name list " + list + " is read-only"), std::string::npos) << said;
    EXPECT_NE(said.find("was not stored"), std::string::npos) << said;
    EXPECT_EQ(contentOf(list), names);
    EXPECT_FALSE(fileExists(folder.file("bck.TXT")));
}

}  // namespace
}  // namespace varnel::data
