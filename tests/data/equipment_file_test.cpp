#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "data/equipment_file.h"
#include "data/error.h"
#include "data/record_layout.h"
#include "data/unit_record.h"
#include "support/failing_files.h"
#include "support/temp_folder.h"

namespace varnel::data {
namespace {

using test::Bytes;
using test::FailingFiles;
using test::TempFolder;

struct LengthCase {
    std::int64_t length;
    std::int64_t highest;
};

TEST(HighestUnitNumber, FollowsFromTheFileLengthAlone) {
    // A last record short by one or two bytes still counts; a shorter fragment does not.
    const LengthCase cases[] = {{0, -1},  {72, -1}, {73, 0},  {218, 1},
                                {219, 2}, {220, 2}, {221, 2}, {7302, 99}};
    TempFolder folder;
    for (const LengthCase& c : cases) {
        test::writeFile(folder.file("e.eqp"), Bytes(static_cast<std::size_t>(c.length), 7));
        EXPECT_EQ(layout::highestUnitNumber(c.length), c.highest) << c.length << " bytes";
        EXPECT_EQ(EquipmentFile::open(folder.file("e.eqp")).highestUnitNumber(), c.highest)
            << c.length << " bytes";
    }
}

TEST(RecordLayout, PlacesFieldsByUnitNumber) {
    EXPECT_EQ(layout::fileOffset(0, field::kClass.offset), 4);
    EXPECT_EQ(layout::fileOffset(1, field::kClass.offset), 77);
    EXPECT_EQ(layout::fileOffset(10, field::kCost.offset), 753);
}

class EquipmentFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        original = test::makeEquipmentFile(
            -2, {test::patternRecord(0), test::patternRecord(1), test::patternRecord(2)});
        test::writeFile(path, original);
    }
    TempFolder folder;
    std::string path = folder.file("Equip97.eqp");
    Bytes original;
};

TEST_F(EquipmentFileTest, ReadsBytesWordsAndRunsAtFileOffsets) {
    const EquipmentFile file = EquipmentFile::open(path);
    EXPECT_FALSE(file.readOnly());
    EXPECT_EQ(file.length(), 221);
    EXPECT_EQ(file.readWord(0), -2);
    EXPECT_EQ(file.readByte(77), original[77]);
    EXPECT_EQ(file.readWord(75), static_cast<std::int16_t>(original[75] | original[76] << 8));
    EXPECT_EQ(file.readBytes(148, 73), Bytes(original.begin() + 148, original.end()));
}

TEST_F(EquipmentFileTest, ReadsWhatLiesPastTheEndAsZero) {
    const EquipmentFile file = EquipmentFile::open(path);
    const Bytes tail = file.readBytes(219, 4);
    EXPECT_EQ(tail, (Bytes{original[219], original[220], 0, 0}));
    EXPECT_EQ(file.readByte(5000), 0);
}

TEST_F(EquipmentFileTest, WritesReachTheFileAtOnceAndTouchNothingElse) {
    EquipmentFile file = EquipmentFile::open(path);
    file.writeByte(753 - 730 + 73, 0xAB);  // cost of unit 1
    file.writeWord(2 + 73 * 2, -300);
    file.writeBytes(10, Bytes{1, 2, 3});
    EXPECT_EQ(file.readByte(96), 0xAB);  // visible to the next read without a flush

    Bytes expected = original;
    expected[96] = 0xAB;
    expected[148] = static_cast<std::uint8_t>(-300 & 0xFF);
    expected[149] = static_cast<std::uint8_t>((-300 >> 8) & 0xFF);
    expected[10] = 1;
    expected[11] = 2;
    expected[12] = 3;
    EXPECT_EQ(test::readFile(path), expected);
}

TEST_F(EquipmentFileTest, AWriteMayExtendTheFileAtItsEndButNotLeaveAGap) {
    EquipmentFile file = EquipmentFile::open(path);
    file.writeBytes(221, test::patternRecord(3));
    EXPECT_EQ(file.length(), 294);
    EXPECT_EQ(file.highestUnitNumber(), 3);

    EXPECT_THROW(file.writeByte(296, 1), Error);
    EXPECT_THROW(file.writeByte(-1, 1), Error);
    EXPECT_EQ(file.length(), 294);
}

