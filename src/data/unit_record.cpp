#include "unit_record.h"

#include <algorithm>
#include <cstring>

namespace varnel::data {

Unit Unit::decode(std::span<const std::uint8_t> stored) {
    Unit unit;
    unit.size_ = std::min<std::size_t>(stored.size(), layout::kRecordSize);
    std::copy_n(stored.begin(), unit.size_, unit.bytes_.begin());
    return unit;
}

Unit Unit::decode(std::string_view stored) {
    return decode(std::span(reinterpret_cast<const std::uint8_t*>(stored.data()), stored.size()));
}

int Unit::shownValue(const RecordField& field) const {
    return field.kind == FieldKind::Cost ? layout::kCostUnit * byte(field) : byte(field);
}

std::int16_t Unit::number() const {
    return wordOf(bytes_[at(field::kUnitNumber)], bytes_[at(field::kUnitNumber) + 1]);
}

void Unit::setNumber(std::int16_t number) {
    const auto word = bytesOfWord(number);
    std::copy(word.begin(), word.end(), bytes_.begin() + field::kUnitNumber.offset);
}

NationBytes Unit::nation() const {
    NationBytes nation;
    std::copy_n(bytes_.begin() + field::kNation1.offset, kNationByteCount, nation.begin());
    return nation;
}

void Unit::setNation(const NationBytes& bytes) {
    std::copy(bytes.begin(), bytes.end(), bytes_.begin() + field::kNation1.offset);
}

void Unit::setSwitches(SwitchPair pair) {
    setByte(field::kSw1, pair.sw1);
    setByte(field::kSw2, pair.sw2);
}

std::uint8_t Unit::character(int index) const {
    return bytes_[at(field::kC1) + static_cast<std::size_t>(index)];
}

void Unit::setCharacter(int index, std::uint8_t code) {
    bytes_[at(field::kC1) + static_cast<std::size_t>(index)] = code;
}

int unassignedByteCount() {
    int count = 0;
    for (const RecordField& row : kRecordFields) {
        count += row.kind == FieldKind::Unassigned ? row.width : 0;
    }
    return count;
}

}  // namespace varnel::data
