#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "record_layout.h"
#include "unit_record.h"

// The equipment file held whole in memory: the tool reads it at once, looks at every unit, and an
// import builds the new file from it before anything is written.
namespace varnel::data {

class EquipmentImage {
  public:
    // Reads the file whole. Throws Error when it is no equipment file: shorter than one
    // record, or text (a CSV file given in its place).
    static EquipmentImage load(const std::string& path);
    explicit EquipmentImage(std::string bytes) : bytes_(std::move(bytes)) {}

    const std::string& bytes() const { return bytes_; }
    std::int16_t unitCounter() const;
    // How many units the length gives: a last record short by one or two bytes counts.
    std::int64_t units() const;
    // Unit n's record, a short last record with the size it has.
    Unit unit(std::int64_t number) const;
    // The stored bytes of unit n's record.
    std::string_view record(std::int64_t number) const {
        return std::string_view(bytes_).substr(
            static_cast<std::size_t>(layout::fileOffset(number, 0)),
            static_cast<std::size_t>(layout::kRecordSize));
    }
    // The bytes after the last unit that make no unit (1 to 70 of them), if any.
    std::int64_t fragmentSize() const;

    // Puts a unit's record in place of unit n's, or, when n is units() and no stray bytes follow
    // the last unit, after it.
    void put(std::int64_t number, const Unit& unit);
    void setUnitCounter(std::int16_t counter);

  private:
    std::string bytes_;
};

}  // namespace varnel::data
