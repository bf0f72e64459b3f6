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
