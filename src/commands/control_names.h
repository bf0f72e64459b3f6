#pragma once

#include <span>

#include "data/unit_record.h"

// The window's controls by name. The commands and the window reach every control through these
// constants, never through a bare string: a misspelt name does not compile, and the kind of a
// name says what may be done with it (a check box has no text to read). The object names are
// the window's own and stay as they are.
namespace varnel::controls {

struct Control {
    const char* name;
};
struct TextField : Control {};
struct Label : Control {};
struct Button : Control {};
struct CheckBox : Control {};
struct Frame : Control {};
struct MenuItem : Control {};

// The file and command buttons.
inline constexpr Button kOpenFile{"open1"};
inline constexpr Button kRead{"ReadM"};
inline constexpr Button kClose{"closeM"};
inline constexpr Button kFinish{"finish"};
inline constexpr Button kSave{"Command1"};
inline constexpr Button kLast{"BACK"};
inline constexpr Button kCreateUnit{"CreateB"};
inline constexpr Button kPreviousUnit{"PREVu"};
inline constexpr Button kNextUnit{"NEXTu"};
inline constexpr Button kReplace{"Command2"};
inline constexpr Button kAboutOk{"Command3"};  // closes the About panel

// The files and the unit.
inline constexpr TextField kEquipmentFile{"EQP"};
inline constexpr TextField kNameList{"TXT"};
inline constexpr TextField kUnitNumber{"NMBu"};
inline constexpr TextField kUnitName{"NAMEu"};
inline constexpr TextField kClassName{"UNIT"};
inline constexpr TextField kNationality{"NATION"};
inline constexpr Label kHighestUnit{"MaxT1"};

// The value fields, each showing one field of the record.
inline constexpr TextField kSoft{"Soft1"};
inline constexpr TextField kHard{"Hard1"};
inline constexpr TextField kAirAtt{"AA1"};
inline constexpr TextField kNaval{"NA1"};
inline constexpr TextField kGrDef{"GD1"};
inline constexpr TextField kArDef{"AD1"};
inline constexpr TextField kClDef{"CD1"};
inline constexpr TextField kInitiative{"I1"};
inline constexpr TextField kRange{"R1"};
inline constexpr TextField kSpotting{"S1"};
inline constexpr TextField kRangeM{"RM1"};
inline constexpr TextField kMove{"M1"};
inline constexpr TextField kFuel{"F1"};
inline constexpr TextField kAmmo{"A1"};
inline constexpr TextField kCost{"CASH2"};
inline constexpr TextField kMonth{"DM1"};
inline constexpr TextField kYear{"DY1"};

// The switches.
inline constexpr Frame kSwitches{"Frame1"};
inline constexpr CheckBox kShip{"SHIP"};
inline constexpr CheckBox kCarrier{"CARRIER"};
inline constexpr CheckBox kFort{"FORT"};
inline constexpr CheckBox kAir{"AIR"};
inline constexpr CheckBox kSea{"SEA"};

// The raw-value box along the bottom: what the record stores, as numbers.
inline constexpr TextField kSw1{"Text10"};
inline constexpr TextField kSw2{"Text11"};
inline constexpr TextField kSwitchClass{"Text12"};  // the class code, beside the switch bytes
inline constexpr TextField kClassCode{"Text8"};     // the class code a Save stored
inline constexpr TextField kNationSum{"Text7"};     // the sum of the four nationality bytes
inline constexpr TextField kSavedUnit{"HLP1"};      // the unit a Save wrote
inline constexpr TextField kCharacters[] = {{"Text1"}, {"Text2"}, {"Text3"},
                                            {"Text4"}, {"Text5"}, {"Text6"}};

// Advanced options.
inline constexpr CheckBox kFreezeAll{"ALF"};
inline constexpr CheckBox kFreezeStats{"Freeze"};
inline constexpr TextField kReplaceTarget{"Text9"};

// The About panel.
inline constexpr Frame kAboutPanel{"Ja"};
inline constexpr Label kContactHeading{"Label10"};
inline constexpr Label kContactLine{"Label11"};

// The menus.
inline constexpr MenuItem kFileMenu{"MFILE"};
inline constexpr MenuItem kSpecialsMenu{"MSPEC"};
inline constexpr MenuItem kProfiItem{"MPROF"};
inline constexpr MenuItem kExitItem{"MEXIT"};
inline constexpr MenuItem kVarnelMenu{"MTOM"};
inline constexpr MenuItem kAboutItem{"MTM"};

// The commands that need an open file: Open File enables them and Close disables them, in this
// order.
inline constexpr Button kFileCommands[] = {kClose, kRead, kPreviousUnit, kNextUnit,
                                           kSave,  kLast, kCreateUnit};

// A record field shown as a number in a text field, with the label beside it.
struct ValueControl {
    const data::RecordField& field;
    TextField control;
    Label label;
};

// Every value field of the window, in record order, which is the order Save converts them in.
inline constexpr ValueControl kValueControls[] = {
    {data::recordField("soft"), kSoft, {"Soft"}},
    {data::recordField("hard"), kHard, {"Hard"}},
    {data::recordField("airAtt"), kAirAtt, {"AA"}},
    {data::recordField("naval"), kNaval, {"NA"}},
    {data::recordField("grDef"), kGrDef, {"GD"}},
    {data::recordField("arDef"), kArDef, {"AD"}},
    {data::recordField("clDef"), kClDef, {"CD"}},
    {data::recordField("initiative"), kInitiative, {"I"}},
    {data::recordField("range"), kRange, {"R"}},
    {data::recordField("spotting"), kSpotting, {"S"}},
    {data::recordField("rangeM"), kRangeM, {"RM"}},
    {data::recordField("move"), kMove, {"M"}},
    {data::recordField("fuel"), kFuel, {"F"}},
    {data::recordField("ammo"), kAmmo, {"A"}},
    {data::recordField("cost"), kCost, {"CASH1"}},
    {data::recordField("month"), kMonth, {"DM"}},
    {data::recordField("year"), kYear, {"DY"}},
};

// The caption of a value field's label: the field's label in the record table.
consteval const char* valueLabel(const char* labelName) {
    for (const ValueControl& value : kValueControls) {
        if (std::string_view(value.label.name) == labelName) {
            return value.field.label;
        }
    }
    throw "no value field has a label of this name";
}

}  // namespace varnel::controls
