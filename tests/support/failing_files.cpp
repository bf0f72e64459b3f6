#include "failing_files.h"

namespace varnel::test {

FailingFiles::FailingFiles() : real_(data::installSystemFiles(this)) {}

FailingFiles::~FailingFiles() {
    data::installSystemFiles(real_);
}

void FailingFiles::failCall(Call call, data::SystemError error) {
    failing_[static_cast<int>(call)] = error;
}

void FailingFiles::failAfter(long calls, data::SystemError error) {
    countdown_ = calls;
    countdownError_ = error;
    fired_ = false;
}

data::SystemError FailingFiles::injected(Call call) {
    ++calls_;
    if (countdown_ > 0 && --countdown_ == 0) {
        fired_ = true;
        firedCall_ = call;
        return countdownError_;
    }
    return failing_[static_cast<int>(call)];
}

data::SystemResult<int> FailingFiles::open(const std::string& path, data::OpenMode mode) {
    if (auto error = injected(Call::Open)) {
        return {-1, error};
    }
    return real_->open(path, mode);
}

data::SystemResult<std::size_t> FailingFiles::readAt(int handle, void* buffer, std::size_t size,
                                                     std::int64_t offset) {
    if (auto error = injected(Call::ReadAt)) {
        return {0, error};
    }
    return real_->readAt(handle, buffer, size, offset);
}

data::SystemResult<std::size_t> FailingFiles::writeAt(int handle, const void* buffer,
                                                      std::size_t size, std::int64_t offset) {
    if (auto error = injected(Call::WriteAt)) {
        return {0, error};
    }
    if (shortWrite_ >= 0 && static_cast<std::size_t>(shortWrite_) < size) {
        return real_->writeAt(handle, buffer, static_cast<std::size_t>(shortWrite_), offset);
    }
    return real_->writeAt(handle, buffer, size, offset);
}

data::SystemResult<data::FileStatus> FailingFiles::status(int handle) {
    if (auto error = injected(Call::Status)) {
        return {{}, error};
    }
    return real_->status(handle);
}

data::SystemResult<data::FileStatus> FailingFiles::statusOfPath(const std::string& path) {
    if (auto error = injected(Call::StatusOfPath)) {
        return {{}, error};
    }
    return real_->statusOfPath(path);
}

data::SystemError FailingFiles::syncToDisk(int handle) {
    if (auto error = injected(Call::Sync)) {
        return error;
    }
    return real_->syncToDisk(handle);
}

data::SystemError FailingFiles::close(int handle) {
    if (auto error = injected(Call::Close)) {
        real_->close(handle);  // the handle is gone even when close reports an error
        return error;
    }
    return real_->close(handle);
}

data::SystemError FailingFiles::rename(const std::string& from, const std::string& to) {
    if (auto error = injected(Call::Rename)) {
        return error;
    }
    return real_->rename(from, to);
}

data::SystemError FailingFiles::remove(const std::string& path) {
    if (auto error = injected(Call::Remove)) {
        return error;
    }
    return real_->remove(path);
}

data::SystemError FailingFiles::syncFolder(const std::string& folder) {
    if (auto error = injected(Call::SyncFolder)) {
        return error;
    }
    return real_->syncFolder(folder);
}

data::SystemResult<data::FileStatus> FailingFiles::statusOfLink(const std::string& path) {
    if (auto error = injected(Call::StatusOfLink)) {
        return {{}, error};
    }
    return real_->statusOfLink(path);
}

data::SystemResult<std::string> FailingFiles::resolveLinks(const std::string& path) {
    if (auto error = injected(Call::ResolveLinks)) {
        return {{}, error};
    }
    return real_->resolveLinks(path);
}

data::SystemResult<int> FailingFiles::createNew(const std::string& path,
                                                std::uint32_t permissions) {
    if (auto error = injected(Call::CreateNew)) {
        return {-1, error};
    }
    return real_->createNew(path, permissions);
}

data::SystemError FailingFiles::setAccess(int handle, const data::FileAccess& access) {
    if (auto error = injected(Call::SetAccess)) {
        return error;
    }
    return real_->setAccess(handle, access);
}

data::SystemError FailingFiles::truncate(int handle, std::int64_t length) {
    if (auto error = injected(Call::Truncate)) {
        return error;
    }
    return real_->truncate(handle, length);
}

data::SystemError FailingFiles::lockForWriting(int handle) {
    if (auto error = injected(Call::Lock)) {
        return error;
    }
    return real_->lockForWriting(handle);
}

data::SystemError FailingFiles::unlock(int handle) {
    if (auto error = injected(Call::Unlock)) {
        return error;
    }
    return real_->unlock(handle);
}

}  // namespace varnel::test
