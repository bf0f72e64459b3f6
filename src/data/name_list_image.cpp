#include "name_list_image.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "name_list.h"
#include "system_files.h"
#include "whole_file.h"

namespace varnel::data {
namespace {

// Counts a line of the kind, and keeps the number of the first.
void countLine(std::int64_t& count, std::int64_t& first, std::int64_t number) {
    first = count++ == 0 ? number : first;
}

}  // namespace

NameListImage NameListImage::load(const std::string& path) {
    return fromBytes(readWholeFile(path, "name list"));
}

NameListImage NameListImage::fromBytes(std::string bytes) {
    NameListImage list;
    list.bytes_ = std::move(bytes);
    // Every line but an unended last one has a CR or an LF or both: room for all at once.
    list.lines_.reserve(
        static_cast<std::size_t>(std::count(list.bytes_.begin(), list.bytes_.end(), '\n') +
                                 std::count(list.bytes_.begin(), list.bytes_.end(), '\r') + 1));
    LineReader reader(list.bytes_);
    std::string line;
    LineEnd ended;
    std::size_t start = 0;
    while (reader.next(line, ended)) {
        list.lines_.push_back({start, line.size()});
        const auto number = list.lineCount();
        start += line.size();
        switch (ended) {
            case LineEnd::CrLf:
                start += 2;
                break;
            case LineEnd::CrAlone:
                ++start;
                countLine(list.linesEndedByCrAlone, list.firstEndedByCrAlone, number);
                break;
            case LineEnd::LfAlone:
                ++start;
                countLine(list.linesEndedByLfAlone, list.firstEndedByLfAlone, number);
                break;
            case LineEnd::None:
                list.lastLineUnended = true;
                break;
        }
    }
    return list;
}

std::string defaultNameListFor(const std::string& equipmentPath) {
    const std::string name = fileNameOf(equipmentPath);
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

}  // namespace varnel::data
