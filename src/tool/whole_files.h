#pragma once

#include <string>
#include <string_view>

#include "data/file_replacement.h"

// Whole files read through the system-file seam (data/system_files.h), and the rules by which the
// tool replaces them (data/file_replacement.h): never in place, always as a complete new copy
// renamed over the file.
namespace varnel::tool {

// The content of an existing file. what names it in messages ("the equipment file"). Throws
// data::Error when it is missing, a folder, or cannot be read.
std::string readWholeFile(const std::string& path, const std::string& what);

// Throws data::Error, naming both files, when the two paths lead to one file (by the system's
// identity of the file, so that links and other names of it count): a file must not be written in
// the role of another.
void requireSeparateFiles(const std::string& first, const std::string& firstWhat,
                          const std::string& second, const std::string& secondWhat);

// Replaces a file of ours (the equipment file, the CSV written by export) with content through the
// one replacement routine; its temporary copy is the file's name with ".new" added.
data::ReplacementRules rulesForFile(const std::string& what);
// The same for a name list, whose temporary copy is the list folder's "bck.TXT".
data::ReplacementRules rulesForNameList();

}  // namespace varnel::tool
