#include "system_files.h"

namespace varnel::data {
namespace {

// '/' parts a path on every system the program runs on; a system may have a separator of its own
// besides ('\' on Windows), and a path may hold both.
std::string separatorsOf(const SystemFiles& files) {
    std::string separators = "/";
    if (files.separator() != '/') {
        separators += files.separator();
    }
    return separators;
}

bool isSeparator(const SystemFiles& files, char c) {
    return c == '/' || c == files.separator();
}

// How much of a path its root takes: 1 for a path that starts at a separator, 3 for a drive's root
// ("C:\") where the system has drives, else 0.
std::size_t rootLength(const SystemFiles& files, const std::string& path) {
    if (!path.empty() && isSeparator(files, path[0])) {
        return 1;
    }
    if (path.size() >= 3 && path[1] == ':' && isSeparator(files, path[2]) &&
        files.isAbsolute(path.substr(0, 3))) {
        return 3;
    }
    return 0;
}

}  // namespace

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
    const SystemFiles& files = systemFiles();
    const auto cut = path.find_last_of(separatorsOf(files));
    if (cut == std::string::npos) {
        return ".";
    }
    const std::size_t root = rootLength(files, path);
    if (cut < root) {
        return path.substr(0, root);
    }
    return path.substr(0, cut);
}

std::string fileNameOf(const std::string& path) {
    const auto cut = path.find_last_of(separatorsOf(systemFiles()));
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string pathInFolderOf(const std::string& path, const std::string& name) {
    const SystemFiles& files = systemFiles();
    std::string folder = folderOf(path);
    if (!isSeparator(files, folder.back())) {
        // The separator the path itself puts after its folder, else the system's own.
        const bool followed =
            folder.size() < path.size() && isSeparator(files, path[folder.size()]);
        folder += followed ? path[folder.size()] : files.separator();
    }
    return folder + name;
}

}  // namespace varnel::data
