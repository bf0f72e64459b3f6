#include <QString>

#include "commands.h"
#include "data/record_layout.h"
#include "save_steps.h"
#include "stale_unit.h"
#include "unit_change.h"

namespace varnel::commands {

void saveUnit(Editor& editor) {
    data::EquipmentFile* file = openFileOrReport(editor);
    if (file == nullptr) {
        return;
    }
    const auto inputs = takeSaveInputs(editor, editor.form().text(controls::kUnitNumber),
                                       file->highestUnitNumber());
    if (!inputs || !fileIsWritable(editor, QStringLiteral("saving"))) {
        return;
    }
    const ChangeResult result = storeUnit(
        editor, *inputs,
        [&](StoredCodes& codes) -> std::optional<UnitChange> {
            const auto highest = highestNow(editor, inputs->unit);
            if (!highest || unitChangedSinceRead(editor, inputs->unit)) {
                return std::nullopt;
            }
            // One record, one write: the shown fields all lie in the record's first 45 bytes, so a
            // last record that lacks its final bytes is not lengthened.
            const std::int64_t start = data::layout::fileOffset(inputs->unit, 0);
            data::Unit unit = data::Unit::decode(file->readBytes(start, data::kEditedPrefixSize));
            codes = applySaveInputs(*inputs, unit);
            const auto bytes = unit.encode();
            return UnitChange{QStringLiteral("Save of unit %1").arg(inputs->unit),
                              inputs->unit,
                              {{start, {bytes.begin(), bytes.end()}}},
                              std::nullopt,
                              inputs->name,
                              *highest,
                              std::nullopt,
                              std::nullopt};
        },
        {}, inputs->unit);
    tellOutcome(
        editor, result,
        QStringLiteral("Saved unit %1%2.").arg(inputs->unit).arg(quotedName(editor.form())));
}

}  // namespace varnel::commands
