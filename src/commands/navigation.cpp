#include <QString>

#include "commands.h"
#include "report.h"
#include "unit_number.h"

namespace varnel::commands {
namespace {

enum class Direction { Next, Previous };

// Units 1 to the highest form the cycle; unit 0 lies outside it and is left for the highest or
// for 1. A file that holds unit 0 only stays there.
std::int64_t stepped(std::int64_t unit, std::int64_t highest, Direction direction) {
    if (highest == 0) {
        return 0;
    }
    if (direction == Direction::Next) {
        return unit >= highest ? 1 : unit + 1;
    }
    return unit <= 1 ? highest : unit - 1;
}

void step(Editor& editor, Direction direction) {
    FormAccess& form = editor.form();
    data::EquipmentFile* file = openFileOrReport(editor);
    if (file == nullptr) {
        return;
    }
    // Another program, or Create Unit, may have made the file longer: count afresh.
    const std::int64_t highest = file->highestUnitNumber();
    form.setCaption(controls::kHighestUnit, QString::number(highest));
    if (highest < 0) {
        report(Severity::Problem, QStringLiteral("This file holds no units."));
        return;
    }
    const auto unit = unitInForm(form, controls::kUnitNumber, highest);
    if (!unit) {
        return;
    }
    form.setText(controls::kUnitNumber, QString::number(stepped(*unit, highest, direction)));
    readUnit(editor);
}

}  // namespace

void nextUnit(Editor& editor) {
    step(editor, Direction::Next);
}

void previousUnit(Editor& editor) {
    step(editor, Direction::Previous);
}

void lastUnit(Editor& editor) {
    readUnit(editor);
}

}  // namespace varnel::commands
