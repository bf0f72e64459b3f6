#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/unit_record.h"
#include "editor.h"
#include "unit_change.h"

// The steps that Save, Create Unit and Replace share: check every input of the form before the
// first write, lay the form's values over a record, write it as one change and show what was
// stored.
namespace varnel::commands {

// Everything Save takes from the form, already converted and checked.
struct SaveInputs {
    std::int64_t unit = 0;                // the record written; also its unitNumber
    std::vector<std::uint8_t> values;     // the value fields of controls::kValueControls, in order
    std::vector<std::string> characters;  // the six character fields in the code page
    std::string name;                     // NAMEu in the code page
    QString className;                    // UNIT, as typed
    QString nationName;                   // NATION, as typed
    data::SwitchBoxes boxes;              // the five switch boxes
    // Which of the values the last Read showed for the record laid over the user has left as
    // they were. The form cannot express every stored byte: a class code without a name, a
    // nationality pattern without a name, a switch pair no box or class stands for. Such bytes
    // are kept when the controls that show them are untouched.
    bool classAsRead = false;     // UNIT
    bool nationAsRead = false;    // NATION
    bool switchesAsRead = false;  // the five switch boxes, and UNIT, whose class default counts
};

// Checks every input that Save converts, in Save's order, for the given unit-number text and
// highest unit number. On the first bad one it reports the field by its caption, puts the focus
// there and returns nullopt; nothing has been written.
//
// The record laid over is that of the unit in NMBu: the unit saved, or the unit Create Unit and
// Replace copy. Where that is the unit the last Read showed, the controls the user left as Read
// filled them keep what the form cannot express, and an untouched name keeps its stored line
// byte for byte.
std::optional<SaveInputs> takeSaveInputs(Editor& editor, const QString& unitText,
                                         std::int64_t highest);

// Whether the open file may be written; reports and returns false when not.
bool fileIsWritable(Editor& editor, const QString& command);

// What Create Unit and Replace copy from: the open file, its highest unit number as its length
// gives it now, and the unit shown; for Replace also the unit replaced, from the text field
// target. Reports and returns nullopt when there is none, or when the file may not be written.
struct CopySource {
    data::EquipmentFile* file = nullptr;
    std::int64_t highest = -1;
    std::int64_t unit = 0;
    std::optional<std::int64_t> target;
};
std::optional<CopySource> beginCopy(Editor& editor, const QString& command,
                                    std::optional<controls::TextField> target = std::nullopt);

// What a Save stored in the codes the form shows in the raw-value box.
struct StoredCodes {
    std::uint8_t unitClass = 0;
    int nationSum = 0;
    // Set when the code came from a text of UNIT or NATION that names no class or nationality.
    bool classUnnamed = false;
    bool nationUnnamed = false;
};

// Lays the form's values over a record, as Save stores them.
StoredCodes applySaveInputs(const SaveInputs& inputs, data::Unit& unit);

// The highest unit number the file holds now, when unit is still in it; reports and returns
// nullopt when another program has made the file shorter meanwhile.
std::optional<std::int64_t> highestNow(Editor& editor, std::int64_t unit);

// Makes the change that build returns (unit_change.h), build being given the codes to fill in as
// it lays the inputs over its record. Unless the change was refused, shown() then puts into the
// form what the command shows of the unit it wrote, and the form shows the codes stored: HLP1,
// Text8 and Text7, with a notice when a class or nationality text named nothing, so that 0 was
// written. Once both files are written, Read shows the unit as stored. The change goes onto the
// history, and taking it back shows unitAfterUndo.
ChangeResult storeUnit(Editor& editor, const SaveInputs& inputs,
                       const std::function<std::optional<UnitChange>(StoredCodes&)>& build,
                       const std::function<void()>& shown, std::int64_t unitAfterUndo);

// The outcome of a write for the status bar: done ("Saved unit 5 “Tiger I”."), with a word when
// only the values were stored, or nothing when it was refused.
void tellOutcome(Editor& editor, ChangeResult result, const QString& done);

}  // namespace varnel::commands
