#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// A broken rule ends the run as a crash, which libFuzzer keeps together with its input.
inline void require(bool holds, const char* rule) {
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", rule);
        std::abort();
    }
}

// The fuzz input taken apart front to back; past its end every byte reads as 0.
class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::string bytes(std::size_t count) {
        count = std::min(count, size_ - std::min(at_, size_));
        std::string taken(reinterpret_cast<const char*>(data_) + at_, count);
        at_ += count;
        return taken;
    }
    std::string rest() { return bytes(size_); }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};
