#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/equipment_image.h"
#include "data/name_list_image.h"

// A mod patch: what differs between two versions of the files (a base and a mod), unit by unit,
// written as JSON so that it can be read, mailed and merged onto another version of the base.
// Each changed field carries its old and its new value, so that the patch can tell, on whatever
// file it is applied to, which values are still the base's and which were changed meanwhile.
namespace varnel::tool {

inline constexpr std::string_view kPatchFormat = "varnel-tool patch";
inline constexpr std::int64_t kPatchVersion = 1;
// The largest patch file that patch reads: a patch of every field of all the units a file can
// hold is well below it.
inline constexpr std::int64_t kLargestPatch = 64 * 1024 * 1024;

// What the patch records of one version of the files.
struct PatchFileFacts {
    std::int64_t equipmentBytes = 0;
    std::int64_t nameListBytes = 0;
    std::int64_t units = 0;
    std::int64_t unitCounter = 0;
    friend bool operator==(const PatchFileFacts&, const PatchFileFacts&) = default;
};

// One changed field of a unit: the column's label as export writes it ("Soft", "Cost", "nation1",
// "unitNumber", "Unassigned"), and both cells as export writes them (the cost as the window shows
// it, the unassigned bytes in hex with blanks).
struct PatchField {
    std::string label, before, after;
    friend bool operator==(const PatchField&, const PatchField&) = default;
};

// A unit in both versions that differs: its fields in column order, its name (UTF-8) when that
// differs.
struct PatchUnit {
    std::int64_t unit = 0;
    std::vector<PatchField> fields;
    std::optional<std::string> nameBefore, nameAfter;  // both set or neither
    friend bool operator==(const PatchUnit&, const PatchUnit&) = default;
};

// A unit the mod added after the base's last: its whole record and its name (UTF-8).
struct PatchAddedUnit {
    std::int64_t unit = 0;
    std::string name;
    std::string record;  // the record's bytes, data::layout::kRecordSize of them
    friend bool operator==(const PatchAddedUnit&, const PatchAddedUnit&) = default;
};

struct Patch {
    PatchFileFacts base, result;
    std::string baseSha256, baseNameListSha256;  // lower-case hex of the base files' bytes
    std::vector<PatchUnit> changed;              // in unit order, each unit once
    std::vector<PatchAddedUnit> added;           // units base.units, base.units + 1, ...
    // The unit counter, when the mod changed it otherwise than by adding units.
    std::optional<std::int64_t> counterBefore, counterAfter;
    friend bool operator==(const Patch&, const Patch&) = default;
};

// The patch that turns before into after. Throws data::Error when after cannot be reached by a
// patch: it has fewer units than before (a patch removes none), or bytes after its last unit
// that make no unit.
Patch makePatch(const data::EquipmentImage& before, const data::EquipmentImage& after,
                const data::NameListImage& namesBefore, const data::NameListImage& namesAfter);

// The patch as JSON text (UTF-8, one unit per line, ended by a line break).
std::string writePatch(const Patch& patch);

// Reads a patch written by writePatch, or by hand. Throws data::Error, naming path and saying in
// plain words what is wrong and where, for any text that is no such patch: no JSON, another
// format or a later version, a field no column has, a unit twice or out of range, a value of the
// wrong kind. Values are not checked against the columns' ranges here: applying the patch does
// that with the rules of import.
Patch readPatch(std::string_view text, const std::string& path);

}  // namespace varnel::tool
