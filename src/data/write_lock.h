#pragma once

#include <chrono>
#include <string>

namespace varnel::data {

// The advisory write lock on a whole open file, held for one change and given back when the
// object goes. Other programs that honour the lock wait for it; readers never do. The editor takes
// it for each write command and never keeps it between them, so the game and other tools can read
// the files at any time.
class WriteLock {
  public:
    // How long a change waits for another program to finish with the file before giving up.
    static constexpr std::chrono::milliseconds kPatience{2000};

    // Holds nothing.
    WriteLock() = default;
    // Takes the lock on handle, an open of the file at path made for writing. While another
    // program (or another open in this one) holds it, tries again every few milliseconds for up
    // to patience, then throws Error naming the path. Any other failure throws Error as well.
    WriteLock(int handle, std::string path, std::chrono::milliseconds patience = kPatience);

    WriteLock(WriteLock&& other) noexcept;
    WriteLock& operator=(WriteLock&& other) noexcept;
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;
    ~WriteLock();

    bool held() const { return handle_ >= 0; }
    // Gives the lock back now; a failure to do so counts for nothing, since closing the file
    // gives it back as well.
    void release();

  private:
    int handle_ = -1;
    std::string path_;
};

}  // namespace varnel::data
