#include "equipment_image.h"

#include <algorithm>

#include "error.h"
#include "record_layout.h"
#include "whole_file.h"

namespace varnel::data {
namespace {

// A file is taken for text (a CSV file or a name list) when its start holds no control bytes but
// tabs and line ends, and a line break. An equipment file has 0 bytes in nearly every record (the
// high byte of unitNumber, unassigned bytes), and a CSV header row is some 300 bytes long.
constexpr std::size_t kTextTestSize = 4096;

bool looksLikeText(std::string_view start) {
    bool lineBreak = false;
    for (const char c : start) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte == '\r' || byte == '\n') {
            lineBreak = true;
        } else if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
            return false;
        }
    }
    return lineBreak;
}

}  // namespace

EquipmentImage EquipmentImage::load(const std::string& path) {
    std::string bytes = readWholeFile(path, "equipment file");
    const std::string notOne = path + " is not an equipment file: ";
    const std::string shape = ". An equipment file is a 2-byte unit counter followed by " +
                              std::to_string(layout::kRecordSize) + "-byte unit records.";
    if (layout::highestUnitNumber(static_cast<std::int64_t>(bytes.size())) < 0) {
        throw Error(notOne + "it holds " + std::to_string(bytes.size()) +
                    " bytes, too few for a single unit" + shape);
    }
    if (looksLikeText(std::string_view(bytes).substr(0, kTextTestSize))) {
        throw Error(notOne + "it holds text, such as a CSV file or a name list" + shape);
    }
    return EquipmentImage(std::move(bytes));
}

std::int16_t EquipmentImage::unitCounter() const {
    const auto at = static_cast<std::size_t>(layout::kUnitCountOffset);
    return wordOf(static_cast<std::uint8_t>(bytes_[at]), static_cast<std::uint8_t>(bytes_[at + 1]));
}

std::int64_t EquipmentImage::units() const {
    return layout::highestUnitNumber(static_cast<std::int64_t>(bytes_.size())) + 1;
}

Unit EquipmentImage::unit(std::int64_t number) const {
    return Unit::decode(record(number));
}

std::int64_t EquipmentImage::fragmentSize() const {
    const std::int64_t end = layout::fileOffset(units(), 0);
    return std::max<std::int64_t>(0, static_cast<std::int64_t>(bytes_.size()) - end);
}

void EquipmentImage::put(std::int64_t number, const Unit& unit) {
    const std::string_view record = unit.encodeText();
    const auto start = static_cast<std::size_t>(layout::fileOffset(number, 0));
    bytes_.replace(start, std::min(record.size(), bytes_.size() - start), record);
}

void EquipmentImage::setUnitCounter(std::int16_t counter) {
    const auto word = bytesOfWord(counter);
    bytes_.replace(static_cast<std::size_t>(layout::kUnitCountOffset), word.size(),
                   reinterpret_cast<const char*>(word.data()), word.size());
}

}  // namespace varnel::data
