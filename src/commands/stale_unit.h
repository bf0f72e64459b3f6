#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/equipment_file.h"
#include "editor.h"

// Another program (a second window, varnel-tool import) may change a unit after Read has shown
// it. A Save over that unit writes every field the form shows, so it would put back the values
// the user saw and undo the other program's change without a word. Save and Replace therefore
// compare the unit on disk with what Read read before their first write.
namespace varnel::commands {

// The record of unit as it stands in file: its 73 bytes, fewer for a last record that lacks its
// final bytes. Throws data::Error when it cannot be read.
std::vector<std::uint8_t> storedRecord(const data::EquipmentFile& file, std::int64_t unit);

// Whether unit, which is about to be written, has been changed on disk since the last Read
// showed it: its record bytes or its name line differ from what that Read read. Only the unit
// the last Read showed is compared; for any other unit the answer is false. When it has changed,
// reports (retry words what the user may do: "Save again to overwrite it with what you typed")
// and takes what is on disk now as read, so that the user's next attempt writes. A record or list
// that cannot be read now is reported too. True means the command must write nothing.
//
// Called under the equipment file's write lock, so that nothing changes between the comparison
// and the writes.
bool unitChangedSinceRead(
    Editor& editor, std::int64_t unit,
    const QString& retry = QStringLiteral("Save again to overwrite it with what you typed"));

// After a command has written unit itself, takes what is on disk now as read, so that its own
// change is not taken for another program's. Does nothing for a unit the last Read did not show.
// A command that reads the unit afresh after writing (Read) needs no call.
void noteUnitWritten(Editor& editor, std::int64_t unit);

}  // namespace varnel::commands
