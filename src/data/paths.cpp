#include "system_files.h"

namespace varnel::data {

std::string resolvePath(const std::string& nameText) {
    SystemFiles& files = systemFiles();
    if (files.isAbsolute(nameText)) {
        return nameText;
    }
    std::string folder = files.currentFolder();
    if (folder.empty() || folder.back() != files.separator()) {
        folder += files.separator();
    }
    return folder + nameText;
}

std::string folderOf(const std::string& path) {
    const auto cut = path.find_last_of(systemFiles().separator());
    if (cut == std::string::npos) {
        return ".";
    }
    if (cut == 0) {
        return path.substr(0, 1);
    }
    return path.substr(0, cut);
}

std::string fileNameOf(const std::string& path) {
    const auto cut = path.find_last_of(systemFiles().separator());
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace varnel::data