TEST_F(EquipmentFileTest, AFileThatPermitsReadingOnlyOpensForReadingAndRefusesWrites) {
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EquipmentFile file = EquipmentFile::open(path);
    EXPECT_TRUE(file.readOnly());
    EXPECT_EQ(file.readByte(4), original[4]);
    try {
        file.writeByte(4, 0);
        FAIL() << "a write to a read-only file was accepted";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("read-only"), std::string::npos);
    }
    file.close();
    EXPECT_EQ(test::readFile(path), original);
}

TEST_F(EquipmentFileTest, AMissingFileIsReportedAndNotCreated) {
    const std::string missing = folder.file("Equip98.eqp");
    try {
        EquipmentFile::open(missing);
        FAIL() << "a missing file opened";
    } catch (const Error& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("Equip98.eqp"), std::string::npos) << message;
        EXPECT_NE(message.find(folder.path()), std::string::npos) << message;
    }
    EXPECT_FALSE(test::fileExists(missing));
}

TEST_F(EquipmentFileTest, AFolderIsRefusedWithItsPath) {
    try {
        EquipmentFile::open(folder.path());
        FAIL() << "a folder opened";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Could not open " + folder.path() + ": it is a folder.");
    }
}

TEST_F(EquipmentFileTest, ShortWritesFailedFlushesAndFailedClosesAreErrors) {
    EquipmentFile file = EquipmentFile::open(path);
    FailingFiles faults;

    faults.shortenWrites(1);
    EXPECT_THROW(file.writeBytes(5, Bytes{9, 9, 9}), Error);
    faults.shortenWrites(-1);

    faults.failCall(FailingFiles::Call::WriteAt, errorNoSpace());
    EXPECT_THROW(file.writeByte(5, 9), Error);
    faults.failCall(FailingFiles::Call::WriteAt, 0);

    faults.failCall(FailingFiles::Call::Sync, errorIo());
    EXPECT_THROW(file.syncToDisk(), Error);
    EXPECT_THROW(file.close(), Error);  // the flush before closing fails too
    EXPECT_FALSE(file.isOpen());
}

TEST_F(EquipmentFileTest, AFailedCloseIsAnError) {
    EquipmentFile file = EquipmentFile::open(path);
    FailingFiles faults;
    faults.failCall(FailingFiles::Call::Close, errorIo());
    EXPECT_THROW(file.close(), Error);
}

TEST_F(EquipmentFileTest, NoticesWhenThePathNoLongerNamesTheOpenFile) {
    EquipmentFile file = EquipmentFile::open(path);
    EXPECT_TRUE(file.stillInPlace());
    ASSERT_EQ(std::rename(path.c_str(), folder.file("moved.eqp").c_str()), 0);
    test::writeFile(path, original);  // another program puts a new file under the old name
    EXPECT_FALSE(file.stillInPlace());
    EXPECT_THROW(file.writeByte(4, 0), Error);
    EXPECT_EQ(test::readFile(path), original);
    EXPECT_EQ(test::readFile(folder.file("moved.eqp")), original);
}

TEST_F(EquipmentFileTest, RefusesToWriteAFileThatWasRemovedOrCutShortBehindItsBack) {
    {
        EquipmentFile file = EquipmentFile::open(path);
        ASSERT_EQ(::truncate(path.c_str(), 150), 0);
        EXPECT_THROW(file.writeByte(4, 0), Error);
        EXPECT_EQ(test::readFile(path), Bytes(original.begin(), original.begin() + 150));
    }
    {
        test::writeFile(path, original);
        EquipmentFile file = EquipmentFile::open(path);
        file.writeBytes(221, test::patternRecord(3));  // our own growth is no change by others
        file.writeByte(4, 9);
        ASSERT_EQ(std::remove(path.c_str()), 0);
#ifdef _WIN32
        // Wine, and Windows before its POSIX-style removal on NTFS, take the name of an open
        // file away only when its last handle closes; until then the name still names the file
        // the editor has open, and a write reaches the file that is going. Closed, the name is
        // gone, and nothing made it again.
        file.close();
#else
        EXPECT_THROW(file.writeByte(4, 0), Error);
#endif
        EXPECT_FALSE(test::fileExists(path)) << "nothing is recreated";
    }
}

}  // namespace
}  // namespace varnel::data
