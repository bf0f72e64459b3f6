#include <QString>
#include <algorithm>

#include "commands.h"
#include "data/record_layout.h"
#include "save_steps.h"
#include "stale_unit.h"

namespace varnel::commands {

namespace layout = data::layout;

// Replace copies a record's first 71 bytes: the last two stay with the target.
inline constexpr std::size_t kReplacedBytes = 71;

void replaceUnit(Editor& editor) {
    FormAccess& form = editor.form();
    const QString targetText = form.text(controls::kReplaceTarget);
    const auto source = beginCopy(editor, QStringLiteral("Replace"), controls::kReplaceTarget);
    if (!source) {
        return;
    }
    const std::int64_t target = *source->target;
    const auto inputs = takeSaveInputs(editor, targetText, source->highest);
    if (!inputs) {
        return;
    }
    const auto build = [&](StoredCodes& codes) -> std::optional<UnitChange> {
        const auto highest = highestNow(editor, std::max(target, source->unit));
        if (!highest ||
            unitChangedSinceRead(editor, target, QStringLiteral("Replace again to overwrite it"))) {
            return std::nullopt;
        }
        data::Unit unit = data::Unit::decode(
            source->file->readBytes(layout::fileOffset(source->unit, 0), kReplacedBytes));
        codes = applySaveInputs(*inputs, unit);
        return UnitChange{
            QStringLiteral("Replace of unit %1").arg(target),
            inputs->unit,
            {{layout::fileOffset(target, 0), {unit.encode().begin(), unit.encode().end()}}},
            std::nullopt,
            inputs->name,
            *highest,
            std::nullopt,
            std::nullopt};
    };
    const ChangeResult result = storeUnit(
        editor, *inputs, build,
        [&] { form.setText(controls::kUnitNumber, targetText); },  // as typed, blanks and all
        target);
    tellOutcome(editor, result,
                QStringLiteral("Unit %1 replaced by unit %2.").arg(target).arg(source->unit));
}

}  // namespace varnel::commands
