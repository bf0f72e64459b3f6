#include "whole_file.h"

#include <memory>

#include "error.h"
#include "system_files.h"

namespace varnel::data {

namespace {

// Reads the file at path through read, which is given each piece as it comes (and may stop the
// reading by returning false) and the length the file had when opened.
template <typename Read>
void readFile(const std::string& path, const std::string& what, Read&& read) {
    SystemFiles& files = systemFiles();
    const std::string couldNot = "Could not read the " + what + " " + path + ": ";
    const auto opened = files.open(path, OpenMode::ReadOnly);
    if (!opened.ok()) {
        if (opened.error == errorNoSuchFile()) {
            throw Error("There is no " + what + " " + path + ". Check the file name.");
        }
        throw Error(couldNot + files.describe(opened.error) + ".");
    }
    OpenHandle file(opened.value);
    const auto status = files.status(file.handle());
    if (!status.ok() || status.value.isFolder) {
        throw Error(couldNot + files.describe(status.ok() ? errorIsFolder() : status.error) + ".");
    }
    read(
        [&](void* buffer, std::size_t size, std::int64_t offset) {
            const auto got = files.readAt(file.handle(), buffer, size, offset);
            if (!got.ok()) {
                throw Error(couldNot + files.describe(got.error) + ".");
            }
            return got.value;
        },
        status.value.length);
    if (const SystemError error = file.close(); error != 0) {
        throw Error(couldNot + files.describe(error) + ".");
    }
}

}  // namespace

std::string readWholeFile(const std::string& path, const std::string& what) {
    std::string content;
    readFile(path, what, [&](auto readAt, std::int64_t length) {
        // Read to the end rather than to the length found, which another program may change.
        content.resize(static_cast<std::size_t>(length) + 4096);
        std::size_t filled = 0;
        for (;;) {
            filled += readAt(content.data() + filled, content.size() - filled,
                             static_cast<std::int64_t>(filled));
            if (filled < content.size()) {
                break;
            }
            content.resize(content.size() * 2);
        }
        content.resize(filled);
    });
    return content;
}

bool fileHolds(const std::string& path, const std::string& what, std::string_view bytes) {
    bool same = true;
    readFile(path, what, [&](auto readAt, std::int64_t length) {
        if (length != static_cast<std::int64_t>(bytes.size())) {
            same = false;
            return;
        }
        constexpr std::size_t kPiece = 64 * 1024;
        const std::unique_ptr<char[]> piece(new char[kPiece]);
        std::size_t compared = 0;
        for (;;) {
            const std::size_t got =
                readAt(piece.get(), kPiece, static_cast<std::int64_t>(compared));
            if (got == 0 || got > bytes.size() - compared ||
                std::string_view(piece.get(), got) != bytes.substr(compared, got)) {
                same = got == 0 && compared == bytes.size();
                return;
            }
            compared += got;
        }
    });
    return same;
}

}  // namespace varnel::data
