#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "data/equipment_image.h"
#include "data/name_list_image.h"
#include "whole_files.h"

// The one way the tool's commands that change units (import, sql, patch) read and write the
// equipment file and its name list: both read under the equipment file's write lock, after a
// change that was cut off is settled; the changes listed unit by unit and field by field; both
// new files complete on disk before either takes its file's place, the journal making the two
// renames one step.
namespace varnel::tool {

// The two files, read whole while the lock is held for as long as the object lives.
class LockedUnitFiles {
  public:
    // Says on out what settling an interrupted change did. Throws data::Error when the files
    // cannot be read or an interrupted change cannot be settled.
    LockedUnitFiles(const std::string& equipmentPath, const std::string& nameListPath,
                    std::ostream& out);

    const std::string& equipmentPath() const { return equipmentPath_; }
    const std::string& nameListPath() const { return nameListPath_; }
    const data::EquipmentImage& image() const { return *image_; }
    const data::NameListImage& names() const { return *names_; }

  private:
    std::string equipmentPath_, nameListPath_;
    EquipmentLock lock_;
    std::optional<data::EquipmentImage> image_;
    std::optional<data::NameListImage> names_;
};

// What a command makes of the files; a file left unset stays as it is.
struct UnitFilesChange {
    std::optional<data::EquipmentImage> equipment;
    std::optional<std::string> nameList;
    std::string forcedFindings;  // the values written although check reports them, one a line
    std::string_view forcedHeading =
        "With --force, these values go in although varnel-tool check reports them:";
};

enum class ChangeOutcome { Written, DryRun, NothingToChange };

// Lists the change on out, as diff lists differences, then writes it unless dryRun. doer names
// what makes the change in the closing lines ("the import"), journalWhat in a journal left by a
// crash ("import of units.csv"). Throws data::Error, with nothing written, when another program
// changed either file since it was read, or a file cannot be replaced.
ChangeOutcome showAndWrite(const LockedUnitFiles& files, UnitFilesChange change, bool dryRun,
                           std::string_view doer, const std::string& journalWhat,
                           std::ostream& out);

}  // namespace varnel::tool
