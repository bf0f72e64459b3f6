// The Windows implementation of SystemFiles: the one file that talks to the operating system.
//
// Paths are UTF-8 in the program and UTF-16 here, at the system's door. The program's handles are
// small numbers, each standing for a HANDLE in a table of this file. Every file is opened with all
// three sharing rights, reading, writing and deletion, so that a file open in the editor may still
// be read, written, renamed over or removed by other programs, as on POSIX. Error codes are those
// of GetLastError().

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <climits>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "system_files.h"

// Codes newer than the headers of some MinGW releases.
#ifndef ERROR_DIRECTORY_NOT_SUPPORTED
#define ERROR_DIRECTORY_NOT_SUPPORTED 336L
#endif
#ifndef ERROR_DISK_QUOTA_EXCEEDED
#define ERROR_DISK_QUOTA_EXCEEDED 1295L
#endif

namespace varnel::data {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The code given for a folder where a file was expected: Windows itself mostly answers "access
// denied" then, which would send the user looking at the file's permissions.
constexpr SystemError kIsFolder = ERROR_DIRECTORY_NOT_SUPPORTED;

// The largest piece one ReadFile or WriteFile call is given.
constexpr std::size_t kLargestPiece = 1u << 30;

// The advisory write lock is a lock on one byte far past any end a file can have, so that it
// stops only those who ask for the same lock: a lock on the file's own bytes would make every
// read of them by another program fail while it is held, the game's included.
constexpr std::uint64_t kLockOffset = 0x7FFF'FFFF'FFFF'FFFEull;

// The last error, with the codes that mean the same thing to the program made one: a missing
// folder on the way is a missing file, as ENOENT covers both on POSIX.
SystemError lastError() {
    const DWORD error = ::GetLastError();
    switch (error) {
        case ERROR_PATH_NOT_FOUND:
            return ERROR_FILE_NOT_FOUND;
        case ERROR_ALREADY_EXISTS:
            return ERROR_FILE_EXISTS;
        case ERROR_HANDLE_DISK_FULL:
            return ERROR_DISK_FULL;
        case ERROR_SUCCESS:
            return ERROR_GEN_FAILURE;  // a failure that says nothing is a failure still
        default:
            return static_cast<SystemError>(error);
    }
}

SystemResult<std::wstring> wideOf(const std::string& text) {
    if (text.empty()) {
        return {std::wstring(), 0};
    }
    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        return {{}, ERROR_FILENAME_EXCED_RANGE};
    }
    const int size = static_cast<int>(text.size());
    const int needed =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (needed <= 0) {
        return {{}, lastError()};
    }
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), needed);
    return {std::move(wide), 0};
}

std::string utf8Of(const wchar_t* wide, std::size_t length) {
    if (length == 0 || length > static_cast<std::size_t>(INT_MAX)) {
        return {};
    }
    const int size = static_cast<int>(length);
    const int needed = ::WideCharToMultiByte(CP_UTF8, 0, wide, size, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(needed), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide, size, text.data(), needed, nullptr, nullptr);
    return text;
}

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(offset & 0xFFFF'FFFFu);
    where.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return where;
}

bool isLinkTag(DWORD tag) {
    return tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT;
}

