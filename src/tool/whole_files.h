#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "data/file_replacement.h"
#include "data/system_files.h"
#include "data/whole_file.h"
#include "data/write_lock.h"

// Whole files read through the system-file seam (data/whole_file.h), and the rules by which the
// tool replaces them (data/file_replacement.h): never in place, always as a complete new copy
// renamed over the file.
namespace varnel::tool {

// Throws data::Error, naming both files, when the two paths lead to one file (by the system's
// identity of the file, so that links and other names of it count): a file must not be written in
// the role of another.
void requireSeparateFiles(const std::string& first, const std::string& firstWhat,
                          const std::string& second, const std::string& secondWhat);

// Settles a change to the equipment file at path that was cut off (a crash, a power cut): taken
// back or finished, and said on err. A journal that cannot be settled is reported on err; when
// the command is to write, it throws data::Error instead.
void settleInterruptedChange(const std::string& path, std::ostream& err, bool toWrite);

// The equipment file's write lock, held through an open of its own for as long as the object
// lives, so that no other program (the editor, another import) changes the file meanwhile. A file
// that cannot be opened for writing gets no lock: nothing may write it anyway.
class EquipmentLock {
  public:
    explicit EquipmentLock(const std::string& path);

  private:
    data::OpenHandle handle_;
    data::WriteLock lock_;  // given back before the handle closes
};

// Replaces a file of ours (the equipment file, the CSV written by export) with content through the
// one replacement routine; its temporary copy is the file's name with ".new" added.
data::ReplacementRules rulesForFile(const std::string& what);
// The same for a name list, whose temporary copy is the list folder's "bck.TXT".
data::ReplacementRules rulesForNameList();

}  // namespace varnel::tool
