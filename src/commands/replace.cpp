#include <QString>
#include <algorithm>

#include "commands.h"
#include "data/error.h"
#include "data/record_layout.h"
#include "report.h"
#include "save_steps.h"
#include "stale_unit.h"
#include "unit_change.h"
#include "unit_number.h"

namespace varnel::commands {

namespace layout = data::layout;

// Replace copies a record's first 71 bytes: the last two stay with the target.
inline constexpr std::size_t kReplacedBytes = 71;

void replaceUnit(Editor& editor) {
    FormAccess& form = editor.form();
    const auto source = copySource(editor);
    if (!source) {
        return;
    }
    data::EquipmentFile* file = source->file;
    const std::int64_t highest = source->highest;
    const QString targetText = form.text("Text9");
    const auto target = unitInForm(form, "Text9", highest, QStringLiteral("to replace"));
    if (!target) {
        return;
    }
    if (!fileIsWritable(editor, QStringLiteral("Replace"))) {
        return;
    }
    const auto inputs = takeSaveInputs(editor, targetText, highest);
    if (!inputs) {
        return;
    }

    StoredCodes codes;
    const ChangeResult result = makeChange(editor, [&]() -> std::optional<UnitChange> {
        const auto highestNowInFile = highestNow(editor, std::max(*target, source->unit));
        if (!highestNowInFile ||
            unitChangedSinceRead(editor, *target,
                                 QStringLiteral("Replace again to overwrite it"))) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> record =
            file->readBytes(layout::fileOffset(source->unit, 0), kReplacedBytes);
        codes = applySaveInputs(*inputs, record);
        return UnitChange{QStringLiteral("Replace of unit %1").arg(*target),
                          inputs->unit,
                          {{layout::fileOffset(*target, 0), std::move(record)}},
                          std::nullopt,
                          inputs->name,
                          *highestNowInFile};
    });
    if (result == ChangeResult::Refused) {
        return;
    }
    form.setText("NMBu", targetText);  // as typed, blanks and all
    showStoredCodes(form, *inputs, codes);
    if (result == ChangeResult::Done) {
        readUnit(editor);
    }
}

}  // namespace varnel::commands
