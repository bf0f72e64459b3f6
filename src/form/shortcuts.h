#pragma once

#include <QKeySequence>

#include "commands/control_names.h"

// The window's keys, in one place: the window binds them and the tooltips and the README name
// them. A key does what a click on its button does, and nothing while the button is disabled.
namespace varnel::form {

struct ButtonKey {
    controls::Button button;
    const char* key;  // in QKeySequence's portable text
};

inline constexpr ButtonKey kButtonKeys[] = {
    {controls::kSave, "Ctrl+S"},
    {controls::kNextUnit, "PgDown"},
    {controls::kPreviousUnit, "PgUp"},
    {controls::kRead, "F5"},
};

// The menu items added around the window's own menus.
inline constexpr const char* kOpenFilesKey = "Ctrl+O";
inline constexpr const char* kUndoKey = "Ctrl+Z";
inline constexpr const char* kRedoKeys[] = {"Ctrl+Shift+Z", "Ctrl+Y"};
inline constexpr const char* kUnitTableKey = "Ctrl+T";

// Enter in the unit number runs Read; Enter, Space and Esc close the About panel.

// The key of a button as the user reads it ("Ctrl+S"), or an empty text when it has none.
inline QString keyText(controls::Button button) {
    for (const ButtonKey& key : kButtonKeys) {
        if (qstrcmp(key.button.name, button.name) == 0) {
            return QKeySequence(QString::fromLatin1(key.key)).toString(QKeySequence::NativeText);
        }
    }
    return {};
}

}  // namespace varnel::form
