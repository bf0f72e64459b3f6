#include "whole_files.h"

#include <ostream>
#include <utility>

#include "data/error.h"
#include "data/journal.h"
#include "data/name_list.h"
#include "data/system_files.h"

namespace varnel::tool {
namespace {

using data::Error;
using data::SystemError;

std::string reasonFor(SystemError error) {
    return data::systemFiles().describe(error);
}

}  // namespace

std::string readWholeFile(const std::string& path, const std::string& what) {
    data::SystemFiles& files = data::systemFiles();
    const std::string couldNot = "Could not read the " + what + " " + path + ": ";
    const auto opened = files.open(path, data::OpenMode::ReadOnly);
    if (!opened.ok()) {
        if (opened.error == data::errorNoSuchFile()) {
            throw Error("There is no " + what + " " + path + ". Check the file name.");
        }
        throw Error(couldNot + reasonFor(opened.error) + ".");
    }
    const int handle = opened.value;
    std::string content;
    SystemError error = 0;
    const auto status = files.status(handle);
    if (!status.ok() || status.value.isFolder) {
        error = status.ok() ? data::errorIsFolder() : status.error;
    } else {
        // Read to the end rather than to the length found, which another program may change.
        std::size_t filled = 0;
        content.resize(static_cast<std::size_t>(status.value.length) + 4096);
        for (;;) {
            const auto read = files.readAt(handle, content.data() + filled, content.size() - filled,
                                           static_cast<std::int64_t>(filled));
            if (!read.ok()) {
                error = read.error;
                break;
            }
            filled += read.value;
            if (filled < content.size()) {
                break;
            }
            content.resize(content.size() * 2);
        }
        content.resize(filled);
    }
    const SystemError closeError = files.close(handle);
    if (error == 0) {
        error = closeError;
    }
    if (error != 0) {
        throw Error(couldNot + reasonFor(error) + ".");
    }
    return content;
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

EquipmentLock::EquipmentLock(const std::string& path) {
    const auto opened = data::systemFiles().open(path, data::OpenMode::ReadWrite);
    if (!opened.ok()) {
        return;  // missing or read-only: reading reports the one, writing refuses the other
    }
    handle_ = opened.value;
    try {
        lock_ = data::WriteLock(handle_, path);
    } catch (...) {
        data::systemFiles().close(handle_);
        throw;
    }
}

EquipmentLock::~EquipmentLock() {
    lock_.release();
    if (handle_ >= 0) {
        data::systemFiles().close(handle_);  // only locked, never written through
    }
}

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
