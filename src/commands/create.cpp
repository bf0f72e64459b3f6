#include <QString>
#include <algorithm>

#include "commands.h"
#include "data/error.h"
#include "data/record_layout.h"
#include "report.h"
#include "save_steps.h"
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

    std::vector<std::uint8_t> record =
        file->readBytes(layout::fileOffset(source->unit, 0), layout::kRecordSize);
    const StoredCodes codes = applySaveInputs(*inputs, record);
    const std::int64_t start = layout::fileOffset(created, 0);
    const bool written = writeUnit(editor, created, [&] {
        // One append: a last record short by a byte or two is completed with the 0 bytes Read
        // showed, and the new record follows. A failed append takes itself back.
        const std::int64_t length = file->length();
        const std::int64_t from = std::min(length, start);
        std::vector<std::uint8_t> appended(static_cast<std::size_t>(start - from), 0);
        appended.insert(appended.end(), record.begin(), record.end());
        // Stray bytes after the last record, which the new record covers, are kept to be put
        // back if the command fails.
        const std::vector<std::uint8_t> stray =
            file->readBytes(from, static_cast<std::size_t>(length - from));
        file->writeBytes(from, appended);
        try {
            file->writeWord(layout::kUnitCountOffset, static_cast<std::int16_t>(unitCount + 1));
        } catch (const data::Error& error) {
            // Without its count the new record would be a unit the file does not admit to.
            try {
                file->cutBackTo(length);
                file->writeBytes(from, stray);
            } catch (const data::Error& cutError) {
                throw data::Error(std::string(error.what()) + " " + cutError.what());
            }
            throw data::Error(std::string(error.what()) +
                              " The new record was taken back; "
                              "nothing was changed.");
        }
    });
    if (!written) {
        return;
    }

    form.setText("NMBu", QString::number(created));
    form.setCaption("MaxT1", QString::number(created));
    showStoredCodes(form, *inputs, codes);
    if (storeName(editor, *inputs, created)) {
        readUnit(editor);
    }
}

}  // namespace varnel::commands
