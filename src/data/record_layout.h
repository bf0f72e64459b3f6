#pragma once

#include <cstdint>

// Where everything lives in an equipment file: a 2-byte unit counter, then fixed-size unit
// records without gaps. Offsets inside a record are 0-based from the record's first byte.
namespace varnel::data::layout {

inline constexpr std::int64_t kHeaderSize = 2;
inline constexpr std::int64_t kRecordSize = 73;

// The header's unit counter: a signed 16-bit little-endian word at file offset 0.
inline constexpr std::int64_t kUnitCountOffset = 0;

struct Field {
    int offset;
    int width;
};

inline constexpr Field kUnitNumber{0, 2};  // signed 16-bit little-endian
inline constexpr Field kUnitClass{2, 1};
inline constexpr Field kSoft{3, 1};
inline constexpr Field kHard{4, 1};
inline constexpr Field kAirAtt{5, 1};
inline constexpr Field kNaval{6, 1};
inline constexpr Field kGrDef{7, 1};
inline constexpr Field kArDef{8, 1};
inline constexpr Field kClDef{9, 1};
inline constexpr Field kInitiative{11, 1};
inline constexpr Field kRange{12, 1};
inline constexpr Field kSpotting{13, 1};
inline constexpr Field kRangeM{14, 1};
inline constexpr Field kMove{17, 1};
inline constexpr Field kFuel{18, 1};
inline constexpr Field kAmmo{19, 1};
inline constexpr Field kCost{21, 1};  // the cost in units of 12
inline constexpr Field kMonth{26, 1};
inline constexpr Field kYear{27, 1};
inline constexpr Field kNation1{30, 1};
inline constexpr Field kNation2{31, 1};
inline constexpr Field kNation3{32, 1};
inline constexpr Field kNation4{33, 1};
inline constexpr Field kSw1{34, 1};
inline constexpr Field kSw2{35, 1};
inline constexpr Field kC1{39, 1};
inline constexpr Field kC2{40, 1};
inline constexpr Field kC3{41, 1};
inline constexpr Field kC4{42, 1};
inline constexpr Field kC5{43, 1};
inline constexpr Field kC6{44, 1};

// The six character fields lie side by side; a longer text spills from one into the next.
inline constexpr int kFirstCharacterOffset = kC1.offset;
inline constexpr int kCharacterFieldCount = 6;

// The fields the editor shows all lie in the record's first 45 bytes.
inline constexpr int kEditedPrefixSize = kC6.offset + 1;

// The cost byte stores the displayed cost divided by 12.
inline constexpr int kCostUnit = 12;

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
