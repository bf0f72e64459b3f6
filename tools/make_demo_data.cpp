// make_demo_data FOLDER [--force] [--units N]
// Writes the invented demonstration files "Equip97.eqp" and "Equip97.txt" into FOLDER, creating
// the folder when needed. Existing files are left alone unless --force is given.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "data/record_layout.h"
#include "data/unit_record.h"
#include "demo_units.h"

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kEquipmentName = "Equip97.eqp";
constexpr std::string_view kNameListName = "Equip97.txt";

int usage() {
    std::cerr << "usage: make_demo_data FOLDER [--force] [--units N]\n"
                 "Writes the demonstration files Equip97.eqp and Equip97.txt into FOLDER.\n"
                 "--units N repeats the demonstration units, renumbered, up to N units (at most\n"
                 "32767), to show a file as large as the game's files grow.\n";
    return 2;
}

bool writeWhole(const fs::path& path, const char* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
    out.close();
    if (!out) {
        std::cerr << "make_demo_data: could not write " << path.string() << "\n";
        return false;
    }
    return true;
}

// The demonstration units over and over, each copy renumbered and its name marked with its round,
// until the file holds count units.
void repeatUnits(std::vector<std::uint8_t>& equipment, std::string& names, long count) {
    namespace layout = varnel::data::layout;
    const auto demoUnits = static_cast<long>(
        layout::highestUnitNumber(static_cast<std::int64_t>(equipment.size())) + 1);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < names.size();) {
        const std::size_t end = std::min(names.find("\r\n", at), names.size());
        lines.push_back(names.substr(at, end - at));
        at = end + 2;
    }
    lines.resize(static_cast<std::size_t>(demoUnits));
    equipment.resize(static_cast<std::size_t>(layout::fileOffset(std::min(count, demoUnits), 0)));
    names.clear();
    for (long unit = 0; unit < count; ++unit) {
        const long source = unit % demoUnits;
        if (unit >= demoUnits) {
            const auto record = equipment.begin() + layout::fileOffset(source, 0);
            equipment.insert(equipment.end(), record, record + layout::kRecordSize);
            const auto number = varnel::data::bytesOfWord(static_cast<std::int16_t>(unit));
            std::copy(number.begin(), number.end(), equipment.end() - layout::kRecordSize);
        }
        names += lines[static_cast<std::size_t>(source)];
        if (unit >= demoUnits) {
            names += " #" + std::to_string(unit / demoUnits + 1);
        }
        names += "\r\n";
    }
    const auto counter = varnel::data::bytesOfWord(static_cast<std::int16_t>(count));
    std::copy(counter.begin(), counter.end(), equipment.begin());
}

}  // namespace

int main(int argc, char** argv) {
    bool force = false;
    long wanted = 0;
    std::string folderText;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--force") {
            force = true;
        } else if (arg == "--units" && i + 1 < argc) {
            wanted = std::strtol(argv[++i], nullptr, 10);
            if (wanted < 1 || wanted > varnel::data::layout::kHighestStorableUnit) {
                return usage();
            }
        } else if (arg.starts_with("-") || !folderText.empty()) {
            return usage();
        } else {
            folderText = arg;
        }
    }
    if (folderText.empty()) {
        return usage();
    }

    const fs::path folder(folderText);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder)) {
        std::cerr << "make_demo_data: could not make the folder " << folderText
                  << (error ? ": " + error.message() : std::string()) << "\n";
        return 1;
    }

    const fs::path equipmentPath = folder / kEquipmentName;
    const fs::path nameListPath = folder / kNameListName;
    if (!force) {
        for (const fs::path& path : {equipmentPath, nameListPath}) {
            if (fs::exists(path)) {
                std::cerr << "make_demo_data: " << path.string()
                          << " already exists; nothing was written (use --force to replace "
                             "it)\n";
                return 1;
            }
        }
    }

    std::vector<std::uint8_t> equipment = varnel::demo::demoEquipmentFile();
    std::string names = varnel::demo::demoNameList();
    if (wanted > 0) {
        repeatUnits(equipment, names, wanted);
    }
    if (!writeWhole(equipmentPath, reinterpret_cast<const char*>(equipment.data()),
                    equipment.size()) ||
        !writeWhole(nameListPath, names.data(), names.size())) {
        return 1;
    }

    const std::int64_t units =
        varnel::data::layout::highestUnitNumber(static_cast<std::int64_t>(equipment.size())) + 1;
    std::cout << "wrote " << units << " units to " << folderText << "\n";
    return 0;
}
