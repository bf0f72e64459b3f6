#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/unit_record.h"

// What may trouble the game in one unit, decided in one place: check reports it, and import
// refuses to bring it into a unit that did not hold it already.
namespace varnel::tool {

struct UnitFinding {
    std::string field;  // the column it concerns: "unitNumber", "Class", "Nationality", "c3", …
    std::string value;  // the field's bytes: a unit that held them before may keep them
    std::string words;  // what is wrong, in plain words; see the functions for where they go
};

// The findings of a unit's record, in record order; words follow "unit 7: ".
std::vector<UnitFinding> recordFindings(std::int64_t unit, const data::Unit& record);

// The findings of a name, bytes of the list; words follow the name's place ("line 4 of the name
// list (unit 3)" or "the name"). firstLine: the name begins the list, where a byte-order mark is
// left by a text editor.
std::vector<UnitFinding> nameFindings(std::string_view name, bool firstLine);

}  // namespace varnel::tool
