#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The name list held whole in memory, split into lines by the data layer's one line reader
// (data/name_list.h), with what check reports about its line ends: the tool looks at every name,
// and an import builds the new list from it.
namespace varnel::tool {

struct NameList {
    std::vector<std::string> lines;  // the names, bytes in the code page
    std::int64_t linesEndedByCrAlone = 0, firstEndedByCrAlone = 0;
    std::int64_t linesEndedByLfAlone = 0, firstEndedByLfAlone = 0;
    bool lastLineUnended = false;

    static NameList load(const std::string& path);
    static NameList fromBytes(std::string_view bytes);
    // Line unit + 1; empty when the list is shorter.
    std::string_view nameOf(std::int64_t unit) const;
};

// The name list that goes with an equipment file when none is given: the same name ending in
// ".txt" (".TXT" when the equipment file's ending is in capitals).
std::string defaultNameListFor(const std::string& equipmentPath);

}  // namespace varnel::tool
