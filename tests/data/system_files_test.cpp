// The system's file calls as the data layer sees them through SystemFiles, on real files: the
// same meaning on every system the program is built for, whatever each system calls them.
#include "data/system_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_folder.h"

namespace varnel::data {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class SystemFilesTest : public ::testing::Test {
  protected:
    int opened(const std::string& at, OpenMode mode) {
        const auto result = files.open(at, mode);
        EXPECT_TRUE(result.ok()) << at << ": " << files.describe(result.error);
        return result.value;
    }
    FileStatus statusOf(int handle) {
        const auto result = files.status(handle);
        EXPECT_TRUE(result.ok()) << files.describe(result.error);
        return result.value;
    }
    FileStatus statusAt(const std::string& at) {
        const auto result = files.statusOfPath(at);
        EXPECT_TRUE(result.ok()) << at << ": " << files.describe(result.error);
        return result.value;
    }
    std::string contentOf(const std::string& at) {
        const test::Bytes bytes = test::readFile(at);
        return {bytes.begin(), bytes.end()};
    }
    std::string readFrom(int handle, std::int64_t offset) {
        char buffer[64] = {};
        const auto read = files.readAt(handle, buffer, sizeof buffer, offset);
        EXPECT_TRUE(read.ok()) << files.describe(read.error);
        return std::string(buffer, read.value);
    }

    SystemFiles& files = systemFiles();
    test::TempFolder folder;
    const std::string path = folder.file("units.dat");
};

TEST_F(SystemFilesTest, ReadsAndWritesAtOffsetsAndCutsAFile) {
    const auto created = files.createNew(path, 0644);
    ASSERT_TRUE(created.ok()) << files.describe(created.error);
    EXPECT_EQ(files.writeAt(created.value, "abcdef", 6, 0).value, 6u);
    EXPECT_EQ(files.close(created.value), 0);

    const int handle = opened(path, OpenMode::ReadWrite);
    EXPECT_EQ(files.writeAt(handle, "XY", 2, 2).value, 2u);
    EXPECT_EQ(files.writeAt(handle, "Z", 1, 9).value, 1u);  // past the end: the gap reads as 0
    EXPECT_EQ(statusOf(handle).length, 10);
    EXPECT_EQ(readFrom(handle, 1), "bXYef\0\0\0Z"s);  // fewer bytes than asked, at the end
    EXPECT_EQ(readFrom(handle, 10), "");
    EXPECT_EQ(readFrom(handle, 1000), "");
    EXPECT_EQ(files.truncate(handle, 4), 0);
    EXPECT_EQ(statusOf(handle).length, 4);
    EXPECT_EQ(files.syncToDisk(handle), 0);
    EXPECT_EQ(files.close(handle), 0);
    EXPECT_EQ(contentOf(path), "abXY");
}

// The codes the data layer tells apart, and the words the user reads for them, are the same on
// every system.
TEST_F(SystemFilesTest, MissingFilesFoldersAndNamesTakenAreToldApartInTheSameWords) {
    EXPECT_EQ(files.open(folder.file("gone.dat"), OpenMode::ReadOnly).error, errorNoSuchFile());
    EXPECT_EQ(files.open(folder.file("gone/units.dat"), OpenMode::ReadWrite).error,
              errorNoSuchFile())
        << "a missing folder on the way is a missing file";
    const auto missing = files.statusOfPath(folder.file("gone/units.dat"));
    EXPECT_TRUE(missing.ok());
    EXPECT_FALSE(missing.value.exists);
    EXPECT_TRUE(statusAt(folder.path()).isFolder);

    const auto ofFolder = files.open(folder.path(), OpenMode::ReadOnly);
#ifdef _WIN32
    // Windows opens no folder as a file; POSIX does, and its status tells.
    EXPECT_EQ(ofFolder.error, errorIsFolder());
#else
    ASSERT_TRUE(ofFolder.ok());
    EXPECT_TRUE(statusOf(ofFolder.value).isFolder);
    files.close(ofFolder.value);
#endif

    test::writeFile(path, "units"s);
    const auto again = files.createNew(path, 0644);
    EXPECT_EQ(again.error, errorExists());
    EXPECT_EQ(contentOf(path), "units");

    EXPECT_EQ(files.describe(errorNoSuchFile()), "there is no such file");
    EXPECT_EQ(files.describe(errorIsFolder()), "it is a folder");
    EXPECT_EQ(files.describe(errorExists()), "a file of that name exists already");
    EXPECT_EQ(files.describe(errorAccessDenied()), "permission was denied");
    EXPECT_EQ(files.describe(errorLocked()), "another program holds the file's write lock");
    EXPECT_EQ(files.describe(errorNoSpace()), "the disk is full");
    EXPECT_EQ(files.describe(errorIo()), "the device reported an input/output error");
    EXPECT_EQ(files.describe(errorReadOnlyFileSystem()), "the file system is read-only");
}

// The owner's write bit is what the data layer asks of a file; on Windows it is the read-only
// attribute. Removing a name asks nothing of the file, as on POSIX.
TEST_F(SystemFilesTest, TheOwnersWriteBitIsTheReadOnlyAttributeOnWindows) {
    test::writeFile(path, "units"s);
    const int handle = opened(path, OpenMode::ReadWrite);
    FileAccess access = statusOf(handle).access;
    access.permissions = 0444;
    EXPECT_EQ(files.setAccess(handle, access), 0);
    EXPECT_EQ(files.close(handle), 0);

    const FileStatus readOnly = statusAt(path);
    EXPECT_FALSE(readOnly.permitsWriting);
    EXPECT_EQ(readOnly.access.permissions & 0222, 0u);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::owner_write, fs::perms::none);
    const int reading = opened(path, OpenMode::ReadOnly);
    EXPECT_EQ(readFrom(reading, 0), "units");
    EXPECT_EQ(files.syncToDisk(reading), 0) << "a file open for reading has nothing to save";
    EXPECT_EQ(files.close(reading), 0);

    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_TRUE(statusAt(path).permitsWriting);
    EXPECT_NE(statusAt(path).access.permissions & 0200, 0u);

