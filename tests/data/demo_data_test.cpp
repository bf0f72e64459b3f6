#include "demo_units.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t kHeader = 2;
constexpr std::size_t kRecord = 73;

struct DemoFile {
    std::vector<std::uint8_t> bytes = varnel::demo::demoEquipmentFile();
    std::size_t units() const { return (bytes.size() - kHeader) / kRecord; }
    std::uint8_t at(std::size_t unit, std::size_t offset) const {
        return bytes.at(kHeader + kRecord * unit + offset);
    }
};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));  // a last line without its CR LF
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

TEST(DemoData, FileHoldsWholeRecordsCountedInTheHeader) {
    const DemoFile file;
    ASSERT_GE(file.bytes.size(), kHeader + kRecord);
    EXPECT_EQ((file.bytes.size() - kHeader) % kRecord, 0u);
    const std::size_t header = file.bytes[0] | (file.bytes[1] << 8);
    EXPECT_EQ(header, file.units());
    EXPECT_EQ(file.units(), 60u);
    for (std::size_t n = 0; n < file.units(); ++n) {
        SCOPED_TRACE("unit " + std::to_string(n));
        EXPECT_EQ(file.at(n, 0) | (file.at(n, 1) << 8), static_cast<int>(n));
    }
}

TEST(DemoData, NameListHasOnePlainNamePerRecord) {
    const DemoFile file;
    const std::string text = varnel::demo::demoNameList();
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    const std::vector<std::string> names = linesOf(text);
    EXPECT_EQ(names.size(), file.units());
    for (const std::string& name : names) {
        SCOPED_TRACE("name \"" + name + "\"");
        EXPECT_FALSE(name.empty());
        for (const char c : name) {
            EXPECT_TRUE(c >= ' ' && c <= '~');
        }
    }
}

TEST(DemoData, EveryClassAndNationalityAppears) {
    const DemoFile file;
    std::set<int> classes;
    std::set<std::array<int, 4>> nations;
    for (std::size_t n = 0; n < file.units(); ++n) {
        classes.insert(file.at(n, 2));
        nations.insert({file.at(n, 30), file.at(n, 31), file.at(n, 32), file.at(n, 33)});
    }
    for (int code = 1; code <= 21; ++code) {
        EXPECT_TRUE(classes.count(code)) << "class " << code;
    }
    // Poland, Germany, USA, Finland, Russia, France, England, Hungary, Italy, Nationalist,
    // Norway, Republican, Romania, Czechoslovakia.
    const std::array<std::array<int, 4>, 14> known = {{{0, 0, 128, 0},
                                                       {0, 128, 0, 0},
                                                       {0, 32, 0, 0},
                                                       {2, 0, 0, 0},
                                                       {0, 0, 8, 0},
                                                       {1, 0, 0, 0},
                                                       {0, 0, 1, 0},
                                                       {0, 16, 0, 0},
                                                       {0, 4, 0, 0},
                                                       {0, 0, 0, 64},
                                                       {0, 1, 0, 0},
                                                       {0, 0, 0, 32},
                                                       {0, 0, 32, 0},
                                                       {8, 0, 0, 0}}};
    for (const auto& pattern : known) {
        EXPECT_TRUE(nations.count(pattern)) << "nation bytes " << pattern[0] << " " << pattern[1]
                                            << " " << pattern[2] << " " << pattern[3];
    }
}

TEST(DemoData, EverySwitchPatternAppearsAndFitsTheClass) {
    const DemoFile file;
    // (sw1, sw2, whether the class is the one that makes the pattern an air or sea transport)
    std::set<std::array<int, 3>> seen;
    // The switch bytes the class default gives, for the classes that have one.
    const std::map<int, std::pair<int, int>> defaults = {
        {1, {1, 0}},  {2, {1, 0}},  {3, {1, 0}},   {4, {1, 0}},    {7, {49, 0}},   {8, {1, 0}},
        {9, {49, 0}}, {10, {1, 0}}, {11, {65, 0}}, {13, {193, 1}}, {18, {129, 1}},
    };
    for (std::size_t n = 0; n < file.units(); ++n) {
        const int unitClass = file.at(n, 2);
        const int sw1 = file.at(n, 34);
        const int sw2 = file.at(n, 35);
        const bool transport = (sw1 == 193 && unitClass == 13) || (sw1 == 129 && unitClass == 18);
        seen.insert({sw1, sw2, transport ? 1 : 0});
        const auto found = defaults.find(unitClass);
        if (found != defaults.end()) {
            SCOPED_TRACE("unit " + std::to_string(n));
            EXPECT_EQ(std::make_pair(sw1, sw2), found->second);
        }
    }
    const std::array<std::array<int, 3>, 9> wanted = {{{193, 1, 1},
                                                       {193, 1, 0},
                                                       {241, 1, 0},
                                                       {129, 1, 1},
                                                       {129, 1, 0},
                                                       {1, 0, 0},
                                                       {49, 0, 0},
                                                       {65, 0, 0},
                                                       {0, 0, 0}}};
    for (const auto& pattern : wanted) {
        EXPECT_TRUE(seen.count(pattern)) << "switch bytes " << pattern[0] << "/" << pattern[1]
                                         << (pattern[2] ? " on its transport class" : "");
    }
}

TEST(DemoData, CharacterFieldsAndSpareBytesShow) {
    const DemoFile file;
    int withC6 = 0;
    int withC1 = 0;
    int withSpare = 0;
    for (std::size_t n = 0; n < file.units(); ++n) {
        for (std::size_t offset = 39; offset <= 44; ++offset) {
            const int c = file.at(n, offset);
            EXPECT_TRUE(c == 0 || (c >= ' ' && c <= '~')) << "unit " << n << " offset " << offset;
        }
        withC1 += file.at(n, 39) != 0;
        withC6 += file.at(n, 44) != 0;
        withSpare += file.at(n, 10) != 0 || file.at(n, 20) != 0 || file.at(n, 50) != 0;
    }
    EXPECT_EQ(withC6, 1);
    EXPECT_GE(withC1, 3);
    EXPECT_LT(withC1, static_cast<int>(file.units()) / 2);
    EXPECT_GE(withSpare, 2);
}

}  // namespace
