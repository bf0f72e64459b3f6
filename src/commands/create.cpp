#include <QString>
#include <algorithm>

#include "commands.h"
#include "data/record_layout.h"
#include "report.h"
#include "save_steps.h"

namespace varnel::commands {

namespace layout = data::layout;

void createUnit(Editor& editor) {
    const auto source = beginCopy(editor, QStringLiteral("Create Unit"));
    if (!source) {
        return;
    }
    data::EquipmentFile* file = source->file;
    // The new unit goes after the last record of the file as it is now.
    const std::int64_t highest = source->highest;
    const std::int64_t created = highest + 1;
    if (created > layout::kHighestStorableUnit) {
        report(Severity::Problem,
               QStringLiteral("This file already holds %1 units, the most a unit number can "
                              "count; no unit can be added. Nothing was changed.")
                   .arg(created));
        return;
    }
    const std::int16_t unitCount = file->readWord(layout::kUnitCountOffset);
    if (unitCount == layout::kHighestStorableUnit) {
        report(Severity::Problem,
               QStringLiteral("The unit counter of this file is already %1; no unit can be "
                              "added. Nothing was changed.")
                   .arg(layout::kHighestStorableUnit));
        return;
    }
    const auto inputs = takeSaveInputs(editor, QString::number(created), created);
    if (!inputs) {
        return;
    }

    const auto build = [&](StoredCodes& codes) -> std::optional<UnitChange> {
        if (file->highestUnitNumber() != highest ||
            file->readWord(layout::kUnitCountOffset) != unitCount) {
            report(Severity::Problem,
                   QStringLiteral("Another program added or removed units while Create Unit "
                                  "got ready. Nothing was changed; Read shows the file as it is "
                                  "now."));
            return std::nullopt;
        }
        data::Unit unit = data::Unit::decode(
            file->readBytes(layout::fileOffset(source->unit, 0), layout::kRecordSize));
        codes = applySaveInputs(*inputs, unit);
        // One append: a last record short by a byte or two is completed with the 0 bytes Read
        // showed, and the new record follows (over stray bytes too short to be a unit).
        const std::int64_t start = layout::fileOffset(created, 0);
        const std::int64_t from = std::min(file->length(), start);
        std::vector<std::uint8_t> appended(static_cast<std::size_t>(start - from), 0);
        appended.insert(appended.end(), unit.encode().begin(), unit.encode().end());
        // The counter follows once the record is on disk, so it never counts a missing record.
        const auto counter = data::bytesOfWord(static_cast<std::int16_t>(unitCount + 1));
        return UnitChange{
            QStringLiteral("Create Unit of unit %1").arg(created),
            created,
            {{from, std::move(appended)}},
            UnitChange::Write{layout::kUnitCountOffset, {counter.begin(), counter.end()}},
            inputs->name,
            created,
            std::nullopt,
            std::nullopt};
    };
    const ChangeResult result = storeUnit(
        editor, *inputs, build,
        [&] {
            editor.form().setText(controls::kUnitNumber, QString::number(created));
            editor.form().setCaption(controls::kHighestUnit, QString::number(created));
        },
        source->unit);
    tellOutcome(editor, result,
                QStringLiteral("Created unit %1 from unit %2.").arg(created).arg(source->unit));
}

}  // namespace varnel::commands
