#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace varnel::test {

TempFolder::TempFolder() {
#ifdef _WIN32
    // No mkdtemp(): a random name, taken by the first create_directory that makes it.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const std::string name = "varnel-test-" + std::to_string(random() % 1000000000u);
        const auto candidate = std::filesystem::temp_directory_path() / name;
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = candidate.string();
        }
    }
    if (path_.empty()) {
        throw std::runtime_error("cannot make a temporary folder");
    }
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "varnel-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    path_ = pattern;
#endif
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    // Make everything removable again, even what a test left read-only.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path_, ignored);
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

void writeFile(const std::string& path, const std::string& text) {
    writeFile(path, Bytes(text.begin(), text.end()));
}

bool fileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

Bytes makeEquipmentFile(std::int16_t unitCount, const std::vector<Bytes>& records) {
    const auto counter = static_cast<std::uint16_t>(unitCount);
    Bytes file{static_cast<std::uint8_t>(counter & 0xFF), static_cast<std::uint8_t>(counter >> 8)};
    for (const Bytes& record : records) {
        file.insert(file.end(), record.begin(), record.end());
    }
    return file;
}

Bytes patternRecord(int unitNumber) {
    Bytes record(73);
    for (int r = 0; r < 73; ++r) {
        record[r] = static_cast<std::uint8_t>((unitNumber * 73 + r) % 251 + 1);
    }
    return record;
}

std::string nameListText(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += name + "\r\n";
    }
    return text;
}

}  // namespace varnel::test