// What an open handle says of its file. A link opened as itself is a link, and not a folder even
// when it leads to one, as lstat() has it.
SystemResult<FileStatus> statusOfHandle(HANDLE handle, bool asLink) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) {
        return {{}, lastError()};
    }
    FileStatus status;
    status.exists = true;
    status.isFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (asLink && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        FILE_ATTRIBUTE_TAG_INFO tag{};
        if (::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) &&
            isLinkTag(tag.ReparseTag)) {
            status.isLink = true;
            status.isFolder = false;
        }
    }
    // The read-only attribute is Windows's whole say on whether a file may be written; owner and
    // group have no meaning here. The permission bits are made from it.
    const bool readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    status.permitsWriting = !readOnly;
    status.length =
        static_cast<std::int64_t>((std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow);
    status.identity = {info.dwVolumeSerialNumber,
                       (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
    status.access.permissions = (readOnly ? 0444u : 0666u) | (status.isFolder ? 0111u : 0u);
    return {status, 0};
}

bool isMissing(SystemError error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_INVALID_NAME ||
           error == ERROR_DIRECTORY || error == ERROR_BAD_NETPATH;
}

class WindowsSystemFiles final : public SystemFiles {
  public:
    SystemResult<int> open(const std::string& path, OpenMode mode) override {
        const auto wide = wideOf(path);
        if (!wide.ok()) {
            return {-1, wide.error};
        }
        const bool writing = mode == OpenMode::ReadWrite;
        const DWORD access = GENERIC_READ | (writing ? GENERIC_WRITE : 0);
        const HANDLE handle = ::CreateFileW(wide.value.c_str(), access, kShareAll, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const SystemError error = lastError();
            return {-1, error == ERROR_ACCESS_DENIED && isFolder(wide.value) ? kIsFolder : error};
        }
        return {add(handle, writing), 0};
    }

    SystemResult<std::size_t> readAt(int handle, void* buffer, std::size_t size,
                                     std::int64_t offset) override {
        const HANDLE file = find(handle);
        if (file == INVALID_HANDLE_VALUE) {
            return {0, ERROR_INVALID_HANDLE};
        }
        if (offset < 0) {
            return {0, ERROR_NEGATIVE_SEEK};
        }
        std::size_t done = 0;
        auto* bytes = static_cast<char*>(buffer);
        while (done < size) {
            const auto piece = static_cast<DWORD>(std::min(size - done, kLargestPiece));
            OVERLAPPED where = at(static_cast<std::uint64_t>(offset) + done);
            DWORD got = 0;
            if (!::ReadFile(file, bytes + done, piece, &got, &where)) {
                const SystemError error = lastError();
                if (error == ERROR_HANDLE_EOF) {
                    break;  // reading at or past the end
                }
                return {done, error};
            }
            if (got == 0) {
                break;
            }
            done += got;
        }
        return {done, 0};
    }

    SystemResult<std::size_t> writeAt(int handle, const void* buffer, std::size_t size,
                                      std::int64_t offset) override {
        const HANDLE file = find(handle);
        if (file == INVALID_HANDLE_VALUE) {
            return {0, ERROR_INVALID_HANDLE};
        }
        if (offset < 0) {
            return {0, ERROR_NEGATIVE_SEEK};
        }
        std::size_t done = 0;
        const auto* bytes = static_cast<const char*>(buffer);
        while (done < size) {
            const auto piece = static_cast<DWORD>(std::min(size - done, kLargestPiece));
            OVERLAPPED where = at(static_cast<std::uint64_t>(offset) + done);
            DWORD put = 0;
            if (!::WriteFile(file, bytes + done, piece, &put, &where)) {
                // What was written stands, as a short write; nothing at all is the failure.
                return done > 0 ? SystemResult<std::size_t>{done, 0}
                                : SystemResult<std::size_t>{0, lastError()};
            }
            if (put == 0) {
                break;
            }
            done += put;
        }
        return {done, 0};
    }

    SystemResult<FileStatus> status(int handle) override {
        const HANDLE file = find(handle);
        if (file == INVALID_HANDLE_VALUE) {
            return {{}, ERROR_INVALID_HANDLE};
        }
        return statusOfHandle(file, false);
    }

    SystemResult<FileStatus> statusOfPath(const std::string& path) override {
        return statusAt(path, false);
    }

    SystemResult<FileStatus> statusOfLink(const std::string& path) override {
        return statusAt(path, true);
    }

    SystemResult<std::string> resolveLinks(const std::string& path) override {
        const auto wide = wideOf(path);
        if (!wide.ok()) {
            return {{}, wide.error};
        }
        // Access 0 asks only for the name; backup semantics lets a folder open as well.
        const HANDLE handle = ::CreateFileW(wide.value.c_str(), 0, kShareAll, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            return {{}, lastError()};
        }
        std::wstring name(MAX_PATH, L'\0');
        for (;;) {
            const DWORD length = ::GetFinalPathNameByHandleW(
                handle, name.data(), static_cast<DWORD>(name.size()), FILE_NAME_NORMALIZED);
            if (length == 0) {
                const SystemError error = lastError();
                ::CloseHandle(handle);
                return {{}, error};
            }
            if (length < name.size()) {
                name.resize(length);
                break;
            }
            name.resize(length + 1);  // too small: length is the size needed
        }
        ::CloseHandle(handle);
        // The system's answer is in its long-path form: \\?\C:\… or \\?\UNC\server\share\….
        std::wstring_view shown(name);
        if (shown.starts_with(L"\\\\?\\UNC\\")) {
            name = L"\\\\" + std::wstring(shown.substr(8));
        } else if (shown.starts_with(L"\\\\?\\")) {
            name = std::wstring(shown.substr(4));
        }
        return {utf8Of(name.data(), name.size()), 0};
    }

    SystemResult<int> createNew(const std::string& path, std::uint32_t permissions) override {
        const auto wide = wideOf(path);
        if (!wide.ok()) {
            return {-1, wide.error};
        }
        // CREATE_NEW fails when the name exists as anything, a link included, so a new file is
        // never opened through one. Read access too, for status() of the new file.
        const DWORD attributes =
            (permissions & 0200) != 0 ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
        const HANDLE handle =
            ::CreateFileW(wide.value.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                          CREATE_NEW, attributes | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            return {-1, lastError()};
        }
        return {add(handle, true), 0};
    }

    SystemError setAccess(int handle, const FileAccess& access) override {
        const HANDLE file = find(handle);
        if (file == INVALID_HANDLE_VALUE) {
            return ERROR_INVALID_HANDLE;
        }
        // Owner and group are left as Windows gives them to a new file (the folder's inherited
        // rights); the owner's write bit becomes the read-only attribute.
        FILE_BASIC_INFO basic{};
        if (!::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)) {
            return lastError();
        }
        DWORD attributes = basic.FileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL);
        if ((access.permissions & 0200) != 0) {
            attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        } else {
            attributes |= FILE_ATTRIBUTE_READONLY;
        }
        if (attributes == basic.FileAttributes) {
            return 0;
        }
        FILE_BASIC_INFO changed{};  // times of 0 are left as they are
        changed.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
        return ::SetFileInformationByHandle(file, FileBasicInfo, &changed, sizeof changed)
                   ? 0
                   : lastError();
    }

    SystemError truncate(int handle, std::int64_t length) override {
        const HANDLE file = find(handle);
        if (file == INVALID_HANDLE_VALUE) {
            return ERROR_INVALID_HANDLE;
        }
        if (length < 0) {
            return ERROR_NEGATIVE_SEEK;
        }
        FILE_END_OF_FILE_INFO end{};
        end.EndOfFile.QuadPart = length;
        return ::SetFileInformationByHandle(file, FileEndOfFileInfo, &end, sizeof end)
                   ? 0
                   : lastError();
    }

    SystemError syncToDisk(int handle) override {
        const Entry entry = entryOf(handle);
        if (entry.handle == INVALID_HANDLE_VALUE) {
            return ERROR_INVALID_HANDLE;
        }
        // Nothing was written through a handle opened for reading, and Windows refuses to flush
        // one: there is nothing of it to save.
        if (!entry.writing) {
            return 0;
        }
        return ::FlushFileBuffers(entry.handle) ? 0 : lastError();
    }

    SystemError lockForWriting(int handle) override {
        const HANDLE file = find(handle);
        if (file == INVALID_HANDLE_VALUE) {
            return ERROR_INVALID_HANDLE;
        }
        // A lock belongs to the handle it was taken through: another handle of the file, in this
        // program or another, is refused it, and closing the handle gives it back.
        OVERLAPPED where = at(kLockOffset);
        if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                         &where)) {
            return 0;
        }
        const SystemError error = lastError();
        return error == ERROR_IO_PENDING ? ERROR_LOCK_VIOLATION : error;
    }

    SystemError unlock(int handle) override {
        const HANDLE file = find(handle);
        if (file == INVALID_HANDLE_VALUE) {
            return ERROR_INVALID_HANDLE;
        }
        OVERLAPPED where = at(kLockOffset);
        return ::UnlockFileEx(file, 0, 1, 0, &where) ? 0 : lastError();
    }

    SystemError close(int handle) override {
        const HANDLE file = take(handle);
        if (file == INVALID_HANDLE_VALUE) {
            return ERROR_INVALID_HANDLE;
        }
        return ::CloseHandle(file) ? 0 : lastError();
    }

    SystemError rename(const std::string& from, const std::string& to) override {
        const auto wideFrom = wideOf(from);
        const auto wideTo = wideOf(to);
        if (!wideFrom.ok() || !wideTo.ok()) {
            return wideFrom.ok() ? wideTo.error : wideFrom.error;
        }
        // Write-through: the call returns once the new name is on disk (see syncFolder()).
        return ::MoveFileExW(wideFrom.value.c_str(), wideTo.value.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                   ? 0
                   : lastError();
    }

    SystemError remove(const std::string& path) override {
        const auto wide = wideOf(path);
        if (!wide.ok()) {
            return wide.error;
        }
        if (::DeleteFileW(wide.value.c_str())) {
            return 0;
        }
        const SystemError error = lastError();
        if (error != ERROR_ACCESS_DENIED) {
            return error;
        }
        // Removing a name is the folder's business on POSIX, whatever the file's permission
        // bits; Windows refuses a read-only file, and takes a link to a folder as a folder.
        const DWORD attributes = ::GetFileAttributesW(wide.value.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            return error;
        }
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                return ::RemoveDirectoryW(wide.value.c_str()) ? 0 : lastError();
            }
            return kIsFolder;
        }
        if ((attributes & FILE_ATTRIBUTE_READONLY) == 0 ||
            !::SetFileAttributesW(wide.value.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
            return error;
        }
        if (::DeleteFileW(wide.value.c_str())) {
            return 0;
        }
        const SystemError again = lastError();
        ::SetFileAttributesW(wide.value.c_str(), attributes);  // left as it was found
        return again;
    }

    SystemError syncFolder(const std::string&) override {
        // Windows documents no way to save a folder's entries to disk. The renames need none:
        // each is made with MOVEFILE_WRITE_THROUGH, which returns only once the new name is on
        // disk. A removal has no such flag; it is left to the file system's own journal.
        return 0;
    }

    std::string currentFolder() override {
        const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
        if (needed == 0) {
            return ".";
        }
        std::wstring folder(needed, L'\0');
        const DWORD length = ::GetCurrentDirectoryW(needed, folder.data());
        if (length == 0 || length >= needed) {
            return ".";
        }
        return utf8Of(folder.data(), length);
    }

    bool outputIsTerminal() override {
        const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
        DWORD consoleMode = 0;
        return output != nullptr && output != INVALID_HANDLE_VALUE &&
               ::GetFileType(output) == FILE_TYPE_CHAR && ::GetConsoleMode(output, &consoleMode);
    }

    // Windows takes '/' as well, and the program's paths use either (see paths.cpp).
    char separator() const override { return '\\'; }

    // A drive's root ("C:\"), a network share ("\\server\share"), or the root of the current
    // drive ("\folder"), which names the same file from any working folder on that drive.
    bool isAbsolute(const std::string& path) const override {
        const auto separates = [](char c) { return c == '\\' || c == '/'; };
        if (!path.empty() && separates(path[0])) {
            return true;
        }
        const auto drive = static_cast<unsigned char>(path.empty() ? 0 : path[0]);
        return path.size() >= 3 && ((drive | 0x20) >= 'a' && (drive | 0x20) <= 'z') &&
               path[1] == ':' && separates(path[2]);
    }

    std::string describe(SystemError error) const override {
        switch (error) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
                return "there is no such file";
            case kIsFolder:
                return "it is a folder";
            case ERROR_DIRECTORY:
                return "a part of the path is not a folder";
            case ERROR_ACCESS_DENIED:
                return "permission was denied";
            case ERROR_SHARING_VIOLATION:
                return "the file is in use by another program";
            case ERROR_LOCK_VIOLATION:
                return "another program holds the file's write lock";
            case ERROR_WRITE_PROTECT:
                return "the file system is read-only";
            case ERROR_DISK_FULL:
            case ERROR_HANDLE_DISK_FULL:
                return "the disk is full";
            case ERROR_DISK_QUOTA_EXCEEDED:
                return "the disk quota is used up";
            case ERROR_IO_DEVICE:
            case ERROR_CRC:
            case ERROR_READ_FAULT:
            case ERROR_WRITE_FAULT:
            case ERROR_GEN_FAILURE:
                return "the device reported an input/output error";
            case ERROR_NOT_READY:
                return "the drive is not ready";
            case ERROR_FILENAME_EXCED_RANGE:
                return "the name is too long";
            case ERROR_INVALID_NAME:
                return "the name is not one Windows allows for a file";
            case ERROR_NO_UNICODE_TRANSLATION:
                return "the name is not valid UTF-8";
            case ERROR_FILE_EXISTS:
            case ERROR_ALREADY_EXISTS:
                return "a file of that name exists already";
            case ERROR_CANT_RESOLVE_FILENAME:
                return "it is a symbolic link, or a path with too many links";
            case ERROR_TOO_MANY_OPEN_FILES:
                return "too many files are open";
            case ERROR_NOT_SAME_DEVICE:
                return "the two names lie on different drives";
            default:
                return systemsWords(error);
        }
    }

  private:
    struct Entry {
        HANDLE handle = INVALID_HANDLE_VALUE;
        bool writing = false;
    };

    // A link is opened as itself for statusOfLink, followed for statusOfPath. A missing file is a
    // status with exists false, not an error.
    SystemResult<FileStatus> statusAt(const std::string& path, bool asLink) {
        const auto wide = wideOf(path);
        if (!wide.ok()) {
            return {{}, wide.error};
        }
        WIN32_FILE_ATTRIBUTE_DATA found{};
        if (!::GetFileAttributesExW(wide.value.c_str(), GetFileExInfoStandard, &found)) {
            const SystemError error = lastError();
            return isMissing(error) ? SystemResult<FileStatus>{}
                                    : SystemResult<FileStatus>{{}, error};
        }
        // The attributes name no file identity: an open of the name for no access at all tells
        // it, and the rest.
        const DWORD flags =
            FILE_FLAG_BACKUP_SEMANTICS | (asLink ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
        const HANDLE handle =
            ::CreateFileW(wide.value.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const SystemError error = lastError();
            // Gone meanwhile, or a link that leads nowhere.
            return isMissing(error) ? SystemResult<FileStatus>{}
                                    : SystemResult<FileStatus>{{}, error};
        }
        auto status = statusOfHandle(handle, asLink);
        ::CloseHandle(handle);
        return status;
    }

    bool isFolder(const std::wstring& path) const {
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }

    // The system's own words, for the codes the table above leaves out.
    static std::string systemsWords(SystemError error) {
        wchar_t* text = nullptr;
        const DWORD length = ::FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, static_cast<DWORD>(error), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
            reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        std::string words = length > 0 ? utf8Of(text, length) : std::string();
        if (text != nullptr) {
            ::LocalFree(text);
        }
        while (!words.empty() && (words.back() == '\n' || words.back() == '\r' ||
                                  words.back() == ' ' || words.back() == '.')) {
            words.pop_back();
        }
        if (words.empty()) {
            return "Windows error " + std::to_string(error);
        }
        if (words[0] >= 'A' && words[0] <= 'Z' &&
            (words.size() < 2 || words[1] < 'A' || words[1] > 'Z')) {
            words[0] = static_cast<char>(words[0] - 'A' + 'a');  // it goes after a colon
        }
        return words;
    }

    int add(HANDLE handle, bool writing) {
        const std::lock_guard<std::mutex> guard(mutex_);
        for (std::size_t slot = 0; slot < table_.size(); ++slot) {
            if (table_[slot].handle == INVALID_HANDLE_VALUE) {
                table_[slot] = {handle, writing};
                return static_cast<int>(slot);
            }
        }
        table_.push_back({handle, writing});
        return static_cast<int>(table_.size() - 1);
    }

    Entry entryOf(int handle) {
        const std::lock_guard<std::mutex> guard(mutex_);
        if (handle < 0 || static_cast<std::size_t>(handle) >= table_.size()) {
            return {};
        }
        return table_[static_cast<std::size_t>(handle)];
    }

    HANDLE find(int handle) { return entryOf(handle).handle; }

    HANDLE take(int handle) {
        const std::lock_guard<std::mutex> guard(mutex_);
        if (handle < 0 || static_cast<std::size_t>(handle) >= table_.size()) {
            return INVALID_HANDLE_VALUE;
        }
        return std::exchange(table_[static_cast<std::size_t>(handle)].handle, INVALID_HANDLE_VALUE);
    }

    std::mutex mutex_;
    std::vector<Entry> table_;
};

}  // namespace

SystemFiles& realSystemFiles() {
    static WindowsSystemFiles files;
    return files;
}

SystemError errorNoSpace() {
    return ERROR_DISK_FULL;
}
SystemError errorIo() {
    return ERROR_IO_DEVICE;
}
SystemError errorNoSuchFile() {
    return ERROR_FILE_NOT_FOUND;
}
SystemError errorIsFolder() {
    return kIsFolder;
}
SystemError errorReadOnlyFileSystem() {
    return ERROR_WRITE_PROTECT;
}
SystemError errorAccessDenied() {
    return ERROR_ACCESS_DENIED;
}
SystemError errorExists() {
    return ERROR_FILE_EXISTS;
}
SystemError errorLocked() {
    return ERROR_LOCK_VIOLATION;
}

}  // namespace varnel::data
