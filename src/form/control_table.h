#pragma once

#include <span>

// The window's controls as data: one row per control, one loop builds the window from it.
// Positions are in twips (1/1440 inch) relative to the client area or to the containing frame.
namespace varnel::form {

enum class Kind { TextField, Label, Button, CheckBox, Frame };

struct ControlSpec {
    const char* name;
    Kind kind;
    const char* text;  // caption or default text
    int left, top, width, height;
    int tabPlace;
    bool enabled;
    bool visible;
    const char* frame;  // the containing frame, or nullptr for the client area
    int index;          // the value fields and their labels carry an index; -1 elsewhere
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
