#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The name list held whole in memory, split into lines by the data layer's one line reader
// (data/name_list.h), with what check reports about its line ends: the tool looks at every name,
// and an import builds the new list from it.
namespace varnel::data {

class NameListImage {
  public:
    static NameListImage load(const std::string& path);
    static NameListImage fromBytes(std::string bytes);

    std::int64_t lineCount() const { return static_cast<std::int64_t>(lines_.size()); }
    // Line unit + 1, bytes in the code page; empty when the list is shorter.
    std::string_view nameOf(std::int64_t unit) const {
        return unit >= 0 && unit < lineCount()
                   ? std::string_view(bytes_).substr(lines_[static_cast<std::size_t>(unit)].start,
                                                     lines_[static_cast<std::size_t>(unit)].size)
                   : std::string_view();
    }
    const std::string& bytes() const { return bytes_; }

    std::int64_t linesEndedByCrAlone = 0, firstEndedByCrAlone = 0;
    std::int64_t linesEndedByLfAlone = 0, firstEndedByLfAlone = 0;
    bool lastLineUnended = false;

  private:
    // Where a line lies in the bytes, so that a copy of the list needs no fixing.
    struct Line {
        std::size_t start, size;
    };
    std::string bytes_;
    std::vector<Line> lines_;
};

// The name list that goes with an equipment file when none is given: the same name ending in
// ".txt" (".TXT" when the equipment file's ending is in capitals).
std::string defaultNameListFor(const std::string& equipmentPath);

}  // namespace varnel::data
