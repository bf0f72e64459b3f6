#include "history.h"

#include <QString>

#include "commands.h"
#include "data/record_layout.h"
#include "report.h"

namespace varnel::commands {
namespace {

enum class Way { Back, Again };

// Whether the file is still as the change left it (taking it back) or as it found it (making it
// again): of that length, with those bytes in every range it wrote.
bool asExpected(const data::EquipmentFile& file, const MadeChange& made, Way way) {
    const bool back = way == Way::Back;
    if (file.length() != (back ? made.lengthAfter : made.lengthBefore)) {
        return false;
    }
    for (const MadeChange::Range& range : made.ranges) {
        const auto& expected = back ? range.after : range.before;
        if (file.readBytes(range.offset, expected.size()) != expected) {
            return false;
        }
    }
    return true;
}

// The change that takes made back, or makes it again.
UnitChange reversal(const MadeChange& made, Way way) {
    const bool back = way == Way::Back;
    UnitChange change;
    change.description =
        (back ? QStringLiteral("undo of ") : QStringLiteral("redo of ")) + made.description;
    change.unit = made.unit;
    if (back) {
        // The old bytes go back first; only then is what the change appended cut off, so the
        // counter of a Create Unit never counts a record that is gone.
        for (const MadeChange::Range& range : made.ranges) {
            if (!range.before.empty()) {
                change.writes.push_back({range.offset, range.before});
            }
        }
        if (made.lengthBefore < made.lengthAfter) {
            change.cutTo = made.lengthBefore;
        }
    } else {
        for (const MadeChange::Range& range : made.ranges) {
            change.writes.push_back({range.offset, range.after});
        }
        if (made.lastAfterwards && !change.writes.empty()) {
            change.afterwards = std::move(change.writes.back());
            change.writes.pop_back();
        }
    }
    change.listEdit = UnitChange::ListEdit{
        made.listPath, made.list.value_or(data::ListSplice{}), back,
        ((back ? QStringLiteral("undo ") : QStringLiteral("redo ")) + made.description)
            .toStdString()};
    return change;
}

// Writes the reversal of made; false when it was refused (and reported).
bool remake(Editor& editor, const MadeChange& made, Way way) {
    data::EquipmentFile* file = openFileOrReport(editor);
    if (file == nullptr) {
        return false;
    }
    const ChangeResult result = makeChange(editor, [&]() -> std::optional<UnitChange> {
        if (!asExpected(*file, made, way)) {
            report(Severity::Problem,
                   QStringLiteral("Could not %1 %2: another program has changed %3 since, and "
                                  "its change is kept. Nothing was changed.")
                       .arg(way == Way::Back ? QStringLiteral("undo") : QStringLiteral("redo"),
                            made.description, textFromPath(file->path())));
            return std::nullopt;
        }
        return reversal(made, way);
    });
    // A change with a list edit is all or nothing: never ValuesOnly.
    return result == ChangeResult::Done;
}

// Shows unit, or the highest unit when the file no longer reaches it, with Read.
void show(Editor& editor, std::int64_t unit) {
    const std::int64_t highest = editor.file()->highestUnitNumber();
    editor.form().setCaption(controls::kHighestUnit, QString::number(highest));
    editor.form().setText(controls::kUnitNumber, QString::number(std::min(unit, highest)));
    readUnit(editor);
}

}  // namespace

WriteCommand::WriteCommand(MadeChange made, std::int64_t unitAfterUndo)
    : made_(std::move(made)), unitAfterUndo_(unitAfterUndo) {
    setText(made_.description);
}

void remember(Editor& editor, MadeChange made, std::int64_t unitAfterUndo) {
    editor.history().push(new WriteCommand(std::move(made), unitAfterUndo));
}

void undoLast(Editor& editor) {
    QUndoStack& history = editor.history();
    if (!history.canUndo()) {
        return;
    }
    const auto* command = static_cast<const WriteCommand*>(history.command(history.index() - 1));
    if (!remake(editor, command->made(), Way::Back)) {
        return;
    }
    const QString description = command->made().description;
    const std::int64_t unit = command->unitAfterUndo();
    history.undo();
    show(editor, unit);
    editor.setOutcome(QStringLiteral("Undone: %1.").arg(description));
}

void redoNext(Editor& editor) {
    QUndoStack& history = editor.history();
    if (!history.canRedo()) {
        return;
    }
    const auto* command = static_cast<const WriteCommand*>(history.command(history.index()));
    if (!remake(editor, command->made(), Way::Again)) {
        return;
    }
    const QString description = command->made().description;
    const std::int64_t unit = command->made().unit;
    history.redo();
    show(editor, unit);
    editor.setOutcome(QStringLiteral("Redone: %1.").arg(description));
}

}  // namespace varnel::commands
