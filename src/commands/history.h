#pragma once

#include <QUndoCommand>
#include <cstdint>

#include "editor.h"
#include "unit_change.h"

// Undo and redo of the writes to the open file: Save, Create Unit and Replace. Each change made is
// kept as the bytes and the list lines it replaced and the ones it wrote (MadeChange). Taking it
// back writes the old ones again, through the same protected path as the change itself (lock,
// journal, the checks before the first write); making it again writes the new ones. Either is
// refused, with nothing changed, when another program has changed those bytes since: its change
// is never overwritten unseen.
namespace varnel::commands {

// One change on the history. The stack only keeps the changes and their order; the writes are
// made by undoLast and redoNext before they move the stack, since a write can be refused and a
// QUndoCommand cannot say so.
class WriteCommand : public QUndoCommand {
  public:
    // unitAfterUndo: the unit the form shows once the change is taken back.
    WriteCommand(MadeChange made, std::int64_t unitAfterUndo);
    void undo() override {}
    void redo() override {}

    const MadeChange& made() const { return made_; }
    std::int64_t unitAfterUndo() const { return unitAfterUndo_; }

  private:
    MadeChange made_;
    std::int64_t unitAfterUndo_;
};

// Puts a change just made on the history, above the present place (what was undone before it can
// no longer be redone).
void remember(Editor& editor, MadeChange made, std::int64_t unitAfterUndo);

// Takes back the last change that is not yet taken back, and shows the unit it concerned.
void undoLast(Editor& editor);
// Makes the last change taken back again, and shows its unit.
void redoNext(Editor& editor);

}  // namespace varnel::commands
