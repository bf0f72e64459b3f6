#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editor.h"

// The steps that Save, Create Unit and Replace share: check every input of the form before the
// first write, lay the form's values over a record, store the name.
namespace varnel::commands {

// Everything Save takes from the form, already converted and checked.
struct SaveInputs {
    std::int64_t unit = 0;             // the record written; also its unitNumber
    std::vector<std::uint8_t> values;  // the fourteen statistics, cost, month, year: record order
    std::vector<std::string> characters;  // Text1..Text6 in the code page
    std::string name;                     // NAMEu in the code page
    QString className;                    // UNIT, as typed
    QString nationName;                   // NATION, as typed
    bool ship = false, carrier = false, fort = false, air = false, sea = false;
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

// What Create Unit and Replace copy from: the open file, its highest unit number as its length
// gives it now, and the unit shown. Reports and returns nullopt when there is none.
struct CopySource {
    data::EquipmentFile* file = nullptr;
    std::int64_t highest = -1;
    std::int64_t unit = 0;
};
std::optional<CopySource> copySource(Editor& editor);

// Whether the open file may be written; reports and returns false when not.
bool fileIsWritable(Editor& editor, const QString& command);

// Lays the form's values over the first bytes of a record (at least 45 bytes), as Save stores
// them. Returns the class code and nationality sum the record now holds.
struct StoredCodes {
    std::uint8_t unitClass = 0;
    int nationSum = 0;
    // Set when the code came from a text of UNIT or NATION that names no class or nationality.
    bool classUnnamed = false;
    bool nationUnnamed = false;
};
StoredCodes applySaveInputs(const SaveInputs& inputs, std::vector<std::uint8_t>& record);

// Shows in the form what a Save has written: HLP1, Text8 and Text7; and tells the user when a
// class or nationality text named nothing, so that 0 was written.
void showStoredCodes(FormAccess& form, const SaveInputs& inputs, const StoredCodes& codes);

// The highest unit number the file holds now, when unit is still in it; reports and returns
// nullopt when another program has made the file shorter meanwhile.
std::optional<std::int64_t> highestNow(Editor& editor, std::int64_t unit);

// The highest unit number the 16-bit unitNumber field can hold.
inline constexpr std::int64_t kHighestStorableUnit = 32767;

}  // namespace varnel::commands
