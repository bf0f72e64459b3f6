#pragma once

#include <functional>
#include <string>

#include "data/system_files.h"

namespace varnel::test {

// A file layer that passes every call to the real one, but fails the calls a test picks: by kind
// of call, or by counting calls (the n-th call of any kind fails). Installed for the lifetime of
// the object.
class FailingFiles : public data::SystemFiles {
  public:
    enum class Call {
        Open,
        ReadAt,
        WriteAt,
        Status,
        StatusOfPath,
        Sync,
        Close,
        Rename,
        Remove,
        SyncFolder,
        StatusOfLink,
        ResolveLinks,
        CreateNew,
        SetAccess,
        Truncate,
        Lock,
        Unlock,
    };

    FailingFiles();
    ~FailingFiles() override;

    // The next call of this kind, and every later one, fails with error (0 clears it).
    void failCall(Call call, data::SystemError error);
    // Makes WriteAt take only this many bytes (a short write); negative clears it.
    void shortenWrites(long bytes) { shortWrite_ = bytes; }
    // The n-th call from now (1 is the next one) fails with error; 0 disarms the countdown.
    void failAfter(long calls, data::SystemError error);
    long callCount() const { return calls_; }
    bool countdownFired() const { return fired_; }
    // The kind of call the countdown failed, once it has fired.
    Call firedCall() const { return firedCall_; }

    data::SystemResult<int> open(const std::string& path, data::OpenMode mode) override;
    data::SystemResult<std::size_t> readAt(int handle, void* buffer, std::size_t size,
                                           std::int64_t offset) override;
    data::SystemResult<std::size_t> writeAt(int handle, const void* buffer, std::size_t size,
                                            std::int64_t offset) override;
    data::SystemResult<data::FileStatus> status(int handle) override;
    data::SystemResult<data::FileStatus> statusOfPath(const std::string& path) override;
    data::SystemError syncToDisk(int handle) override;
    data::SystemError close(int handle) override;
    data::SystemError rename(const std::string& from, const std::string& to) override;
    data::SystemError remove(const std::string& path) override;
    data::SystemError syncFolder(const std::string& folder) override;
    data::SystemResult<data::FileStatus> statusOfLink(const std::string& path) override;
    data::SystemResult<std::string> resolveLinks(const std::string& path) override;
    data::SystemResult<int> createNew(const std::string& path, std::uint32_t permissions) override;
    data::SystemError setAccess(int handle, const data::FileAccess& access) override;
    data::SystemError truncate(int handle, std::int64_t length) override;
    data::SystemError lockForWriting(int handle) override;
    data::SystemError unlock(int handle) override;
    bool outputIsTerminal() override { return real_->outputIsTerminal(); }
    std::string currentFolder() override { return real_->currentFolder(); }
    char separator() const override { return real_->separator(); }
    bool isAbsolute(const std::string& path) const override { return real_->isAbsolute(path); }
    std::string describe(data::SystemError error) const override { return real_->describe(error); }

  private:
    data::SystemError injected(Call call);

    data::SystemFiles* real_;
    data::SystemError failing_[static_cast<int>(Call::Unlock) + 1] = {};
    long shortWrite_ = -1;
    long countdown_ = 0;
    data::SystemError countdownError_ = 0;
    long calls_ = 0;
    bool fired_ = false;
    Call firedCall_ = Call::Open;
};

}  // namespace varnel::test
