// The POSIX implementation of SystemFiles: the one file that talks to the operating system.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "system_files.h"

namespace varnel::data {
namespace {

template <typename Call>
auto retryOnInterrupt(Call call) {
    for (;;) {
        auto result = call();
        if (result != -1 || errno != EINTR) {
            return result;
        }
    }
}

FileStatus statusFrom(const struct stat& info) {
    FileStatus status;
    status.exists = true;
    status.isFolder = S_ISDIR(info.st_mode);
    status.isLink = S_ISLNK(info.st_mode);
    // The owner's bit alone decides: the system checks the owner against it and nothing else.
    status.permitsWriting = (info.st_mode & S_IWUSR) != 0;
    status.length = static_cast<std::int64_t>(info.st_size);
    status.identity = {static_cast<std::uint64_t>(info.st_dev),
                       static_cast<std::uint64_t>(info.st_ino)};
    status.access = {static_cast<std::uint32_t>(info.st_mode & 07777),
                     static_cast<std::uint32_t>(info.st_uid),
                     static_cast<std::uint32_t>(info.st_gid)};
    return status;
}

class PosixSystemFiles final : public SystemFiles {
  public:
    SystemResult<int> open(const std::string& path, OpenMode mode) override {
        int flags = O_CLOEXEC;
        switch (mode) {
            case OpenMode::ReadWrite:
                flags |= O_RDWR;
                break;
            case OpenMode::ReadOnly:
                flags |= O_RDONLY;
                break;
        }
        const int handle = retryOnInterrupt([&] { return ::open(path.c_str(), flags); });
        if (handle < 0) {
            return {-1, errno};
        }
        return {handle, 0};
    }

    SystemResult<std::size_t> readAt(int handle, void* buffer, std::size_t size,
                                     std::int64_t offset) override {
        std::size_t done = 0;
        auto* bytes = static_cast<char*>(buffer);
        while (done < size) {
            const ssize_t got = retryOnInterrupt(
                [&] { return ::pread(handle, bytes + done, size - done, offset + done); });
            if (got < 0) {
                return {done, errno};
            }
            if (got == 0) {
                break;  // end of file
            }
            done += static_cast<std::size_t>(got);
        }
        return {done, 0};
    }

    SystemResult<std::size_t> writeAt(int handle, const void* buffer, std::size_t size,
                                      std::int64_t offset) override {
        const ssize_t put =
            retryOnInterrupt([&] { return ::pwrite(handle, buffer, size, offset); });
        if (put < 0) {
            return {0, errno};
        }
        return {static_cast<std::size_t>(put), 0};
    }

    SystemResult<FileStatus> status(int handle) override {
        struct stat info {};
        if (::fstat(handle, &info) != 0) {
            return {{}, errno};
        }
        return {statusFrom(info), 0};
    }

    SystemResult<FileStatus> statusOfPath(const std::string& path) override {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) {
            if (errno == ENOENT || errno == ENOTDIR) {
                return {FileStatus{}, 0};  // no such file: a status, not a failure
            }
            return {{}, errno};
        }
        return {statusFrom(info), 0};
    }

    SystemResult<FileStatus> statusOfLink(const std::string& path) override {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) {
            if (errno == ENOENT || errno == ENOTDIR) {
                return {FileStatus{}, 0};
            }
            return {{}, errno};
        }
        return {statusFrom(info), 0};
    }

    SystemResult<std::string> resolveLinks(const std::string& path) override {
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (resolved == nullptr) {
            return {{}, errno};
        }
        std::string result(resolved);
        std::free(resolved);
        return {std::move(result), 0};
    }

    SystemResult<int> createNew(const std::string& path, std::uint32_t permissions) override {
        const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
        const int handle = retryOnInterrupt(
            [&] { return ::open(path.c_str(), flags, static_cast<mode_t>(permissions & 0777)); });
        if (handle < 0) {
            return {-1, errno};
        }
        return {handle, 0};
    }

