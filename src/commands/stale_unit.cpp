#include "stale_unit.h"

#include <algorithm>

#include "commands.h"
#include "data/error.h"
#include "data/name_list.h"
#include "data/record_layout.h"
#include "report.h"

namespace varnel::commands {
namespace {

namespace layout = data::layout;

// The unit as it stands now, in the shape of what was read: the record only where Read read it,
// the name only where Read read the same list.
StoredUnit storedNow(Editor& editor, const StoredUnit& read, std::int64_t unit) {
    StoredUnit now;
    if (read.record) {
        now.record = storedRecord(*editor.file(), unit);
    }
    const std::string list = nameListPath(editor.form());
    if (read.nameRead && read.listPath == list) {
        now.listPath = list;
        now.nameRead = true;
        now.nameLine = data::readNameLine(list, unit + 1);
    } else {
        // A list that could not be read then, or another list now, tells nothing about the unit.
        now.listPath = read.listPath;
        now.nameRead = read.nameRead;
        now.nameLine = read.nameLine;
    }
    return now;
}

}  // namespace

std::vector<std::uint8_t> storedRecord(const data::EquipmentFile& file, std::int64_t unit) {
    const std::int64_t start = layout::fileOffset(unit, 0);
    const std::int64_t present =
        std::clamp<std::int64_t>(file.length() - start, 0, layout::kRecordSize);
    return file.readBytes(start, static_cast<std::size_t>(present));
}

bool unitChangedSinceRead(Editor& editor, std::int64_t unit, const QString& retry) {
    ShownValues& shown = editor.shown();
    if (shown.unit() != unit || editor.file() == nullptr) {
        return false;
    }
    StoredUnit now;
    try {
        now = storedNow(editor, shown.stored(), unit);
    } catch (const data::Error& error) {
        report(Severity::Problem,
               textFromPath(error.what()) + QStringLiteral(" Nothing was changed."));
        return true;
    }
    if (now == shown.stored()) {
        return false;
    }
    shown.setStored(std::move(now));
    report(Severity::Problem,
           QStringLiteral("Unit %1 was changed by another program after it was read: Read shows "
                          "the stored unit; %2. Nothing was changed.")
               .arg(unit)
               .arg(retry));
    return true;
}

void noteUnitWritten(Editor& editor, std::int64_t unit) {
    ShownValues& shown = editor.shown();
    if (shown.unit() != unit || editor.file() == nullptr) {
        return;
    }
    try {
        shown.setStored(storedNow(editor, shown.stored(), unit));
    } catch (const data::Error&) {
        // What cannot be read now stays as Read read it; the next Save compares again.
    }
}

}  // namespace varnel::commands
