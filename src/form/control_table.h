#pragma once

#include <span>

#include "commands/control_names.h"

// The window's controls as data: one row per control, one loop builds the window from it.
// Positions are in twips (1/1440 inch) relative to the client area or to the containing frame.
namespace varnel::form {

enum class Kind { TextField, Label, Button, CheckBox, Frame };

// What switching Profi mode on and off does to a control.
enum class Profi {
    None,             // nothing
    Unlocks,          // enabled while the mode is on, disabled when it goes off
    ShowsAndUnlocks,  // shown and enabled while the mode is on, hidden and disabled when it goes
                      // off
    EnablesOnly,      // enabled when the mode goes on; going off leaves it as it is
};

struct ControlSpec {
    controls::Control name;
    Kind kind;
    const char* text;  // caption or default text
    int left, top, width, height;
    int tabPlace;  // the place in the focus order
    bool enabled;
    bool visible;
    controls::Control frame;  // the containing frame; a null name for the client area
    Profi profi;
};

struct LineSpec {
    const char* name;
    int x1, y1, x2, y2;
};

std::span<const ControlSpec> controlTable();
std::span<const LineSpec> lineTable();

// The client area is fixed.
inline constexpr int kClientWidthTwips = 5385;
inline constexpr int kClientHeightTwips = 6405;

inline constexpr const char* kWindowName = "VarnelEdit";
inline constexpr const char* kWindowCaption = "Varnel's Kordex 2 Tools";

}  // namespace varnel::form
