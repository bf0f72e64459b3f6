#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace varnel::test {

// The fields of one unit as a test writes them into a record, by name. Bytes the editor gives no
// meaning keep the pattern of patternRecord(), so a stray write shows.
struct Unit {
    std::int16_t unitNumber = 0;
    std::uint8_t unitClass = 1;
    std::uint8_t soft = 0, hard = 0, airAtt = 0, naval = 0, grDef = 0, arDef = 0, clDef = 0;
    std::uint8_t initiative = 0, range = 0, spotting = 0, rangeM = 0, move = 0, fuel = 0, ammo = 0;
    std::uint8_t cost = 0, month = 0, year = 0;
    std::array<std::uint8_t, 4> nation{};
    std::uint8_t sw1 = 0, sw2 = 0;
    std::array<std::uint8_t, 6> characters{};
};

// Record offsets, written out from the layout.
namespace offset {
inline constexpr int unitNumber = 0, unitClass = 2, soft = 3, hard = 4, airAtt = 5, naval = 6,
                     grDef = 7, arDef = 8, clDef = 9, initiative = 11, range = 12, spotting = 13,
                     rangeM = 14, move = 17, fuel = 18, ammo = 19, cost = 21, month = 26, year = 27,
                     nation1 = 30, sw1 = 34, sw2 = 35, c1 = 39;
}

// A unit whose every field holds a different value, derived from n.
Unit distinctUnit(int n);

Bytes encodeRecord(const Unit& unit, int patternOf);

// Record n as the tests write it when they need no other bytes: the fields of distinctUnit(n) in
// the byte pattern of record n.
Bytes unitRecord(int n);
// Records like unitRecord's, the fields of unit n first changed by change(unit, n).
std::function<Bytes(int)> unitRecords(std::function<void(Unit&, int)> change);

// "Name 0", "Name 1", ...: the names writeUnitFiles gives.
std::vector<std::string> unitNames(int count);

// Writes units 0..count-1 into the folder as Equip97.eqp, record n made by record(n), with the
// counter at unitCount (count when negative), and the names unitNames(nameCount) (count when
// negative) as Equip97.txt. Returns the equipment file's bytes.
Bytes writeUnitFiles(const TempFolder& folder, int count,
                     const std::function<Bytes(int)>& record = unitRecord, int nameCount = -1,
                     int unitCount = -1);

// Sets byte `offset` of unit's record in the bytes of an equipment file.
void setByte(Bytes& file, int unit, int offset, int value);
// Sets the 16-bit little-endian word at `at`: the unit counter at 0, a unit number at a record's
// start.
void setWord(Bytes& bytes, std::size_t at, int value);

}  // namespace varnel::test
