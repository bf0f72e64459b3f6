#include <QString>

#include "commands.h"
#include "data/error.h"
#include "data/record_layout.h"
#include "report.h"
#include "save_steps.h"
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

    std::vector<std::uint8_t> record =
        file->readBytes(layout::fileOffset(source->unit, 0), kReplacedBytes);
    const StoredCodes codes = applySaveInputs(*inputs, record);
    if (!writeUnit(editor, *target,
                   [&] { file->writeBytes(layout::fileOffset(*target, 0), record); })) {
        return;
    }

    form.setText("NMBu", targetText);  // as typed, blanks and all
    showStoredCodes(form, *inputs, codes);
    if (storeName(editor, *inputs, highest)) {
        readUnit(editor);
    }
}

}  // namespace varnel::commands
