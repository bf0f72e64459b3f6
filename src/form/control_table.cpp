#include "control_table.h"

namespace varnel::form {
namespace {

namespace c = controls;

constexpr bool on = true;
constexpr bool off = false;
constexpr controls::Control top{nullptr};  // the client area

// Profi mode: not touched, enables and disables, also shows and hides, or enables only.
constexpr Profi no = Profi::None;
constexpr Profi unlocks = Profi::Unlocks;
constexpr Profi shows = Profi::ShowsAndUnlocks;
constexpr Profi enables = Profi::EnablesOnly;

using K = Kind;

// clang-format off
constexpr ControlSpec kControls[] = {
    // File and command buttons
    {c::kOpenFile,      K::Button,    "Open File",                        120,  120, 1095,  375,  0, on,  on,  top,            no},
    {c::kRead,          K::Button,    "Read",                             120,  600, 1095,  375,  1, off, on,  top,            no},
    {c::kClose,         K::Button,    "Close",                            120, 1080, 1095,  375,  2, off, on,  top,            no},
    {c::kFinish,        K::Button,    "Finish",                           120, 1560, 1095,  375,  3, on,  on,  top,            no},
    {c::kEquipmentFile, K::TextField, "Equip97.eqp",                     1680,  120, 1095,  285,  4, on,  on,  top,            no},
    {c::kNameList,      K::TextField, "Equip97.txt",                     1680,  480, 1095,  285,  5, on,  on,  top,            no},
    {c::kSave,          K::Button,    "Save",                            2880,    0,  615,  375, 42, off, on,  top,            no},
    {c::kLast,          K::Button,    "Last",                            3600,    0,  495,  375, 43, off, on,  top,            no},
    {c::kCreateUnit,    K::Button,    "Create Unit",                     2880,  480, 1215,  375, 44, off, on,  top,            enables},
    {c::kPreviousUnit,  K::Button,    "Previous Unit",                   1680,  960, 1095,  495, 40, off, on,  top,            no},
    {c::kNextUnit,      K::Button,    "   Next Unit   ",                 2880,  960, 1215,  495, 39, off, on,  top,            no},

    // Unit identity, cost and counters
    {"Label3",          K::Label,     "Type",                            1920, 1560,  495,  255, 49, on,  on,  top,            no},
    {c::kClassName,     K::TextField, "Unit Type",                       2400, 1560, 1695,  285, 48, off, on,  top,            unlocks},
    {"Label7",          K::Label,     "Nationality:",                    1080, 2040,  855,  255, 57, on,  on,  top,            no},
    {c::kNationality,   K::TextField, "Nationality",                      960, 2280, 1335,  285, 58, off, on,  top,            unlocks},
    {"Label2",          K::Label,     "Unit Number",                     2520, 2040,  975,  255, 46, on,  on,  top,            no},
    {c::kUnitNumber,    K::TextField, "1",                               3600, 1920,  495,  285, 45, on,  on,  top,            no},
    {c::kUnitName,      K::TextField, "Unit Name",                       2520, 2280, 1575,  285, 41, on,  on,  top,            no},
    {"CASH1",           K::Label,     c::valueLabel("CASH1"),            3000, 3840,  375,  255, 56, on,  on,  top,            no},
    {c::kCost,          K::TextField, "0",                               3600, 3840,  495,  285, 55, on,  on,  top,            no},
    {"Label4",          K::Label,     "Max Units",                       3000, 4680,  615,  375, 50, on,  on,  top,            no},
    {c::kHighestUnit,   K::Label,     "???",                             3720, 4680,  615,  375, 47, on,  on,  top,            no},
    {"Label1",          K::Label,     "Date:",                           3600, 2640,  495,  255, 38, on,  on,  top,            no},

    // The value fields and their labels
    {"Soft",            K::Label,     c::valueLabel("Soft"),              240, 2640,  495,  255, 16, on,  on,  top,            no},
    {c::kSoft,          K::TextField, "0",                                840, 2640,  495,  285,  6, on,  on,  top,            no},
    {"Hard",            K::Label,     c::valueLabel("Hard"),              240, 3000,  495,  255, 17, on,  on,  top,            no},
    {c::kHard,          K::TextField, "0",                                840, 3000,  495,  285,  7, on,  on,  top,            no},
    {"AA",              K::Label,     c::valueLabel("AA"),                240, 3360,  495,  255, 18, on,  on,  top,            no},
    {c::kAirAtt,        K::TextField, "0",                                840, 3360,  495,  285,  8, on,  on,  top,            no},
    {"NA",              K::Label,     c::valueLabel("NA"),                240, 3720,  495,  255, 19, on,  on,  top,            no},
    {c::kNaval,         K::TextField, "0",                                840, 3720,  495,  285,  9, on,  on,  top,            no},
    {"GD",              K::Label,     c::valueLabel("GD"),                240, 4080,  495,  255, 20, on,  on,  top,            no},
    {c::kGrDef,         K::TextField, "0",                                840, 4080,  495,  285, 10, on,  on,  top,            no},
    {"I",               K::Label,     c::valueLabel("I"),                1680, 2640,  735,  255, 21, on,  on,  top,            no},
    {c::kInitiative,    K::TextField, "0",                               2400, 2640,  495,  285, 11, on,  on,  top,            no},
    {"R",               K::Label,     c::valueLabel("R"),                1680, 3000,  615,  255, 22, on,  on,  top,            no},
    {c::kRange,         K::TextField, "0",                               2400, 3000,  495,  285, 12, on,  on,  top,            no},
    {"S",               K::Label,     c::valueLabel("S"),                1680, 3360,  615,  255, 23, on,  on,  top,            no},
    {c::kSpotting,      K::TextField, "0",                               2400, 3360,  495,  285, 13, on,  on,  top,            no},
    {"RM",              K::Label,     c::valueLabel("RM"),               1680, 3720,  615,  255, 24, on,  on,  top,            no},
    {c::kRangeM,        K::TextField, "0",                               2400, 3720,  495,  285, 14, on,  on,  top,            no},
    {"M",               K::Label,     c::valueLabel("M"),                1680, 4080,  615,  255, 25, on,  on,  top,            no},
    {c::kMove,          K::TextField, "0",                               2400, 4080,  495,  285, 15, on,  on,  top,            no},
    {"AD",              K::Label,     c::valueLabel("AD"),                240, 4440,  495,  255, 26, on,  on,  top,            no},
    {c::kArDef,         K::TextField, "0",                                840, 4440,  495,  285, 30, on,  on,  top,            no},
    {"CD",              K::Label,     c::valueLabel("CD"),                240, 4800,  495,  255, 27, on,  on,  top,            no},
    {c::kClDef,         K::TextField, "0",                                840, 4800,  495,  285, 31, on,  on,  top,            no},
    {"F",               K::Label,     c::valueLabel("F"),                1680, 4440,  615,  255, 28, on,  on,  top,            no},
    {c::kFuel,          K::TextField, "0",                               2400, 4440,  495,  285, 32, on,  on,  top,            no},
    {"A",               K::Label,     c::valueLabel("A"),                1680, 4800,  615,  255, 29, on,  on,  top,            no},
    {c::kAmmo,          K::TextField, "0",                               2400, 4800,  495,  285, 33, on,  on,  top,            no},
    {"DM",              K::Label,     c::valueLabel("DM"),               3000, 3120,  495,  255, 36, on,  on,  top,            no},
    {c::kMonth,         K::TextField, "0",                               3600, 3120,  495,  285, 34, on,  on,  top,            no},
    {"DY",              K::Label,     c::valueLabel("DY"),               3000, 3480,  495,  255, 37, on,  on,  top,            no},
    {c::kYear,          K::TextField, "0",                               3600, 3480,  495,  285, 35, on,  on,  top,            no},

    // The switches frame and its check boxes
    {c::kSwitches,      K::Frame,     "Switches",                        4200, 1200, 1095, 2175, 72, on,  on,  top,            no},
    {c::kShip,          K::CheckBox,  "Ship",                             120,  360,  855,  255, 73, off, on,  c::kSwitches,   unlocks},
    {c::kCarrier,       K::CheckBox,  "Carrier",                          120,  720,  855,  255, 76, off, on,  c::kSwitches,   unlocks},
    {c::kFort,          K::CheckBox,  "Fort",                             120, 1080,  855,  255, 77, off, on,  c::kSwitches,   unlocks},
    {c::kAir,           K::CheckBox,  "Air Tran",                         120, 1440,  855,  255, 79, off, on,  c::kSwitches,   unlocks},
    {c::kSea,           K::CheckBox,  "Sea Tr",                           120, 1800,  855,  255, 80, off, on,  c::kSwitches,   unlocks},

    // The raw-value box
    {c::kSw1,           K::TextField, "Sw1",                             1680, 5640,  495,  285, 74, off, on,  top,            no},
    {c::kSw2,           K::TextField, "Sw2",                             2160, 5640,  495,  285, 75, off, on,  top,            no},
    {c::kSwitchClass,   K::TextField, "Sw3",                             2640, 5640,  495,  285, 78, off, on,  top,            no},
    {"Label8",          K::Label,     "Source File:",                     240, 5760,  975,  255, 65, on,  on,  top,            no},
    {c::kCharacters[0], K::TextField, "C1",                               240, 6000,  255,  285, 59, off, on,  top,            unlocks},
    {c::kCharacters[1], K::TextField, "C2",                               480, 6000,  255,  285, 60, off, on,  top,            unlocks},
    {c::kCharacters[2], K::TextField, "C3",                               720, 6000,  255,  285, 61, off, on,  top,            unlocks},
    {c::kCharacters[3], K::TextField, "C4",                               960, 6000,  255,  285, 62, off, on,  top,            unlocks},
    {c::kCharacters[4], K::TextField, "C5",                              1200, 6000,  255,  285, 63, off, on,  top,            unlocks},
    {c::kCharacters[5], K::TextField, "C6",                              1440, 6000,  255,  285, 64, off, off, top,            shows},
    {c::kClassCode,     K::TextField, "NA",                              1800, 6000,  375,  285, 67, off, on,  top,            no},
    {c::kNationSum,     K::TextField, "NA",                              2160, 6000,  375,  285, 66, off, on,  top,            no},
    {c::kSavedUnit,     K::TextField, "Control",                         2520, 6000,  375,  285, 54, off, on,  top,            no},

    // The Advanced Options box
    {"Label5",          K::Label,     "Advanced Options",                3360, 5160, 1335,  255, 51, on,  on,  top,            no},
    {"Label9",          K::Label,     "Freeze All",                      3360, 5520,  735,  255, 69, on,  on,  top,            no},
    {c::kFreezeAll,     K::CheckBox,  "Check1",                          4440, 5520,  255,  255, 68, off, on,  top,            unlocks},
    {"Label6",          K::Label,     "Freeze Stats",                    3360, 5760,  975,  255, 53, on,  on,  top,            no},
    {c::kFreezeStats,   K::CheckBox,  "Check2",                          4440, 5760,  195,  195, 52, on,  on,  top,            no},
    {c::kReplace,       K::Button,    "Replace ",                        3360, 6000,  975,  315, 70, off, on,  top,            unlocks},
    {c::kReplaceTarget, K::TextField, "1",                               4440, 6000,  375,  285, 71, on,  on,  top,            no},

    // The About panel: topmost, so it is built last
    {c::kAboutPanel,    K::Frame,     "Varnel",                           120,    0, 5175, 6375, 81, on,  off, top,            no},
    {c::kContactHeading,K::Label,     "To contact me please e-mail me:",  240,  360, 2655,  375, 82, on,  on,  c::kAboutPanel, no},
    {c::kContactLine,   K::Label,
     "Write to varneledit@example.org\nor open an issue in the VarnelEdit tracker.",
                                                                          120, 1080, 4815,  735, 83, on,  on,  c::kAboutPanel, no},
    {c::kAboutOk,       K::Button,    "OK, I Will",                       360, 5400, 1215,  375, 84, on,  on,  c::kAboutPanel, no},
};

constexpr LineSpec kLines[] = {
    {"Line1",  120, 5160, 4920, 5160},
    {"Line2",  120, 6360,  120, 5160},
    {"Line3", 3240, 6360,  120, 6360},
    {"Line4", 4920, 5160, 4920, 6360},
    {"Line5", 4920, 5400, 3240, 5400},
    {"Line6", 3240, 5160, 3240, 6360},
    {"Line7",  120, 5640, 3240, 5640},
    {"Line8", 3240, 6360, 4920, 6360},
};
// clang-format on

}  // namespace

std::span<const ControlSpec> controlTable() {
    return kControls;
}
std::span<const LineSpec> lineTable() {
    return kLines;
}

}  // namespace varnel::form
