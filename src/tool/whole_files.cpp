#include "whole_files.h"

#include <memory>
#include <ostream>
#include <utility>

#include "data/error.h"
#include "data/journal.h"
#include "data/name_list.h"
#include "data/system_files.h"

namespace varnel::tool {

using data::Error;

namespace {

// Reads the file at path through read, which is given each piece as it comes (and may stop the
// reading by returning false) and the length the file had when opened.
template <typename Read>
void readFile(const std::string& path, const std::string& what, Read&& read) {
    data::SystemFiles& files = data::systemFiles();
    const std::string couldNot = "Could not read the " + what + " " + path + ": ";
    const auto opened = files.open(path, data::OpenMode::ReadOnly);
    if (!opened.ok()) {
        if (opened.error == data::errorNoSuchFile()) {
            throw Error("There is no " + what + " " + path + ". Check the file name.");
        }
        throw Error(couldNot + files.describe(opened.error) + ".");
    }
    data::OpenHandle file(opened.value);
    const auto status = files.status(file.handle());
    if (!status.ok() || status.value.isFolder) {
        throw Error(couldNot + files.describe(status.ok() ? data::errorIsFolder() : status.error) +
                    ".");
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
    if (const data::SystemError error = file.close(); error != 0) {
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

void requireSeparateFiles(const std::string& first, const std::string& firstWhat,
                          const std::string& second, const std::string& secondWhat) {
    if (data::sameFile(first, second)) {
        throw Error(first + " (" + firstWhat + ") and " + second + " (" + secondWhat +
                    ") are one and the same file, which cannot serve as both. Give each its own "
                    "file; nothing was written.");
    }
}

void settleInterruptedChange(const std::string& path, std::ostream& err, bool toWrite) {
    const data::Recovery recovery = data::recoverChange(path);
    if (recovery.outcome == data::Recovery::Outcome::LeftAlone && toWrite) {
        throw Error(recovery.message + " Nothing was written.");
    }
    if (recovery.outcome != data::Recovery::Outcome::None) {
        err << recovery.message << "\n";
    }
}

namespace {

// The equipment file opened for writing, or -1 when it cannot be: missing or read-only, which
// reading reports and writing refuses.
int openForLock(const std::string& path) {
    const auto opened = data::systemFiles().open(path, data::OpenMode::ReadWrite);
    return opened.ok() ? opened.value : -1;
}

}  // namespace

// The handle is only locked, never written through: its close has nothing to report.
EquipmentLock::EquipmentLock(const std::string& path)
    : handle_(openForLock(path)),
      lock_(handle_.handle() >= 0 ? data::WriteLock(handle_.handle(), path) : data::WriteLock()) {}

data::ReplacementRules rulesForFile(const std::string& what) {
    data::ReplacementRules rules;
    rules.what = what;
    rules.unchanged = " Nothing was written.";
    rules.temporaryPathFor = [](const std::string& path) { return path + ".new"; };
    return rules;
}

data::ReplacementRules rulesForNameList() {
    data::ReplacementRules rules = rulesForFile("the name list");
    rules.temporaryPathFor = data::temporaryPathFor;
    return rules;
}

}  // namespace varnel::tool