    const auto created = files.createNew(folder.file("made.dat"), 0444);
    ASSERT_TRUE(created.ok()) << files.describe(created.error);
    EXPECT_EQ(files.writeAt(created.value, "new", 3, 0).value, 3u) << "its creator writes it";
    EXPECT_EQ(files.close(created.value), 0);
    EXPECT_FALSE(statusAt(folder.file("made.dat")).permitsWriting);
    EXPECT_EQ(contentOf(folder.file("made.dat")), "new");

    EXPECT_EQ(files.remove(folder.file("made.dat")), 0);
    EXPECT_FALSE(fs::exists(folder.file("made.dat")));
    EXPECT_EQ(files.remove(folder.path()), errorIsFolder());
    EXPECT_TRUE(fs::is_directory(folder.path()));
}

// A file's identity follows it through a rename and is shared by its hard links. A file renamed
// over another that is open leaves the open one readable under no name; where the system refuses
// that rename, both names stay as they were.
TEST_F(SystemFilesTest, ARenameReplacesAFileAndIdentitiesFollowTheFiles) {
    const std::string copy = folder.file("units.new");
    test::writeFile(path, "old"s);
    test::writeFile(copy, "new"s);
    const int old = opened(path, OpenMode::ReadWrite);
    const FileIdentity oldIdentity = statusOf(old).identity;
    const FileIdentity copyIdentity = statusAt(copy).identity;
    EXPECT_NE(oldIdentity, copyIdentity);
    EXPECT_EQ(statusAt(path).identity, oldIdentity);

    const SystemError renamed = files.rename(copy, path);
#ifdef _WIN32
    // Windows, without the POSIX-style rename of newer NTFS, and Wine refuse to put a file in
    // place of one that is open, whatever the sharing the open allowed.
    if (renamed != 0) {
        EXPECT_EQ(renamed, errorAccessDenied()) << files.describe(renamed);
        EXPECT_EQ(statusAt(path).identity, oldIdentity);
        EXPECT_EQ(contentOf(copy), "new");
        EXPECT_EQ(files.close(old), 0);
        ASSERT_EQ(files.rename(copy, path), 0);
    }
#else
    ASSERT_EQ(renamed, 0) << files.describe(renamed);
#endif
    EXPECT_EQ(files.syncFolder(folder.path()), 0);
    EXPECT_EQ(statusAt(path).identity, copyIdentity);
    EXPECT_FALSE(statusAt(copy).exists);
    if (renamed == 0) {
        EXPECT_EQ(readFrom(old, 0), "old");
        EXPECT_EQ(statusOf(old).identity, oldIdentity);
        EXPECT_EQ(files.close(old), 0);
    }
    EXPECT_EQ(contentOf(path), "new");

    const std::string link = folder.file("link.dat");
    fs::create_hard_link(path, link);
    EXPECT_EQ(statusAt(link).identity, copyIdentity);
    EXPECT_EQ(files.remove(link), 0);
    EXPECT_EQ(contentOf(path), "new");
}

