#pragma once

#include <cstdint>

// Where everything lives in an equipment file: a 2-byte unit counter, then fixed-size unit
// records without gaps. The fields of a record are in unit_record.h.
namespace varnel::data::layout {

inline constexpr std::int64_t kHeaderSize = 2;
inline constexpr std::int64_t kRecordSize = 73;

// The header's unit counter: a signed 16-bit little-endian word at file offset 0.
inline constexpr std::int64_t kUnitCountOffset = 0;

// The cost byte stores the displayed cost divided by 12.
inline constexpr int kCostUnit = 12;

// The highest unit number that the 16-bit unitNumber field and the unit counter can hold.
inline constexpr std::int64_t kHighestStorableUnit = 32767;

// 0-based file offset of record offset r of unit number n.
constexpr std::int64_t fileOffset(std::int64_t unitNumber, int recordOffset) {
    return kHeaderSize + kRecordSize * unitNumber + recordOffset;
}

// The highest unit number that a file of the given length holds. The two header bytes never add
// up to a whole record, so a last record short by one or two bytes still counts; a shorter
// fragment does not. Any file shorter than one record yields -1.
constexpr std::int64_t highestUnitNumber(std::int64_t fileLength) {
    return fileLength / kRecordSize - 1;
}

}  // namespace varnel::data::layout
