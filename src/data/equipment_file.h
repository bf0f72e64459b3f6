#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "system_files.h"
#include "write_lock.h"

namespace varnel::data {

// An open equipment file: positioned reads and writes of single fields, nothing cached. Every
// write goes straight to the operating system, so the next read sees it at once.
class EquipmentFile {
  public:
    // Opens an existing file for reading and writing; one that permits reading only is opened
    // for reading, and then every write is refused. A missing file is never created. Throws
    // Error with a message that names the path and the reason.
    static EquipmentFile open(const std::string& path);

    EquipmentFile(EquipmentFile&& other) noexcept;
    EquipmentFile& operator=(EquipmentFile&& other) noexcept;
    EquipmentFile(const EquipmentFile&) = delete;
    EquipmentFile& operator=(const EquipmentFile&) = delete;
    ~EquipmentFile();

    const std::string& path() const { return path_; }
    bool readOnly() const { return readOnly_; }
    // The file held open, as the system knows it: another name or link of it has the same.
    const FileIdentity& identity() const { return identity_; }

    std::int64_t length() const;
    std::int64_t highestUnitNumber() const;

    // Reads at a file offset. Bytes at or past the end of the file read as 0: the last record may
    // be short by a byte or two, and what is missing shows as 0.
    std::uint8_t readByte(std::int64_t offset) const;
    std::int16_t readWord(std::int64_t offset) const;  // signed 16-bit little-endian
    std::vector<std::uint8_t> readBytes(std::int64_t offset, std::size_t count) const;

    // Writes at a file offset. A write may start anywhere up to the current end of the file and
    // extends the file there; one that would leave a gap is refused, as is any write to a file
    // opened for reading only, and any write to a file that another program has removed,
    // replaced or made shorter since it was opened. A write that lengthens the file and fails
    // part way is undone: the file is cut back to its length before it, so a full disk never
    // leaves part of a record behind.
    void writeByte(std::int64_t offset, std::uint8_t value);
    void writeWord(std::int64_t offset, std::int16_t value);
    void writeBytes(std::int64_t offset, std::span<const std::uint8_t> bytes);

    // Cuts the file back to a length it had before this program lengthened it, undoing an
    // append (one that failed part way, or Create Unit taken back); throws Error when that fails.
    void cutBackTo(std::int64_t length);
    // Takes the file's present length as the one this program left: after this program's own
    // recovery has cut back an interrupted change through another open of the file.
    void acceptLength();

    // Takes the write lock on the file for one change, waiting briefly while another program
    // holds it (see WriteLock). A file opened for reading only gets a lock that holds nothing:
    // its writes are refused anyway, with their own message.
    WriteLock lockForWriting() const;

    // Makes everything written so far survive a power cut.
    void syncToDisk();

    // Whether the path still names the file held open: another program may have removed or
    // replaced it meanwhile.
    bool stillInPlace() const;

    // Flushes and closes; a failure is reported, yet the file counts as closed afterwards.
    void close();
    bool isOpen() const { return handle_ >= 0; }

  private:
    EquipmentFile(std::string path, int handle, bool readOnly, FileIdentity identity);
    [[noreturn]] void fail(const std::string& what, SystemError error) const;
    void requireWritable(std::int64_t offset);

    std::string path_;
    int handle_ = -1;
    bool readOnly_ = false;
    FileIdentity identity_;
    // The length as we last left it; a shorter file was cut by someone else.
    std::int64_t knownLength_ = 0;
};

}  // namespace varnel::data
