#include <QString>
#include <algorithm>

#include "commands.h"
#include "data/error.h"
#include "data/record_layout.h"
#include "report.h"
#include "save_steps.h"
#include "unit_change.h"
#include "unit_number.h"

namespace varnel::commands {

namespace layout = data::layout;

void createUnit(Editor& editor) {
    FormAccess& form = editor.form();
    const auto source = copySource(editor);
    if (!source) {
        return;
    }
    data::EquipmentFile* file = source->file;
    // The new unit goes after the last record of the file as it is now.
    const std::int64_t highest = source->highest;
    if (!fileIsWritable(editor, QStringLiteral("Create Unit"))) {
        return;
    }
    const std::int64_t created = highest + 1;
    if (created > kHighestStorableUnit) {
        report(Severity::Problem,
               QStringLiteral("This file already holds %1 units, the most a unit number can "
                              "count; no unit can be added. Nothing was changed.")
                   .arg(created));
        return;
    }
    const std::int16_t unitCount = file->readWord(layout::kUnitCountOffset);
    if (unitCount == INT16_MAX) {
        report(Severity::Problem,
               QStringLiteral("The unit counter of this file is already 32767; no unit can be "
                              "added. Nothing was changed."));
        return;
    }
    const auto inputs = takeSaveInputs(editor, QString::number(created), created);
    if (!inputs) {
        return;
    }

    StoredCodes codes;
    const ChangeResult result = makeChange(editor, [&]() -> std::optional<UnitChange> {
        if (file->highestUnitNumber() != highest ||
            file->readWord(layout::kUnitCountOffset) != unitCount) {
            report(Severity::Problem,
                   QStringLiteral("Another program added or removed units while Create Unit "
                                  "got ready. Nothing was changed; Read shows the file as it is "
                                  "now."));
            return std::nullopt;
        }
        std::vector<std::uint8_t> record =
            file->readBytes(layout::fileOffset(source->unit, 0), layout::kRecordSize);
        codes = applySaveInputs(*inputs, record);
        // One append: a last record short by a byte or two is completed with the 0 bytes Read
        // showed, and the new record follows (over stray bytes too short to be a unit).
        const std::int64_t start = layout::fileOffset(created, 0);
        const std::int64_t from = std::min(file->length(), start);
        std::vector<std::uint8_t> appended(static_cast<std::size_t>(start - from), 0);
        appended.insert(appended.end(), record.begin(), record.end());
        // The counter follows once the record is on disk, so it never counts a missing record.
        const auto counter = static_cast<std::uint16_t>(unitCount + 1);
        return UnitChange{QStringLiteral("Create Unit of unit %1").arg(created),
                          created,
                          {{from, std::move(appended)}},
                          UnitChange::Write{layout::kUnitCountOffset,
                                            {static_cast<std::uint8_t>(counter & 0xFF),
                                             static_cast<std::uint8_t>(counter >> 8)}},
                          inputs->name,
                          created};
    });
    if (result == ChangeResult::Refused) {
        return;
    }
    form.setText("NMBu", QString::number(created));
    form.setCaption("MaxT1", QString::number(created));
    showStoredCodes(form, *inputs, codes);
    if (result == ChangeResult::Done) {
        readUnit(editor);
    }
}

}  // namespace varnel::commands
