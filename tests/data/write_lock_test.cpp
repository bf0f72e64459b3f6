#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>

#include "data/equipment_file.h"
#include "data/error.h"
#include "data/write_lock.h"
#include "support/failing_files.h"
#include "support/temp_folder.h"

namespace varnel::data {
namespace {

using namespace std::chrono_literals;
using test::FailingFiles;

class WriteLockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::writeFile(path, test::makeEquipmentFile(1, {test::patternRecord(0)}));
    }
    // Whether a fresh open of the file can take the lock at once; it gives it back straight away.
    bool freeToLock() {
        const auto other = systemFiles().open(path, OpenMode::ReadWrite);
        const SystemError error = systemFiles().lockForWriting(other.value);
        systemFiles().close(other.value);
        return error == 0;
    }
    test::TempFolder folder;
    std::string path = folder.file("Equip97.eqp");
};

TEST_F(WriteLockTest, AnotherOpenWaitsThenIsRefusedNamingTheFile) {
    EquipmentFile first = EquipmentFile::open(path);
    EquipmentFile second = EquipmentFile::open(path);
    std::optional<WriteLock> held(first.lockForWriting());
    EXPECT_TRUE(held->held());

    FailingFiles counting;  // passes every call on, and counts them
    try {
        second.lockForWriting();
        FAIL() << "a second lock was granted";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  path +
                      " is being changed by another program right now (it holds the file's "
                      "write lock). Try again when it is done; nothing was changed.");
    }
    EXPECT_GT(counting.callCount(), 10) << "it gave up without trying again";

    // Closing some other open of the file leaves the lock where it is; ending the holder frees it.
    EquipmentFile third = EquipmentFile::open(path);
    third.close();
    EXPECT_FALSE(freeToLock());
    WriteLock moved = std::move(*held);
    held.reset();
    EXPECT_FALSE(freeToLock()) << "a moved-from lock gave the lock back";
    moved = WriteLock();
    EXPECT_TRUE(freeToLock());
    EXPECT_TRUE(second.lockForWriting().held());
}

TEST_F(WriteLockTest, AFileOpenedForReadingOnlyTakesNoLock) {
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EquipmentFile file = EquipmentFile::open(path);
    ASSERT_TRUE(file.readOnly());
    const WriteLock lock = file.lockForWriting();
    EXPECT_FALSE(lock.held());
    EXPECT_TRUE(freeToLock());
}

TEST_F(WriteLockTest, AFailureOtherThanAHolderIsRefusedAtOnce) {
    EquipmentFile file = EquipmentFile::open(path);
    FailingFiles failing;
    failing.failCall(FailingFiles::Call::Lock, errorIo());
    try {
        file.lockForWriting();
        FAIL() << "the lock was taken through a failing call";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Could not lock " + path +
                      " for writing: the device reported an input/output error. Nothing was "
                      "changed.");
    }
    EXPECT_EQ(failing.callCount(), 1);
    // A failure to give the lock back is no failure of the change: closing gives it back too.
    failing.failCall(FailingFiles::Call::Lock, 0);
    failing.failCall(FailingFiles::Call::Unlock, errorIo());
    { const WriteLock lock = file.lockForWriting(); }
    file.close();
    EXPECT_TRUE(freeToLock());
}

}  // namespace
}  // namespace varnel::data