// The write lock stops whoever asks for it through another open, in this program too, but never
// a reader: the game reads the files whenever it likes.
TEST_F(SystemFilesTest, TheWriteLockStopsOtherLocksButNoReader) {
    test::writeFile(path, "units"s);
    const int first = opened(path, OpenMode::ReadWrite);
    const int second = opened(path, OpenMode::ReadWrite);
    EXPECT_EQ(files.lockForWriting(first), 0);
    EXPECT_EQ(files.lockForWriting(second), errorLocked());

    const int reader = opened(path, OpenMode::ReadOnly);
    EXPECT_EQ(readFrom(reader, 0), "units");
    EXPECT_EQ(readFrom(second, 1), "nits");
    EXPECT_EQ(files.close(reader), 0);
    EXPECT_EQ(files.lockForWriting(second), errorLocked()) << "another open's close freed it";

    EXPECT_EQ(files.unlock(first), 0);
    EXPECT_EQ(files.lockForWriting(second), 0);
    EXPECT_EQ(files.lockForWriting(first), errorLocked());
    EXPECT_EQ(files.close(second), 0);  // closing gives the lock back
    EXPECT_EQ(files.lockForWriting(first), 0);
    EXPECT_EQ(files.close(first), 0);
}

// A path without links resolves to an absolute path of the same file; a missing one to the code
// that a link leading nowhere is told by.
TEST_F(SystemFilesTest, APathWithoutLinksResolvesToTheSameFile) {
    test::writeFile(path, "units"s);
    const auto resolved = files.resolveLinks(path);
    ASSERT_TRUE(resolved.ok()) << files.describe(resolved.error);
    EXPECT_TRUE(files.isAbsolute(resolved.value)) << resolved.value;
    EXPECT_EQ(fileNameOf(resolved.value), "units.dat");
    EXPECT_EQ(statusAt(resolved.value).identity, statusAt(path).identity);
    EXPECT_EQ(files.resolveLinks(folder.file("gone.dat")).error, errorNoSuchFile());
    const auto asLink = files.statusOfLink(path);
    ASSERT_TRUE(asLink.ok());
    EXPECT_FALSE(asLink.value.isLink);
    EXPECT_EQ(asLink.value.identity, statusAt(path).identity);
}

