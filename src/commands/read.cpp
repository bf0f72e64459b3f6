#include <QString>

#include "commands.h"
#include "data/code_page.h"
#include "data/code_tables.h"
#include "data/error.h"
#include "data/name_list.h"
#include "data/unit_record.h"
#include "report.h"
#include "stale_unit.h"
#include "unit_number.h"

namespace varnel::commands {
namespace {

namespace c = controls;

QString decimal(int value) {
    return QString::number(value);
}

// Fills the form from the record and notes, for each control filled, the value it now holds.
// Read leaves UNIT as it was for a class code without a name; that text is what it shows for
// the unit all the same.
void showRecord(FormAccess& form, ShownValues& shown, const data::Unit& unit) {
    auto fill = [&form, &shown](c::TextField control, const QString& text) {
        form.setText(control, text);
        shown.filled(control);
    };
    const std::uint8_t unitClass = unit.unitClass();
    if (const auto name = data::classNameOf(unitClass)) {
        form.setText(c::kClassName, QString::fromStdString(*name));
    }
    shown.filled(c::kClassName);
    form.setText(c::kClassCode, decimal(unitClass));

    if (!form.ticked(c::kFreezeStats)) {
        for (const c::ValueControl& value : c::kValueControls) {
            fill(value.control, decimal(unit.shownValue(value.field)));
        }
    }

    const data::NationBytes nation = unit.nation();
    const auto nationName = data::nationalityNameOf(nation);
    fill(c::kNationality, QString::fromStdString(nationName.value_or(data::kUnknownNationality)));

    const data::SwitchPair switches = unit.switches();
    form.setText(c::kSw1, decimal(switches.sw1));
    form.setText(c::kSw2, decimal(switches.sw2));
    form.setText(c::kSwitchClass, decimal(unitClass));
    const data::SwitchBoxes boxes = data::switchBoxesFor(switches.sw1, switches.sw2, unitClass);
    const std::pair<c::CheckBox, bool> ticks[] = {{c::kShip, boxes.ship},
                                                  {c::kAir, boxes.air},
                                                  {c::kCarrier, boxes.carrier},
                                                  {c::kFort, boxes.fort},
                                                  {c::kSea, boxes.sea}};
    for (const auto& [box, ticked] : ticks) {
        form.setTicked(box, ticked);
        shown.filled(box);
    }

    form.setText(c::kNationSum, decimal(nation[0] + nation[1] + nation[2] + nation[3]));

    for (int i = 0; i < data::kCharacterFieldCount; ++i) {
        const char32_t character = data::characterOfByte(unit.character(i));
        // A byte 0 shows as an empty box: the form drops everything from a NUL on.
        fill(c::kCharacters[i], QString::fromUcs4(&character, 1));
    }
    const c::TextField last = c::kCharacters[data::kCharacterFieldCount - 1];
    form.setVisible(last, !form.text(last).isEmpty());
}

// Shows line unit + 1 of the name list in NAMEu, and notes in stored what was read of it.
void showNameLine(FormAccess& form, std::int64_t unit, StoredUnit& stored) {
    QString name;
    if (unit >= 0) {
        try {
            stored.listPath = nameListPath(form);
            stored.nameLine = data::readNameLine(stored.listPath, unit + 1);
            stored.nameRead = true;
            if (stored.nameLine) {
                name = textFromCodePage(*stored.nameLine);
            }
        } catch (const data::Error& error) {
            report(Severity::Problem, textFromPath(error.what()));
        }
    }
    // Never leave the previous unit's name standing: a Save would copy it onto this unit.
    form.setText(c::kUnitName, name);
}

// Shows the unit's name and keeps what was read of the files for a later Save to compare. The
// name is noted as shown only when it came from the unit's line: an empty name shown for a
// missing line is no stored name to keep.
void showNameOf(Editor& editor, std::int64_t unit, StoredUnit stored) {
    showNameLine(editor.form(), unit, stored);
    if (stored.nameLine) {
        editor.shown().filled(c::kUnitName);
    }
    editor.shown().setStored(std::move(stored));
}

}  // namespace

QString textFromCodePage(const std::string& bytes) {
    const std::u32string characters = data::decodeBytes(bytes);
    return QString::fromUcs4(characters.data(), static_cast<qsizetype>(characters.size()));
}

std::string nameListPath(FormAccess& form) {
    return data::resolvePath(pathFromText(form.text(c::kNameList)));
}

QString quotedName(FormAccess& form) {
    const QString name = form.text(c::kUnitName);
    return name.isEmpty() ? QString() : QStringLiteral(" \u201C%1\u201D").arg(name);
}

void showName(FormAccess& form, std::int64_t unit) {
    StoredUnit ignored;
    showNameLine(form, unit, ignored);
}

void readUnit(Editor& editor) {
    FormAccess& form = editor.form();
    data::EquipmentFile* file = openFileOrReport(editor);
    if (file == nullptr) {
        return;
    }
    const QString unitText = form.text(c::kUnitNumber);

    if (form.ticked(c::kFreezeAll)) {
        // Freeze All keeps every value shown; only the name follows the unit number.
        const auto unit = wholeUnitNumber(unitText);
        if (!unit) {
            report(Severity::Problem, checkUnitNumber(unitText, 0).problem);
            return;
        }
        editor.shown().startRead(*unit);
        showNameOf(editor, *unit, StoredUnit{});
        editor.setOutcome(QStringLiteral("Read the name of unit %1%2; Freeze All keeps the values.")
                              .arg(*unit)
                              .arg(quotedName(form)));
        return;
    }

    const auto unit = unitInForm(form, c::kUnitNumber, file->highestUnitNumber());
    if (!unit) {
        return;
    }
    StoredUnit stored;
    stored.record = storedRecord(*file, *unit);
    editor.shown().startRead(*unit);
    // What a short last record lacks shows as 0.
    showRecord(form, editor.shown(), data::Unit::decode(*stored.record));
    showNameOf(editor, *unit, std::move(stored));
    editor.setOutcome(QStringLiteral("Read unit %1%2.").arg(*unit).arg(quotedName(form)));
}

}  // namespace varnel::commands
