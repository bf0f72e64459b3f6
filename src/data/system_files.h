#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

// The editor's only door to the operating system's file interface. Every open, positioned read
// and write, length query, flush to disk, rename, remove and truncate goes through SystemFiles, so
// that tests can substitute an implementation that fails on purpose, and a port to another
// operating system replaces the one file that implements it.
namespace varnel::data {

// An operating-system error code (errno on POSIX, GetLastError() on Windows); 0 means success.
using SystemError = int;

struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// Who may do what with a file: its permission bits (the twelve low bits of a POSIX mode) and its
// owner and group. On Windows the read-only attribute is the owner's write bit, the bits are 0444
// or 0666, and owner and group are 0.
struct FileAccess {
    std::uint32_t permissions = 0;
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
};

struct FileStatus {
    bool exists = false;
    bool isFolder = false;
    bool isLink = false;          // only from statusOfLink: the name is a symbolic link
    bool permitsWriting = false;  // the permission bits let the file's owner write it (on
                                  // Windows: the file is not read-only)
    std::int64_t length = 0;
    FileIdentity identity;
    FileAccess access;
};

enum class OpenMode {
    ReadWrite,  // an existing file, for reading and writing
    ReadOnly,   // an existing file, for reading
};

template <typename T>
struct SystemResult {
    T value{};
    SystemError error = 0;
    bool ok() const { return error == 0; }
};

class SystemFiles {
  public:
    virtual ~SystemFiles() = default;

    virtual SystemResult<int> open(const std::string& path, OpenMode mode) = 0;
    // Reads up to size bytes; fewer only at the end of the file.
    virtual SystemResult<std::size_t> readAt(int handle, void* buffer, std::size_t size,
                                             std::int64_t offset) = 0;
    // Writes size bytes; a result below size is a short write.
    virtual SystemResult<std::size_t> writeAt(int handle, const void* buffer, std::size_t size,
                                              std::int64_t offset) = 0;
    virtual SystemResult<FileStatus> status(int handle) = 0;
    // The status of the file a path names, following symbolic links; a missing file is a status
    // with exists false, not an error.
    virtual SystemResult<FileStatus> statusOfPath(const std::string& path) = 0;
    // The same for the name itself: a symbolic link is reported as a link, not followed.
    virtual SystemResult<FileStatus> statusOfLink(const std::string& path) = 0;
    // The path of the file a path names, with every symbolic link on the way followed, absolute.
    virtual SystemResult<std::string> resolveLinks(const std::string& path) = 0;
    // Creates a new file for writing with the given permission bits. Fails when anything of that
    // name exists, a symbolic link included: a new file is never opened through a link.
    virtual SystemResult<int> createNew(const std::string& path, std::uint32_t permissions) = 0;
    // Gives an open file the access of another: owner and group where the process may set them
    // (another user's ownership is kept only by an administrator), then the permission bits.
    virtual SystemError setAccess(int handle, const FileAccess& access) = 0;
    // Cuts an open file to length bytes.
    virtual SystemError truncate(int handle, std::int64_t length) = 0;
    virtual SystemError syncToDisk(int handle) = 0;
    // Takes the advisory write lock on the whole of a file opened for writing, without waiting:
    // errorLocked() when another open of the file holds it, whether in another program or in
    // this one. The lock belongs to this open of the file and ends at unlock or when it closes.
    virtual SystemError lockForWriting(int handle) = 0;
    // Gives the write lock taken through this open of the file back.
    virtual SystemError unlock(int handle) = 0;
    virtual SystemError close(int handle) = 0;
    virtual SystemError rename(const std::string& from, const std::string& to) = 0;
    virtual SystemError remove(const std::string& path) = 0;
    // Makes a rename or remove inside the folder survive a power cut.
    virtual SystemError syncFolder(const std::string& folder) = 0;
    virtual std::string currentFolder() = 0;
    // Whether the program's standard output goes to a terminal rather than a file or a pipe.
    virtual bool outputIsTerminal() = 0;

    // The platform's path rules.
    virtual char separator() const = 0;
    virtual bool isAbsolute(const std::string& path) const = 0;
    // The reason behind an error code, in plain words ("it is a folder").
    virtual std::string describe(SystemError error) const = 0;
};

// The implementation in use: the real one unless a test has installed another.
SystemFiles& systemFiles();

// The reason for a failure, in words for a message.
inline std::string reasonFor(SystemError error) {
    return systemFiles().describe(error);
}

// Installs files as the implementation in use (nullptr restores the real one) and returns the
// one that was in use.
SystemFiles* installSystemFiles(SystemFiles* files);
// The operating system's own implementation, defined by the one file that implements the seam
// for the system built for.
SystemFiles& realSystemFiles();

// An open handle that is closed however the scope is left. The normal path calls close() and
// reports what it returns; the destructor's close is for paths that are already failing and
// reporting something else.
class OpenHandle {
  public:
    explicit OpenHandle(int handle) : handle_(handle) {}
    OpenHandle(const OpenHandle&) = delete;
    OpenHandle& operator=(const OpenHandle&) = delete;
    ~OpenHandle() {
        if (handle_ >= 0) {
            systemFiles().close(handle_);
        }
    }

    int handle() const { return handle_; }
    SystemError close() { return systemFiles().close(std::exchange(handle_, -1)); }
    // Hands the handle over unclosed.
    int release() { return std::exchange(handle_, -1); }

  private:
    int handle_;
};

// The path that a file-name text names: as it stands when absolute, else inside the current
// working folder.
std::string resolvePath(const std::string& nameText);

// The folder part of a path (what lies before its last separator).
std::string folderOf(const std::string& path);

// The file-name part of a path (what follows its last separator).
std::string fileNameOf(const std::string& path);

// The path of the file called name in the folder of path ("a/b.txt", "c.txt": "a/c.txt").
std::string pathInFolderOf(const std::string& path, const std::string& name);

// Well-known error codes, so that code outside the implementation file and tests can name them.
SystemError errorNoSpace();
SystemError errorIo();
SystemError errorNoSuchFile();
SystemError errorIsFolder();
SystemError errorReadOnlyFileSystem();
SystemError errorAccessDenied();
SystemError errorExists();
// Another open of the file holds its write lock.
SystemError errorLocked();

}  // namespace varnel::data
