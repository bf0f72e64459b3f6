#include "demo_units.h"

#include <array>
#include <cstddef>
#include <string_view>

#include "data/record_layout.h"
#include "data/unit_record.h"

namespace varnel::demo {

namespace {

namespace layout = varnel::data::layout;
using data::recordField;

// One nationality per unit, a single bit over the four nationality bytes.
enum class Nation {
    Poland,
    Germany,
    USA,
    Finland,
    Russia,
    France,
    England,
    Hungary,
    Italy,
    Nationalist,
    Norway,
    Republican,
    Romania,
    Czechoslovakia,
};

constexpr data::NationBytes nationBytes(Nation nation) {
    switch (nation) {
        case Nation::Poland:
            return {0, 0, 128, 0};
        case Nation::Germany:
            return {0, 128, 0, 0};
        case Nation::USA:
            return {0, 32, 0, 0};
        case Nation::Finland:
            return {2, 0, 0, 0};
        case Nation::Russia:
            return {0, 0, 8, 0};
        case Nation::France:
            return {1, 0, 0, 0};
        case Nation::England:
            return {0, 0, 1, 0};
        case Nation::Hungary:
            return {0, 16, 0, 0};
        case Nation::Italy:
            return {0, 4, 0, 0};
        case Nation::Nationalist:
            return {0, 0, 0, 64};
        case Nation::Norway:
            return {0, 1, 0, 0};
        case Nation::Republican:
            return {0, 0, 0, 32};
        case Nation::Romania:
            return {0, 0, 32, 0};
        case Nation::Czechoslovakia:
            return {8, 0, 0, 0};
    }
    return {0, 0, 0, 0};
}

// The fourteen value bytes that lie before the cost, in record order.
struct Values {
    std::uint8_t soft, hard, airAtt, naval, grDef, arDef, clDef, initiative, range, spotting,
        rangeM, move, fuel, ammo;
};

struct DemoUnit {
    std::string_view name;
    std::uint8_t unitClass;
    Nation nation;
    Values values;
    std::uint8_t cost;  // the stored byte: the editor shows 12 times this
    std::uint8_t month;
    std::uint8_t year;  // two digits: 39 is 1939
    std::uint8_t sw1;
    std::uint8_t sw2;
    std::string_view characters;  // c1..c6 from the left; the rest stay 0
};

using enum Nation;

// Switch bytes follow the class: the class default where there is one (1/0 for ground combat
// units and fighters, 49/0 for transports on land and air defense, 65/0 for bombers, 193/1 for
// air transports, 129/1 for sea transports), the ship pattern 193/1 for warships, 241/1 for
// carriers, the fort pattern 129/1 for fortifications and 0/0 for the placeholder classes.
// The cost column is the stored byte (the editor shows 12 times it), the year has two digits
// and chars fills c1..c6 from the left. A unit's number is its place in the table.
// clang-format off
constexpr std::array kUnits = {
//           name                   cls  nation            soft hard   aa  nav   gd   ad   cd  ini  rng  spt   rm  mov fuel ammo  cost mon  yr  sw1  sw2  chars           // unit
    DemoUnit{"Militia Company",       1, France,           {  3,   1,   0,   0,   4,   2,   2,   1,   0,   1,   0,   3,   0,   6},   6,  9, 39,   1,   0, ""},            // 0
    DemoUnit{"Rifle Battalion",       1, Poland,           {  5,   1,   0,   0,   5,   3,   3,   2,   0,   1,   0,   3,   0,   8},   9,  9, 39,   1,   0, ""},            // 1
    DemoUnit{"Mountain Infantry",     1, Italy,            {  5,   2,   0,   0,   6,   3,   4,   3,   0,   2,   0,   3,   0,   8},  11,  4, 40,   1,   0, ""},            // 2
    DemoUnit{"Ski Battalion",         1, Finland,          {  6,   1,   0,   0,   5,   3,   5,   5,   0,   2,   0,   4,   0,   7},  12, 11, 39,   1,   0, "S"},           // 3
    DemoUnit{"Engineer Battalion",    1, Germany,          {  7,   3,   0,   0,   6,   4,   4,   4,   0,   1,   0,   3,   0,   8},  14,  5, 40,   1,   0, ""},            // 4
    DemoUnit{"Guards Infantry",       1, Russia,           {  8,   2,   1,   0,   8,   4,   5,   4,   0,   2,   0,   3,   0,  10},  15,  6, 42,   1,   0, ""},            // 5
    DemoUnit{"Light Tank A",          2, Czechoslovakia,   {  5,   4,   0,   0,   4,   5,   1,   5,   0,   1,   0,   5,  40,   6},  20,  3, 39,   1,   0, ""},            // 6
    DemoUnit{"Light Tank B",          2, Germany,          {  6,   5,   0,   0,   5,   6,   1,   6,   0,   1,   0,   5,  45,   7},  23,  9, 39,   1,   0, ""},            // 7
    DemoUnit{"Medium Tank A",         2, USA,              {  8,   8,   1,   0,   7,   9,   2,   7,   0,   1,   0,   5,  50,   8},  32,  7, 42,   1,   0, ""},            // 8
    DemoUnit{"Heavy Tank A",          2, Russia,           { 10,  12,   1,   0,   9,  13,   2,   6,   0,   1,   0,   4,  40,   8},  45,  2, 43,   1,   0, "H"},           // 9
    DemoUnit{"Cruiser Tank",          2, England,          {  7,   7,   0,   0,   6,   7,   1,   8,   0,   1,   0,   6,  55,   7},  28,  5, 40,   1,   0, ""},            // 10
    DemoUnit{"Armoured Car",          3, Hungary,          {  4,   2,   0,   0,   3,   3,   1,   7,   0,   3,   0,   7,  60,   5},  12,  9, 39,   1,   0, ""},            // 11
    DemoUnit{"Motorcycle Scouts",     3, Romania,          {  3,   1,   0,   0,   2,   1,   1,   8,   0,   4,   0,   8,  50,   4},   8,  6, 41,   1,   0, ""},            // 12
    DemoUnit{"Cavalry Squadron",      3, Poland,           {  4,   1,   0,   0,   3,   2,   3,   6,   0,   3,   0,   6,   0,   5},   7,  9, 39,   1,   0, "C"},           // 13
    DemoUnit{"Towed Anti-tank Gun",   4, Norway,           {  2,   7,   0,   0,   3,   6,   2,   3,   0,   1,   0,   2,   0,   6},  10,  4, 40,   1,   0, ""},            // 14
    DemoUnit{"Tank Destroyer",        4, USA,              {  3,  11,   0,   0,   5,   8,   1,   6,   0,   2,   0,   5,  45,   6},  27, 11, 42,   1,   0, ""},            // 15
    DemoUnit{"Training Cadre",        5, France,           {  1,   0,   0,   0,   1,   1,   1,   1,   0,   1,   0,   2,   0,   2},   2,  1, 39,   0,   0, ""},            // 16
    DemoUnit{"Coastal Battery",       6, England,          { 10,   8,   2,  12,  15,  12,   0,   3,   3,   3,   3,   0,   0,  20},  30,  1, 40, 129,   1, ""},            // 17
    DemoUnit{"Bunker Line",           6, France,           {  8,   8,   1,   0,  18,  15,   0,   2,   0,   1,   0,   0,   0,  25},  25,  9, 39, 129,   1, "B"},           // 18
    DemoUnit{"Fortress Guns",         6, Czechoslovakia,   { 12,  10,   2,   0,  16,  14,   0,   3,   2,   2,   2,   0,   0,  18},  28,  3, 39, 129,   1, ""},            // 19
    DemoUnit{"Truck Column",          7, USA,              {  0,   0,   0,   0,   1,   1,   0,   1,   0,   1,   0,   8,  80,   0},   4,  2, 41,  49,   0, ""},            // 20
    DemoUnit{"Horse Wagons",          7, Hungary,          {  0,   0,   0,   0,   1,   0,   1,   1,   0,   1,   0,   4,   0,   0},   2,  9, 39,  49,   0, ""},            // 21
    DemoUnit{"Field Gun Battery",     8, Germany,          {  9,   4,   0,   0,   4,   3,   1,   2,   2,   1,   0,   2,   0,   7},  16,  9, 39,   1,   0, ""},            // 22
    DemoUnit{"Heavy Howitzer",        8, Russia,           { 12,   6,   0,   0,   4,   3,   1,   2,   3,   1,   0,   1,   0,   5},  22,  8, 41,   1,   0, ""},            // 23
    DemoUnit{"Rocket Launcher",       8, Republican,       { 11,   3,   0,   0,   3,   2,   1,   3,   2,   1,   0,   3,  30,   3},  18,  6, 43,   1,   0, "R"},           // 24
    DemoUnit{"Light Flak Battery",    9, Italy,            {  3,   2,   7,   0,   3,   2,   1,   4,   0,   2,   0,   2,   0,   8},  12,  5, 40,  49,   0, ""},            // 25
    DemoUnit{"Heavy Flak Battery",    9, Germany,          {  5,   6,  11,   0,   4,   3,   1,   5,   1,   2,   0,   1,   0,   8},  20,  9, 39,  49,   0, ""},            // 26
    DemoUnit{"Biplane Fighter",      10, Nationalist,      {  2,   0,   5,   0,   4,   0,   0,   4,   0,   3,   0,   8,  40,   5},  18,  7, 39,   1,   0, ""},            // 27
    DemoUnit{"Monoplane Fighter A",  10, England,          {  3,   1,   9,   0,   7,   0,   0,   8,   0,   4,   0,  10,  50,   6},  30,  8, 40,   1,   0, "F"},           // 28
    DemoUnit{"Monoplane Fighter B",  10, Germany,          {  3,   1,  10,   0,   8,   0,   0,   9,   0,   4,   0,  10,  45,   6},  32,  9, 39,   1,   0, ""},            // 29
    DemoUnit{"Long Range Fighter",   10, USA,              {  4,   2,  11,   1,   9,   0,   0,   9,   0,   5,   0,  12,  90,   7},  38,  6, 44,   1,   0, ""},            // 30
    DemoUnit{"Naval Fighter",        10, Norway,           {  2,   1,   8,   2,   6,   0,   0,   7,   0,   4,   0,   9,  50,   6},  27,  4, 41,   1,   0, ""},            // 31
    DemoUnit{"Light Bomber",         11, Poland,           {  7,   3,   1,   3,   4,   0,   0,   3,   0,   3,   0,   8,  50,   4},  24,  9, 39,  65,   0, ""},            // 32
    DemoUnit{"Dive Bomber",          11, Germany,          {  9,   7,   1,   6,   5,   0,   0,   5,   0,   3,   0,   7,  40,   4},  30,  9, 39,  65,   0, ""},            // 33
    DemoUnit{"Medium Bomber",        11, Italy,            { 11,   5,   2,   5,   6,   0,   0,   3,   0,   3,   0,   8,  70,   5},  36,  6, 40,  65,   0, ""},            // 34
    DemoUnit{"Heavy Bomber",         11, England,          { 15,   8,   3,   7,   8,   0,   0,   2,   0,   4,   0,   9, 100,   6},  50,  2, 42,  65,   0, "Q"},           // 35
    DemoUnit{"Experimental Unit",    12, Romania,          {  1,   1,   1,   1,   1,   1,   1,   1,   1,   1,   1,   1,   1,   1},   1, 12, 45,   0,   0, ""},            // 36
    DemoUnit{"Transport Plane",      13, USA,              {  0,   0,   0,   0,   2,   0,   0,   1,   0,   2,   0,  10,  60,   0},  15,  3, 41, 193,   1, ""},            // 37
    DemoUnit{"Glider Wing",          13, Germany,          {  0,   0,   0,   0,   1,   0,   0,   1,   0,   1,   0,   6,  30,   0},  10,  5, 41, 193,   1, ""},            // 38
    DemoUnit{"Supply Depot",         14, Finland,          {  0,   0,   0,   0,   3,   2,   0,   0,   0,   1,   0,   0,   0,   0},   5,  1, 39,   0,   0, ""},            // 39
    DemoUnit{"Patrol Boat",          15, Norway,           {  2,   1,   2,   4,   6,   4,   0,   6,   1,   3,   1,   9,   0,  10},  15,  4, 40, 193,   1, ""},            // 40
    DemoUnit{"Destroyer A",          15, England,          {  4,   3,   4,   9,  10,   8,   0,   7,   1,   4,   1,  10,   0,  15},  40,  9, 39, 193,   1, "D1"},          // 41
    DemoUnit{"Destroyer B",          15, France,           {  4,   3,   3,   8,   9,   7,   0,   6,   1,   4,   1,  10,   0,  14},  38,  9, 39, 193,   1, ""},            // 42
    DemoUnit{"Torpedo Boat",         15, Finland,          {  2,   1,   1,   7,   5,   4,   0,   6,   1,   3,   1,   9,   0,   8},  18, 11, 39, 193,   1, ""},            // 43
    DemoUnit{"Battleship A",         16, Germany,          { 18,  16,   8,  25,  35,  30,   0,   5,   4,   4,   4,   7,   0,  40}, 150,  8, 40, 193,   1, "DEMO-6"},      // 44
    DemoUnit{"Battleship B",         16, Italy,            { 17,  15,   7,  24,  33,  28,   0,   4,   4,   4,   4,   7,   0,  38}, 140,  5, 40, 193,   1, ""},            // 45
    DemoUnit{"Old Battleship",       16, Russia,           { 14,  12,   4,  20,  28,  24,   0,   3,   3,   3,   3,   5,   0,  30}, 110,  9, 39, 193,   1, ""},            // 46
    DemoUnit{"Fleet Carrier",        17, USA,              {  6,   4,  10,  20,  20,  18,   0,   6,   5,   5,   5,   8,   0,  30}, 180, 12, 41, 241,   1, ""},            // 47
    DemoUnit{"Escort Carrier",       17, England,          {  4,   2,   7,  12,  14,  12,   0,   5,   4,   5,   4,   7,   0,  20}, 100,  3, 43, 241,   1, ""},            // 48
    DemoUnit{"Troop Ship",           18, England,          {  0,   0,   1,   0,   6,   4,   0,   1,   0,   2,   0,   7,   0,   0},  20,  9, 39, 129,   1, ""},            // 49
    DemoUnit{"Landing Barges",       18, Germany,          {  0,   0,   0,   0,   4,   2,   0,   1,   0,   1,   0,   4,   0,   0},  12,  7, 40, 129,   1, ""},            // 50
    DemoUnit{"Battlecruiser A",      19, England,          { 16,  14,   6,  22,  28,  22,   0,   6,   4,   4,   4,   9,   0,  35}, 130,  9, 39, 193,   1, ""},            // 51
    DemoUnit{"Fast Battlecruiser",   19, France,           { 15,  13,   6,  21,  26,  20,   0,   7,   4,   4,   4,  10,   0,  34}, 125,  9, 39, 193,   1, ""},            // 52
    DemoUnit{"Heavy Cruiser A",      20, USA,              { 12,  10,   6,  16,  20,  16,   0,   6,   3,   4,   3,   9,   0,  25},  90,  9, 42, 193,   1, ""},            // 53
    DemoUnit{"Heavy Cruiser B",      20, Italy,            { 11,  10,   5,  15,  19,  15,   0,   5,   3,   4,   3,   9,   0,  24},  85,  9, 39, 193,   1, ""},            // 54
    DemoUnit{"Light Cruiser A",      21, Republican,       {  8,   6,   5,  12,  14,  10,   0,   6,   2,   4,   2,  10,   0,  20},  60, 10, 39, 193,   1, ""},            // 55
    DemoUnit{"Light Cruiser B",      21, Poland,           {  8,   6,   4,  11,  13,   9,   0,   6,   2,   4,   2,  10,   0,  20},  58,  9, 39, 193,   1, ""},            // 56
    DemoUnit{"Minelayer",            21, Norway,           {  3,   2,   3,   6,   8,   6,   0,   4,   1,   3,   1,   8,   0,  12},  30,  4, 40, 193,   1, ""},            // 57
    DemoUnit{"Partisan Band",         1, Republican,       {  4,   1,   0,   0,   3,   2,   4,   6,   0,   3,   0,   4,   0,   5},   5,  7, 41,   1,   0, ""},            // 58
    DemoUnit{"Assault Gun",           4, Hungary,          {  6,   8,   0,   0,   6,   7,   1,   4,   0,   1,   0,   4,  35,   6},  26, 10, 43,   1,   0, ""},            // 59
};

// Bytes the editor gives no meaning, set on a few units so that copies of whole records show.
struct SpareByte {
    int unit;
    int offset;
    std::uint8_t value;
};

constexpr std::array kSpareBytes = {
    SpareByte{ 1, 10,   7},
    SpareByte{ 8, 20,  33},
    SpareByte{27, 50, 144},
    SpareByte{44, 10,   1},
    SpareByte{44, 20,   2},
    SpareByte{44, 50,   3},
    SpareByte{44, 72, 255},
    SpareByte{59, 72,   9},
};
// clang-format on

constexpr bool isPlainText(std::string_view text) {
    for (const char c : text) {
        if (c < ' ' || c > '~') {
            return false;
        }
    }
    return true;
}

constexpr bool unitsAreWellFormed() {
    for (const DemoUnit& unit : kUnits) {
        if (unit.name.empty() || !isPlainText(unit.name) || !isPlainText(unit.characters) ||
            unit.characters.size() > data::kCharacterFieldCount || unit.unitClass < 1 ||
            unit.unitClass > 21 || unit.month < 1 || unit.month > 12 || unit.year < 39 ||
            unit.year > 45) {
            return false;
        }
    }
    for (const SpareByte& spare : kSpareBytes) {
        if (spare.unit < 0 || spare.unit >= static_cast<int>(kUnits.size()) || spare.offset < 0 ||
            spare.offset >= layout::kRecordSize) {
            return false;
        }
    }
    return true;
}
static_assert(unitsAreWellFormed());
static_assert(kUnits.size() <= layout::kHighestStorableUnit);

data::Unit recordOf(std::size_t number) {
    const DemoUnit& unit = kUnits[number];
    data::Unit record;
    record.setNumber(static_cast<std::int16_t>(number));
    record.setUnitClass(unit.unitClass);
    const Values& v = unit.values;
    record.setByte(recordField("soft"), v.soft);
    record.setByte(recordField("hard"), v.hard);
    record.setByte(recordField("airAtt"), v.airAtt);
    record.setByte(recordField("naval"), v.naval);
    record.setByte(recordField("grDef"), v.grDef);
    record.setByte(recordField("arDef"), v.arDef);
    record.setByte(recordField("clDef"), v.clDef);
    record.setByte(recordField("initiative"), v.initiative);
    record.setByte(recordField("range"), v.range);
    record.setByte(recordField("spotting"), v.spotting);
    record.setByte(recordField("rangeM"), v.rangeM);
    record.setByte(recordField("move"), v.move);
    record.setByte(recordField("fuel"), v.fuel);
    record.setByte(recordField("ammo"), v.ammo);
    record.setByte(data::field::kCost, unit.cost);
    record.setByte(recordField("month"), unit.month);
    record.setByte(recordField("year"), unit.year);
    record.setNation(nationBytes(unit.nation));
    record.setSwitches({unit.sw1, unit.sw2});
    for (std::size_t i = 0; i < unit.characters.size(); ++i) {
        record.setCharacter(static_cast<int>(i), static_cast<std::uint8_t>(unit.characters[i]));
    }
    for (const SpareByte& spare : kSpareBytes) {
        if (spare.unit == static_cast<int>(number)) {
            record.setRaw(spare.offset, spare.value);
        }
    }
    return record;
}

}  // namespace

std::vector<std::uint8_t> demoEquipmentFile() {
    const auto counter = data::bytesOfWord(static_cast<std::int16_t>(kUnits.size()));
    std::vector<std::uint8_t> file(counter.begin(), counter.end());
    for (std::size_t n = 0; n < kUnits.size(); ++n) {
        const data::Unit record = recordOf(n);
        file.insert(file.end(), record.encode().begin(), record.encode().end());
    }
    return file;
}

std::string demoNameList() {
    std::string text;
    for (const DemoUnit& unit : kUnits) {
        text += unit.name;
        text += "\r\n";
    }
    return text;
}

}  // namespace varnel::demo
