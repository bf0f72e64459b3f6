#include "data/code_tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnel::data {
namespace {

const std::vector<std::string> kClassNames = {
    "Infantry",         "Tank",       "Recon",        "Anti-tank",  "Unknown 5", "Fortification",
    "Ground Transport", "Artillery",  "Air Defense",  "Fighter",    "Bomber",    "Unknown 12",
    "Air Transport",    "Unknown 14", "Destroyer",    "Battleship", "Carrier",   "Sea Transport",
    "BattleCruiser",    "Cruiser",    "Light Cruiser"};

TEST(ClassTable, NamesEveryCodeFrom1To21AndBack) {
    ASSERT_EQ(classTable().size(), kClassNames.size());
    for (std::size_t i = 0; i < kClassNames.size(); ++i) {
        const auto code = static_cast<std::uint8_t>(i + 1);
        EXPECT_EQ(classTable()[i].code, code);
        EXPECT_EQ(classNameOf(code), kClassNames[i]);
        EXPECT_EQ(classCodeOf(kClassNames[i]), code);
    }
}

TEST(ClassTable, CodesOutside1To21HaveNoName) {
    for (int code : {0, 22, 23, 128, 255}) {
        EXPECT_EQ(classNameOf(static_cast<std::uint8_t>(code)), std::nullopt) << code;
    }
}

TEST(ClassTable, NameLookupIsExactAndCaseSensitive) {
    for (const char* name : {"tank", "TANK", "Tank ", " Tank", "Unit Type", "", "Battlecruiser",
                             "Anti-Tank", "Unknown"}) {
        EXPECT_EQ(classCodeOf(name), 0) << '"' << name << '"';
    }
}

TEST(NationalityTable, EveryRowBothWaysInTableOrder) {
    const std::vector<std::pair<std::string, NationBytes>> expected = {
        {"Poland", {0, 0, 128, 0}}, {"Germany", {0, 128, 0, 0}},
        {"USA", {0, 32, 0, 0}},     {"Finland", {2, 0, 0, 0}},
        {"Russia", {0, 0, 8, 0}},   {"France", {1, 0, 0, 0}},
        {"England", {0, 0, 1, 0}},  {"Hungary", {0, 16, 0, 0}},
        {"Italy", {0, 4, 0, 0}},    {"Nationalist", {0, 0, 0, 64}},
        {"Norway", {0, 1, 0, 0}},   {"Republican", {0, 0, 0, 32}},
        {"Romania", {0, 0, 32, 0}}, {"Czechoslovakia", {8, 0, 0, 0}}};
    ASSERT_EQ(nationalityTable().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& [name, bytes] = expected[i];
        EXPECT_EQ(nationalityTable()[i].name, name);
        EXPECT_EQ(nationalityNameOf(bytes), name);
        EXPECT_EQ(nationalityBytesOf(name), bytes) << name;
    }
}

TEST(NationalityTable, PatternsWithoutARowHaveNoName) {
    const std::vector<NationBytes> unnamed = {{0, 0, 0, 0},   {3, 0, 0, 0} /* France and Finland */,
                                              {4, 0, 0, 0},   {0, 128, 128, 0},
                                              {0, 0, 0, 128}, {255, 255, 255, 255}};
    for (const NationBytes& bytes : unnamed) {
        EXPECT_EQ(nationalityNameOf(bytes), std::nullopt)
            << int(bytes[0]) << ',' << int(bytes[1]) << ',' << int(bytes[2]) << ','
            << int(bytes[3]);
    }
    EXPECT_STREQ(kUnknownNationality, "Unknown");
}

TEST(NationalityTable, UnmatchedNamesGiveFourZeroBytes) {
    for (const char* name : {"Unknown", "Nationality", "germany", "Germany ", ""}) {
        EXPECT_EQ(nationalityBytesOf(name), (NationBytes{0, 0, 0, 0})) << '"' << name << '"';
    }
}

struct ReadCase {
    int sw1, sw2, unitClass;
    SwitchBoxes boxes;  // ship, carrier, fort, air, sea
};

TEST(SwitchPatterns, ReadTicksTheBoxesOfEachPattern) {
    const ReadCase cases[] = {
        {193, 1, 10, {true, false, false, false, false}},
        {193, 1, 13, {false, false, false, true, false}},
        {241, 1, 17, {true, true, false, false, false}},
        {241, 1, 13, {true, true, false, false, false}},
        {129, 1, 6, {false, false, true, false, false}},
        {129, 1, 18, {false, false, false, false, true}},
        {1, 0, 1, {}},
        {49, 0, 7, {}},
        {65, 0, 11, {}},
        {0, 0, 15, {}},
        {193, 0, 10, {}},
        {241, 0, 17, {}},
        {129, 2, 18, {}},
        {255, 255, 13, {}},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(switchBoxesFor(static_cast<std::uint8_t>(c.sw1), static_cast<std::uint8_t>(c.sw2),
                                 static_cast<std::uint8_t>(c.unitClass)),
                  c.boxes)
            << c.sw1 << ',' << c.sw2 << " class " << c.unitClass;
    }
}

struct SaveCase {
    SwitchBoxes boxes;  // ship, carrier, fort, air, sea
    const char* className;
    SwitchPair pair;
};

TEST(SwitchPatterns, SaveWritesTheLastTickedBoxThenTheClassDefault) {
    const SaveCase cases[] = {
        {{true, false, false, false, false}, "Destroyer", {193, 1}},
        {{true, true, false, false, false}, "Carrier", {241, 1}},
        {{true, false, false, true, false}, "Destroyer", {193, 1}},
        {{false, true, true, false, false}, "Destroyer", {129, 1}},
        {{false, false, true, false, true}, "Fortification", {129, 1}},
        {{false, true, false, true, false}, "Air Transport", {193, 1}},
        {{true, false, false, false, false}, "Infantry", {193, 1}},  // a box beats the default
        // Sea takes no part in the default test: the class default overrides it.
        {{false, false, false, false, true}, "Infantry", {1, 0}},
        {{false, false, false, false, true}, "Destroyer", {129, 1}},
        {{false, false, false, false, true}, "Sea Transport", {129, 1}},
        {{}, "Destroyer", {0, 0}},
        {{}, "tank", {0, 0}},
        {{}, "Unit Type", {0, 0}},
    };
    for (const SaveCase& c : cases) {
        EXPECT_EQ(switchBytesFor(c.boxes, c.className), c.pair) << c.className;
    }
}

TEST(SwitchPatterns, SaveWritesEachClassDefaultWhenNoBoxIsTicked) {
    const std::vector<std::pair<std::string, SwitchPair>> defaults = {
        {"Infantry", {1, 0}},          {"Tank", {1, 0}},           {"Recon", {1, 0}},
        {"Anti-tank", {1, 0}},         {"Artillery", {1, 0}},      {"Fighter", {1, 0}},
        {"Ground Transport", {49, 0}}, {"Air Defense", {49, 0}},   {"Bomber", {65, 0}},
        {"Sea Transport", {129, 1}},   {"Air Transport", {193, 1}}};
    for (const std::string& name : kClassNames) {
        SwitchPair expected{0, 0};
        for (const auto& [withDefault, pair] : defaults) {
            if (name == withDefault) {
                expected = pair;
            }
        }
        EXPECT_EQ(switchBytesFor({}, name), expected) << name;
    }
}

}  // namespace
}  // namespace varnel::data
