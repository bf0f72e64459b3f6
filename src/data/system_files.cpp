#include "system_files.h"

namespace varnel::data {
namespace {

// The implementation a test has installed; null for the real one.
SystemFiles* filesInUse = nullptr;

}  // namespace

SystemFiles& systemFiles() {
    return filesInUse != nullptr ? *filesInUse : realSystemFiles();
}

SystemFiles* installSystemFiles(SystemFiles* files) {
    SystemFiles* previous = &systemFiles();
    filesInUse = files;
    return previous;
}

}  // namespace varnel::data
