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
void saveUnit(Editor& editor);
void nextUnit(Editor& editor);
void previousUnit(Editor& editor);
void lastUnit(Editor& editor);
void createUnit(Editor& editor);
void replaceUnit(Editor& editor);

// Shared steps of the commands that touch the name list.
std::string nameListPath(FormAccess& form);
QString textFromCodePage(const std::string& bytes);
// Shows line unit + 1 of the name list in NAMEu, or an empty name where there is none.
void showName(FormAccess& form, std::int64_t unit);
// The name NAMEu shows, quoted and after a blank (" “Tiger I”"), or nothing when it is empty.
QString quotedName(FormAccess& form);
// The first words of the message that the name list is the equipment file itself.
QString nameListIsEquipmentFile(const std::string& listPath, const std::string& equipmentPath);

}  // namespace varnel::commands
