#pragma once

#include "editor.h"

// The commands behind the window's buttons. Each runs to completion, reports every failure
// through report() and leaves the files and the form consistent.
namespace varnel::commands {

void openFile(Editor& editor);
void closeFile(Editor& editor);
// Closes the open file, if any, before the program ends (Finish, Exit, the window frame).
void closeForExit(Editor& editor);

void readUnit(Editor& editor);

}  // namespace varnel::commands
