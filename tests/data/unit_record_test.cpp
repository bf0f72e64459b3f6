// A unit record read field by field and written back byte for byte.

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "data/unit_record.h"

namespace varnel::data {
namespace {

// Every byte of a record distinct, so that a field read at a wrong offset shows.
std::vector<std::uint8_t> countingRecord(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{100});
    return bytes;
}

TEST(UnitRecord, ReadsEachFieldAtItsPlaceAndWritesBackEveryStoredByte) {
    for (const std::size_t size : {73u, 72u, 71u}) {
        SCOPED_TRACE(size);
        const std::vector<std::uint8_t> stored = countingRecord(size);
        Unit unit = Unit::decode(stored);
        EXPECT_EQ(std::vector<std::uint8_t>(unit.encode().begin(), unit.encode().end()), stored);
        EXPECT_EQ(unit.number(), static_cast<std::int16_t>(100 | 101 << 8));
        EXPECT_EQ(unit.unitClass(), 102);
        EXPECT_EQ(unit.byte(recordField("soft")), 103);
        EXPECT_EQ(unit.shownValue(recordField("cost")), 12 * 121);
        EXPECT_EQ(unit.shownValue(recordField("year")), 127);
        EXPECT_EQ(unit.nation(), (NationBytes{130, 131, 132, 133}));
        EXPECT_EQ(unit.switches(), (SwitchPair{134, 135}));
        EXPECT_EQ(unit.character(0), 139);
        EXPECT_EQ(unit.character(5), 144);
        // A short record's missing bytes read as 0 and are not written back.
        EXPECT_EQ(unit.bytes()[72], size == 73 ? 172 : 0);

        unit.setNumber(-2);
        unit.setNation({0, 4, 0, 0});
        unit.setSwitches({1, 0});
        unit.setCharacter(5, 'X');
        std::vector<std::uint8_t> expected = stored;
        expected[0] = 0xFE, expected[1] = 0xFF;
        expected[30] = 0, expected[31] = 4, expected[32] = 0, expected[33] = 0;
        expected[34] = 1, expected[35] = 0, expected[44] = 'X';
        EXPECT_EQ(std::vector<std::uint8_t>(unit.encode().begin(), unit.encode().end()), expected);
    }
}

TEST(UnitRecord, UnassignedBytesAreThoseNoFieldShows) {
    const Unit unit = Unit::decode(countingRecord(72));
    std::vector<int> offsets;
    unit.forEachUnassigned([&](int offset, std::uint8_t byte) {
        EXPECT_EQ(byte, 100 + offset);
        offsets.push_back(offset);
    });
    std::vector<int> expected = {10, 15, 16, 20, 22, 23, 24, 25, 28, 29, 36, 37, 38};
    for (int offset = 45; offset < 72; ++offset) {
        expected.push_back(offset);  // the last byte is missing from this record
    }
    EXPECT_EQ(offsets, expected);
}

}  // namespace
}  // namespace varnel::data
