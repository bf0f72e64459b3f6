#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnel::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);
void writeFile(const std::string& path, const std::string& text);
bool fileExists(const std::string& path);

// An equipment file: the 16-bit unit counter, then the records as given (each normally 73 bytes).
Bytes makeEquipmentFile(std::int16_t unitCount, const std::vector<Bytes>& records);

// A record whose every byte differs from those of other records: byte r of record n is
// (n * 73 + r) mod 251 + 1, so no byte is 0 and misplaced bytes show.
Bytes patternRecord(int unitNumber);

// A name list of the given names, each line ended by CR LF.
std::string nameListText(const std::vector<std::string>& names);

}  // namespace varnel::test
