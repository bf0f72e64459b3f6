#pragma once

#include <string>
#include <string_view>

// Whole files read through the system-file seam (system_files.h), for those that look at every
// unit at once: varnel-tool and the window's table of all units.
namespace varnel::data {

// The content of an existing file. what names it in messages ("the equipment file"). Throws
// Error when it is missing, a folder, or cannot be read.
std::string readWholeFile(const std::string& path, const std::string& what);
// Whether the file holds exactly bytes, read a piece at a time rather than whole; throws as
// readWholeFile does.
bool fileHolds(const std::string& path, const std::string& what, std::string_view bytes);

}  // namespace varnel::data
