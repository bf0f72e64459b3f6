#include "unit_records.h"

#include <utility>

namespace varnel::test {

Unit distinctUnit(int n) {
    Unit u;
    u.unitNumber = static_cast<std::int16_t>(n);
    u.unitClass = static_cast<std::uint8_t>(n % 21 + 1);
    std::uint8_t* values[] = {&u.soft,  &u.hard,       &u.airAtt, &u.naval,    &u.grDef,  &u.arDef,
                              &u.clDef, &u.initiative, &u.range,  &u.spotting, &u.rangeM, &u.move,
                              &u.fuel,  &u.ammo,       &u.cost,   &u.month,    &u.year};
    for (int i = 0; i < 17; ++i) {
        *values[i] = static_cast<std::uint8_t>((n * 17 + i * 13 + 5) % 256);
    }
    u.nation = {0, 128, 0, 0};
    u.sw1 = 1;
    u.sw2 = 0;
    u.characters = {static_cast<std::uint8_t>('A' + n % 26), 0, 0, 0, 0, 0};
    return u;
}

Bytes encodeRecord(const Unit& u, int patternOf) {
    Bytes r = patternRecord(patternOf);
    const auto number = static_cast<std::uint16_t>(u.unitNumber);
    r[offset::unitNumber] = static_cast<std::uint8_t>(number & 0xFF);
    r[offset::unitNumber + 1] = static_cast<std::uint8_t>(number >> 8);
    r[offset::unitClass] = u.unitClass;
    r[offset::soft] = u.soft;
    r[offset::hard] = u.hard;
    r[offset::airAtt] = u.airAtt;
    r[offset::naval] = u.naval;
    r[offset::grDef] = u.grDef;
    r[offset::arDef] = u.arDef;
    r[offset::clDef] = u.clDef;
    r[offset::initiative] = u.initiative;
    r[offset::range] = u.range;
    r[offset::spotting] = u.spotting;
    r[offset::rangeM] = u.rangeM;
    r[offset::move] = u.move;
    r[offset::fuel] = u.fuel;
    r[offset::ammo] = u.ammo;
    r[offset::cost] = u.cost;
    r[offset::month] = u.month;
    r[offset::year] = u.year;
    for (int i = 0; i < 4; ++i)
        r[offset::nation1 + i] = u.nation[i];
    r[offset::sw1] = u.sw1;
    r[offset::sw2] = u.sw2;
    for (int i = 0; i < 6; ++i)
        r[offset::c1 + i] = u.characters[i];
    return r;
}

Bytes unitRecord(int n) {
    return encodeRecord(distinctUnit(n), n);
}

std::function<Bytes(int)> unitRecords(std::function<void(Unit&, int)> change) {
    return [change = std::move(change)](int n) {
        Unit unit = distinctUnit(n);
        change(unit, n);
        return encodeRecord(unit, n);
    };
}

std::vector<std::string> unitNames(int count) {
    std::vector<std::string> names;
    for (int n = 0; n < count; ++n) {
        names.push_back("Name " + std::to_string(n));
    }
    return names;
}

Bytes writeUnitFiles(const TempFolder& folder, int count, const std::function<Bytes(int)>& record,
                     int nameCount, int unitCount) {
    std::vector<Bytes> records;
    for (int n = 0; n < count; ++n) {
        records.push_back(record(n));
    }
    const Bytes equipment =
        makeEquipmentFile(static_cast<std::int16_t>(unitCount < 0 ? count : unitCount), records);
    writeFile(folder.file("Equip97.eqp"), equipment);
    writeFile(folder.file("Equip97.txt"),
              nameListText(unitNames(nameCount < 0 ? count : nameCount)));
    return equipment;
}

void setByte(Bytes& file, int unit, int offset, int value) {
    file.at(2 + 73 * unit + offset) = static_cast<std::uint8_t>(value);
}

void setWord(Bytes& bytes, std::size_t at, int value) {
    bytes.at(at) = static_cast<std::uint8_t>(value & 0xFF);
    bytes.at(at + 1) = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

}  // namespace varnel::test
