#include "name_list_image.h"

#include <cctype>

#include "data/name_list.h"
#include "data/system_files.h"
#include "whole_files.h"

namespace varnel::tool {
namespace {

// Counts a line of the kind, and keeps the number of the first.
void countLine(std::int64_t& count, std::int64_t& first, std::int64_t number) {
    first = count++ == 0 ? number : first;
}

}  // namespace

NameList NameList::load(const std::string& path) {
    return fromBytes(readWholeFile(path, "name list"));
}

NameList NameList::fromBytes(std::string_view bytes) {
    NameList list;
    data::LineReader reader(bytes);
    std::string line;
    data::LineEnd ended;
    while (reader.next(line, ended)) {
        list.lines.push_back(std::move(line));
        const auto number = static_cast<std::int64_t>(list.lines.size());
        switch (ended) {
            case data::LineEnd::CrLf:
                break;
            case data::LineEnd::CrAlone:
                countLine(list.linesEndedByCrAlone, list.firstEndedByCrAlone, number);
                break;
            case data::LineEnd::LfAlone:
                countLine(list.linesEndedByLfAlone, list.firstEndedByLfAlone, number);
                break;
            case data::LineEnd::None:
                list.lastLineUnended = true;
                break;
        }
    }
    return list;
}

std::string_view NameList::nameOf(std::int64_t unit) const {
    return unit >= 0 && unit < static_cast<std::int64_t>(lines.size())
               ? std::string_view(lines[static_cast<std::size_t>(unit)])
               : std::string_view();
}

std::string defaultNameListFor(const std::string& equipmentPath) {
    const std::string name = data::fileNameOf(equipmentPath);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        return equipmentPath + ".txt";
    }
    const std::string ending = name.substr(dot + 1);
    bool capitals = !ending.empty();
    for (const char c : ending) {
        capitals = capitals && !std::islower(static_cast<unsigned char>(c));
    }
    return equipmentPath.substr(0, equipmentPath.size() - ending.size()) +
           (capitals ? "TXT" : "txt");
}

}  // namespace varnel::tool
