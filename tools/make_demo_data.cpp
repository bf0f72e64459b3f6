// make_demo_data FOLDER [--force]
// Writes the invented demonstration files "Equip97.eqp" and "Equip97.txt" into FOLDER, creating
// the folder when needed. Existing files are left alone unless --force is given.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "data/record_layout.h"
#include "demo_units.h"

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kEquipmentName = "Equip97.eqp";
constexpr std::string_view kNameListName = "Equip97.txt";

int usage() {
    std::cerr << "usage: make_demo_data FOLDER [--force]\n"
                 "Writes the demonstration files Equip97.eqp and Equip97.txt into FOLDER.\n";
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

}  // namespace

int main(int argc, char** argv) {
    bool force = false;
    std::string folderText;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--force") {
            force = true;
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

    const std::vector<std::uint8_t> equipment = varnel::demo::demoEquipmentFile();
    const std::string names = varnel::demo::demoNameList();
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