    SystemError setAccess(int handle, const FileAccess& access) override {
        struct stat info {};
        if (::fstat(handle, &info) != 0) {
            return errno;
        }
        // Owner and group first, since a change of owner clears the set-user and set-group bits.
        // Only an administrator may give a file away; anyone may pick one of their own groups.
        // Where neither is allowed the new file stays the writer's, which is no loss of access.
        if (info.st_uid != access.owner || info.st_gid != access.group) {
            if (::fchown(handle, access.owner, access.group) != 0 &&
                ::fchown(handle, static_cast<uid_t>(-1), access.group) != 0 && errno != EPERM) {
                return errno;
            }
        }
        return ::fchmod(handle, static_cast<mode_t>(access.permissions & 07777)) == 0 ? 0 : errno;
    }

    SystemError truncate(int handle, std::int64_t length) override {
        return retryOnInterrupt([&] { return ::ftruncate(handle, static_cast<off_t>(length)); }) ==
                       0
                   ? 0
                   : errno;
    }

    SystemError syncToDisk(int handle) override {
        return retryOnInterrupt([&] { return ::fsync(handle); }) == 0 ? 0 : errno;
    }

    SystemError lockForWriting(int handle) override { return setLock(handle, F_WRLCK); }

    SystemError unlock(int handle) override { return setLock(handle, F_UNLCK); }

    SystemError close(int handle) override {
        // close() must not be retried on EINTR: the descriptor is gone either way.
        return ::close(handle) == 0 ? 0 : errno;
    }

    SystemError rename(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }

    SystemError remove(const std::string& path) override {
        return ::unlink(path.c_str()) == 0 ? 0 : errno;
    }

    SystemError syncFolder(const std::string& folder) override {
        const int handle = retryOnInterrupt(
            [&] { return ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_CLOEXEC); });
        if (handle < 0) {
            return errno;
        }
        SystemError error = syncToDisk(handle);
        const SystemError closeError = close(handle);
        return error != 0 ? error : closeError;
    }

    std::string currentFolder() override {
        char buffer[PATH_MAX];
        if (::getcwd(buffer, sizeof buffer) == nullptr) {
            return ".";
        }
        return buffer;
    }

    bool outputIsTerminal() override { return ::isatty(STDOUT_FILENO) == 1; }

    char separator() const override { return '/'; }

    bool isAbsolute(const std::string& path) const override {
        return !path.empty() && path.front() == '/';
    }

    std::string describe(SystemError error) const override {
        switch (error) {
            case ENOENT:
                return "there is no such file";
            case EISDIR:
                return "it is a folder";
            case ENOTDIR:
                return "a part of the path is not a folder";
            case EACCES:
            case EPERM:
                return "permission was denied";
            case EROFS:
                return "the file system is read-only";
            case ENOSPC:
                return "the disk is full";
            case EDQUOT:
                return "the disk quota is used up";
            case EIO:
                return "the device reported an input/output error";
            case EAGAIN:
                return "another program holds the file's write lock";
            case ETXTBSY:
            case EBUSY:
                return "the file is in use by another program";
            case ENAMETOOLONG:
                return "the name is too long";
            case EEXIST:
                return "a file of that name exists already";
            case ELOOP:
                return "it is a symbolic link, or a path with too many links";
            case EMFILE:
            case ENFILE:
                return "too many files are open";
            default:
                return std::strerror(error);
        }
    }

  private:
    // Open file description locks: they belong to the open, not to the process, so two opens of
    // one file in one program exclude each other, and closing another handle of the file keeps
    // them. A whole-file range (length 0 reaches past any end).
    static SystemError setLock(int handle, short type) {
        struct flock range {};
        range.l_type = type;
        range.l_whence = SEEK_SET;
        range.l_start = 0;
        range.l_len = 0;
        if (retryOnInterrupt([&] { return ::fcntl(handle, F_OFD_SETLK, &range); }) == 0) {
            return 0;
        }
        return errno == EACCES ? EAGAIN : errno;  // either means another holder
    }
};

}  // namespace

SystemFiles& realSystemFiles() {
    static PosixSystemFiles files;
    return files;
}

SystemError errorNoSpace() {
    return ENOSPC;
}
SystemError errorIo() {
    return EIO;
}
SystemError errorNoSuchFile() {
    return ENOENT;
}
SystemError errorIsFolder() {
    return EISDIR;
}
SystemError errorReadOnlyFileSystem() {
    return EROFS;
}
SystemError errorAccessDenied() {
    return EACCES;
}
SystemError errorExists() {
    return EEXIST;
}
SystemError errorLocked() {
    return EAGAIN;
}

}  // namespace varnel::data
