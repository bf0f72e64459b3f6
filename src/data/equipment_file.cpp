#include "equipment_file.h"
#include "unit_record.h"

#include <algorithm>
#include <utility>

#include "error.h"
#include "record_layout.h"

namespace varnel::data {

EquipmentFile EquipmentFile::open(const std::string& path) {
    SystemFiles& files = systemFiles();
    const std::string couldNot = "Could not open " + path + ": ";

    const auto before = files.statusOfPath(path);
    if (!before.ok()) {
        throw Error(couldNot + files.describe(before.error) + ".");
    }
    if (!before.value.exists) {
        throw Error("There is no file \"" + fileNameOf(path) + "\" in " + folderOf(path) +
                    ". Check the file name; nothing was created.");
    }
    if (before.value.isFolder) {
        throw Error(couldNot + files.describe(errorIsFolder()) + ".");
    }

    // A file whose permission bits forbid writing is opened for reading even where the system
    // would let us write (an administrator may): its owner meant it to stay as it is.
    bool readOnly = !before.value.permitsWriting;
    auto opened = files.open(path, readOnly ? OpenMode::ReadOnly : OpenMode::ReadWrite);
    if (!opened.ok() &&
        (opened.error == errorAccessDenied() || opened.error == errorReadOnlyFileSystem())) {
        opened = files.open(path, OpenMode::ReadOnly);
        readOnly = true;
    }
    if (!opened.ok()) {
        throw Error(couldNot + files.describe(opened.error) + ".");
    }
    OpenHandle handle(opened.value);
    const auto status = files.status(handle.handle());
    if (!status.ok() || status.value.isFolder) {
        throw Error(couldNot + files.describe(status.ok() ? errorIsFolder() : status.error) + ".");
    }
    EquipmentFile file(path, handle.release(), readOnly, status.value.identity);
    file.knownLength_ = status.value.length;
    return file;
}

EquipmentFile::EquipmentFile(std::string path, int handle, bool readOnly, FileIdentity identity)
    : path_(std::move(path)), handle_(handle), readOnly_(readOnly), identity_(identity) {}

EquipmentFile::EquipmentFile(EquipmentFile&& other) noexcept
    : path_(std::move(other.path_)),
      handle_(std::exchange(other.handle_, -1)),
      readOnly_(other.readOnly_),
      identity_(other.identity_),
      knownLength_(other.knownLength_) {}

EquipmentFile& EquipmentFile::operator=(EquipmentFile&& other) noexcept {
    if (this != &other) {
        if (handle_ >= 0) {
            systemFiles().close(handle_);
        }
        path_ = std::move(other.path_);
        handle_ = std::exchange(other.handle_, -1);
        readOnly_ = other.readOnly_;
        identity_ = other.identity_;
        knownLength_ = other.knownLength_;
    }
    return *this;
}

EquipmentFile::~EquipmentFile() {
    if (handle_ >= 0) {
        systemFiles().close(handle_);  // a destructor cannot report; close() is the checked path
    }
}

void EquipmentFile::fail(const std::string& what, SystemError error) const {
    throw Error("Could not " + what + " " + path_ + ": " + systemFiles().describe(error) + ".");
}

std::int64_t EquipmentFile::length() const {
    const auto status = systemFiles().status(handle_);
    if (!status.ok()) {
        fail("get the length of", status.error);
    }
    return status.value.length;
}

std::int64_t EquipmentFile::highestUnitNumber() const {
    return layout::highestUnitNumber(length());
}

std::vector<std::uint8_t> EquipmentFile::readBytes(std::int64_t offset, std::size_t count) const {
    std::vector<std::uint8_t> bytes(count, 0);
    if (offset < 0) {
        throw Error("Could not read " + path_ + ": a position before the start of the file.");
    }
    const auto read = systemFiles().readAt(handle_, bytes.data(), count, offset);
    if (!read.ok()) {
        fail("read", read.error);
    }
    return bytes;  // whatever lay past the end stays 0
}

std::uint8_t EquipmentFile::readByte(std::int64_t offset) const {
    return readBytes(offset, 1)[0];
}

std::int16_t EquipmentFile::readWord(std::int64_t offset) const {
    const auto bytes = readBytes(offset, 2);
    return wordOf(bytes[0], bytes[1]);
}

WriteLock EquipmentFile::lockForWriting() const {
    if (readOnly_ || handle_ < 0) {
        return WriteLock();
    }
    return WriteLock(handle_, path_);
}

void EquipmentFile::requireWritable(std::int64_t offset) {
    if (readOnly_) {
        throw Error(path_ + " is read-only: nothing was changed.");
    }
    // Never write into a file that another program has removed, replaced or cut short since we
    // opened it: our positions would land in the wrong place, or in a file nobody will read.
    if (!stillInPlace()) {
        throw Error(path_ +
                    " was removed or replaced by another program after it was opened. Close it "
                    "and open it again before changing it; nothing was changed.");
    }
    const std::int64_t now = length();
    if (now < knownLength_) {
        throw Error(path_ +
                    " was made shorter by another program after it was opened. Close it "
                    "and open it again before changing it; nothing was changed.");
    }
    if (offset < 0 || offset > now) {
        throw Error("Could not write " + path_ +
                    ": the position lies beyond the end of the file. Nothing was changed.");
    }
    knownLength_ = now;
}

void EquipmentFile::writeBytes(std::int64_t offset, std::span<const std::uint8_t> bytes) {
    requireWritable(offset);
    if (bytes.empty()) {
        return;
    }
    const std::int64_t lengthBefore = knownLength_;
    const std::int64_t end = offset + static_cast<std::int64_t>(bytes.size());
    // A write that lengthens the file is undone whole when it fails, so the bytes it overwrites
    // before the old end (stray bytes after the last record) are kept to be put back.
    const bool lengthens = end > lengthBefore;
    const std::vector<std::uint8_t> overwritten =
        lengthens && offset < lengthBefore
            ? readBytes(offset, static_cast<std::size_t>(lengthBefore - offset))
            : std::vector<std::uint8_t>();
    const auto written = systemFiles().writeAt(handle_, bytes.data(), bytes.size(), offset);
    // Only what reached the file lengthens it: a failed append must not pass later for a file
    // that another program cut short.
    if (written.ok()) {
        knownLength_ = std::max(knownLength_, offset + static_cast<std::int64_t>(written.value));
    }
    if (written.ok() && written.value == bytes.size()) {
        return;
    }
    // Only a full disk makes a regular file take part of a write.
    const SystemError error = written.ok() ? errorNoSpace() : written.error;
    const std::string failed = "Could not " +
                               std::string(written.ok() ? "write all of " : "write ") + path_ +
                               ": " + systemFiles().describe(error) + ".";
    if (!lengthens) {
        throw Error(failed);
    }
    try {
        if (knownLength_ > lengthBefore) {
            cutBackTo(lengthBefore);
        }
        if (!overwritten.empty()) {
            const auto restored =
                systemFiles().writeAt(handle_, overwritten.data(), overwritten.size(), offset);
            if (!restored.ok() || restored.value != overwritten.size()) {
                throw Error("The bytes it overwrote at its end could not be put back either: " +
                            path_ + " has changed.");
            }
        }
    } catch (const Error& undoError) {
        throw Error(failed + " " + undoError.what());
    }
    throw Error(failed + " Nothing was changed.");
}

void EquipmentFile::acceptLength() {
    knownLength_ = length();
}

void EquipmentFile::cutBackTo(std::int64_t length) {
    if (const SystemError error = systemFiles().truncate(handle_, length); error != 0) {
        throw Error("The bytes at its end could not be cut off (" + systemFiles().describe(error) +
                    "): " + path_ + " is now " + std::to_string(knownLength_) +
                    " bytes long, where it was to be " + std::to_string(length) + ".");
    }
    knownLength_ = length;
}

void EquipmentFile::writeByte(std::int64_t offset, std::uint8_t value) {
    writeBytes(offset, std::span<const std::uint8_t>(&value, 1));
}

void EquipmentFile::writeWord(std::int64_t offset, std::int16_t value) {
    writeBytes(offset, bytesOfWord(value));
}

void EquipmentFile::syncToDisk() {
    if (readOnly_) {
        return;
    }
    const SystemError error = systemFiles().syncToDisk(handle_);
    if (error != 0) {
        throw NotDurableError("Could not make the changes to " + path_ +
                              " safe on disk: " + systemFiles().describe(error) + ".");
    }
}

bool EquipmentFile::stillInPlace() const {
    const auto atPath = systemFiles().statusOfPath(path_);
    return atPath.ok() && atPath.value.exists && atPath.value.identity == identity_;
}

void EquipmentFile::close() {
    if (handle_ < 0) {
        return;
    }
    const int handle = std::exchange(handle_, -1);
    SystemError error = readOnly_ ? 0 : systemFiles().syncToDisk(handle);
    const SystemError closeError = systemFiles().close(handle);
    if (error == 0) {
        error = closeError;
    }
    if (error != 0) {
        throw Error("Could not close " + path_ + " cleanly: " + systemFiles().describe(error) +
                    ". The last changes may not all be on disk.");
    }
}

}  // namespace varnel::data