// Names are UTF-8 in the program; Windows stores them in UTF-16.
TEST_F(SystemFilesTest, NamesBeyondAsciiReachTheSystemIntact) {
    const std::string name =
        "\xC3\x9C"
        "bung \xE2\x80\x93 \xCE\xA9mega.eqp";  // Übung – Ωmega
    const std::string at = folder.file(name);
    const auto created = files.createNew(at, 0644);
    ASSERT_TRUE(created.ok()) << files.describe(created.error);
    EXPECT_EQ(files.writeAt(created.value, "units", 5, 0).value, 5u);
    EXPECT_EQ(files.close(created.value), 0);

    const fs::path expected = fs::path(folder.path()) / fs::path(u8"Übung – Ωmega.eqp");
    EXPECT_TRUE(fs::exists(expected));
    EXPECT_EQ(fs::file_size(expected), 5u);
    EXPECT_EQ(fileNameOf(at), name);
    EXPECT_EQ(statusAt(at).length, 5);
    EXPECT_EQ(files.rename(at, at + ".old"), 0);
    EXPECT_TRUE(fs::exists(fs::path(expected) += ".old"));
}

TEST_F(SystemFilesTest, PathsArePartedAtTheSystemsSeparators) {
    const std::string separator(1, files.separator());
    EXPECT_EQ(folderOf("mods/units/Equip97.eqp"), "mods/units");
    EXPECT_EQ(folderOf("/Equip97.eqp"), "/");
    EXPECT_EQ(folderOf("Equip97.eqp"), ".");
    EXPECT_EQ(fileNameOf("mods/units/Equip97.eqp"), "Equip97.eqp");
    EXPECT_EQ(pathInFolderOf("mods/Equip97.txt", "bck.TXT"), "mods/bck.TXT");
    EXPECT_EQ(pathInFolderOf("/Equip97.txt", "bck.TXT"), "/bck.TXT");
    EXPECT_EQ(pathInFolderOf("Equip97.txt", "bck.TXT"), "." + separator + "bck.TXT");

    const std::string here = files.currentFolder();
    EXPECT_TRUE(files.isAbsolute(here)) << here;
    EXPECT_TRUE(statusAt(here).isFolder) << here;
    EXPECT_EQ(resolvePath("Equip97.eqp"),
              here + (here.ends_with(separator) ? "" : separator) + "Equip97.eqp");
    EXPECT_EQ(resolvePath(path), path);
#ifdef _WIN32
    // '\' and '/' both part a path, mixed as a user may type them; a drive's root is a folder.
    EXPECT_EQ(separator, "\\");
    EXPECT_EQ(folderOf("C:\\Games\\mods/Equip97.eqp"), "C:\\Games\\mods");
    EXPECT_EQ(folderOf("C:\\Equip97.eqp"), "C:\\");
    EXPECT_EQ(folderOf("C:/Equip97.eqp"), "C:/");
    EXPECT_EQ(fileNameOf("C:\\Games/mods\\Equip97.eqp"), "Equip97.eqp");
    EXPECT_EQ(pathInFolderOf("C:\\Games\\Equip97.txt", "bck.TXT"), "C:\\Games\\bck.TXT");
    EXPECT_EQ(pathInFolderOf("C:/Games/Equip97.txt", "bck.TXT"), "C:/Games/bck.TXT");
    EXPECT_EQ(pathInFolderOf("C:\\Equip97.txt", "bck.TXT"), "C:\\bck.TXT");
    for (const char* absolute :
         {"C:\\Games", "c:/Games", "\\\\server\\share\\Equip97.eqp", "\\Games\\Equip97.eqp"}) {
        EXPECT_TRUE(files.isAbsolute(absolute)) << absolute;
    }
    for (const char* relative : {"Games\\Equip97.eqp", "C:Equip97.eqp", "", "1:\\Games"}) {
        EXPECT_FALSE(files.isAbsolute(relative)) << relative;
    }
#else
    // A backslash is a character of a name.
    EXPECT_EQ(folderOf("mods\\Equip97.eqp"), ".");
    EXPECT_EQ(fileNameOf("mods\\Equip97.eqp"), "mods\\Equip97.eqp");
    EXPECT_FALSE(files.isAbsolute("C:\\Games"));
#endif
}

}  // namespace
}  // namespace varnel::data
