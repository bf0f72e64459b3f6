#include "write_lock.h"

#include <thread>
#include <utility>

#include "error.h"
#include "system_files.h"

namespace varnel::data {

WriteLock::WriteLock(int handle, std::string path, std::chrono::milliseconds patience)
    : path_(std::move(path)) {
    SystemFiles& files = systemFiles();
    constexpr std::chrono::milliseconds kPause{10};
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        const SystemError error = files.lockForWriting(handle);
        if (error == 0) {
            handle_ = handle;
            return;
        }
        if (error != errorLocked()) {
            throw Error("Could not lock " + path_ + " for writing: " + files.describe(error) +
                        ". Nothing was changed.");
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            throw Error(path_ +
                        " is being changed by another program right now (it holds the file's "
                        "write lock). Try again when it is done; nothing was changed.");
        }
        std::this_thread::sleep_for(kPause);
    }
}

WriteLock::WriteLock(WriteLock&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), path_(std::move(other.path_)) {}

WriteLock& WriteLock::operator=(WriteLock&& other) noexcept {
    if (this != &other) {
        release();
        handle_ = std::exchange(other.handle_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

WriteLock::~WriteLock() {
    release();
}

void WriteLock::release() {
    if (handle_ >= 0) {
        systemFiles().unlock(std::exchange(handle_, -1));
    }
}

}  // namespace varnel::data
