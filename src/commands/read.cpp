#include <QString>
#include <array>

#include "commands.h"
#include "data/code_page.h"
#include "data/code_tables.h"
#include "data/error.h"
#include "data/name_list.h"
#include "data/record_layout.h"
#include "report.h"
#include "stale_unit.h"
#include "unit_number.h"

namespace varnel::commands {
namespace {

namespace layout = data::layout;

// The sixteen value fields in record order, with the control each one is shown in.
struct ValueField {
    layout::Field field;
    const char* control;
};

constexpr ValueField kStatisticsBeforeCost[] = {
    {layout::kSoft, "Soft1"},  {layout::kHard, "Hard1"},    {layout::kAirAtt, "AA1"},
    {layout::kNaval, "NA1"},   {layout::kGrDef, "GD1"},     {layout::kArDef, "AD1"},
    {layout::kClDef, "CD1"},   {layout::kInitiative, "I1"}, {layout::kRange, "R1"},
    {layout::kSpotting, "S1"}, {layout::kRangeM, "RM1"},    {layout::kMove, "M1"},
    {layout::kFuel, "F1"},     {layout::kAmmo, "A1"},
};
constexpr ValueField kDate[] = {{layout::kMonth, "DM1"}, {layout::kYear, "DY1"}};

constexpr const char* kCharacterControls[] = {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6"};

QString decimal(std::uint8_t byte) {
    return QString::number(byte);
}

// Fills the form from the record and notes, for each control filled, the value it now holds.
// Read leaves UNIT as it was for a class code without a name; that text is what it shows for
// the unit all the same.
void showRecord(FormAccess& form, ShownValues& shown, const std::vector<std::uint8_t>& record) {
    auto at = [&record](layout::Field field) { return record[field.offset]; };
    auto fill = [&form, &shown](const char* control, const QString& text) {
        form.setText(control, text);
        shown.filled(control);
    };
    const std::uint8_t unitClass = at(layout::kUnitClass);
    if (const auto name = data::classNameOf(unitClass)) {
        form.setText("UNIT", QString::fromStdString(*name));
    }
    shown.filled("UNIT");
    form.setText("Text8", decimal(unitClass));

    if (!form.ticked("Freeze")) {
        for (const ValueField& value : kStatisticsBeforeCost) {
            fill(value.control, decimal(at(value.field)));
        }
        fill("CASH2", QString::number(layout::kCostUnit * at(layout::kCost)));
        for (const ValueField& value : kDate) {
            fill(value.control, decimal(at(value.field)));
        }
    }

    const data::NationBytes nation = {at(layout::kNation1), at(layout::kNation2),
                                      at(layout::kNation3), at(layout::kNation4)};
    const auto nationName = data::nationalityNameOf(nation);
    fill("NATION", QString::fromStdString(nationName.value_or(data::kUnknownNationality)));

    const std::uint8_t sw1 = at(layout::kSw1);
    const std::uint8_t sw2 = at(layout::kSw2);
    form.setText("Text10", decimal(sw1));
    form.setText("Text11", decimal(sw2));
    form.setText("Text12", decimal(unitClass));
    const data::SwitchBoxes boxes = data::switchBoxesFor(sw1, sw2, unitClass);
    const std::pair<const char*, bool> ticks[] = {{"SHIP", boxes.ship},
                                                  {"AIR", boxes.air},
                                                  {"CARRIER", boxes.carrier},
                                                  {"FORT", boxes.fort},
                                                  {"SEA", boxes.sea}};
    for (const auto& [box, ticked] : ticks) {
        form.setTicked(box, ticked);
        shown.filled(box);
    }

    form.setText("Text7", QString::number(nation[0] + nation[1] + nation[2] + nation[3]));

    for (int i = 0; i < layout::kCharacterFieldCount; ++i) {
        const char32_t character = data::characterOfByte(record[layout::kFirstCharacterOffset + i]);
        // A byte 0 shows as an empty box: the form drops everything from a NUL on.
        fill(kCharacterControls[i], QString::fromUcs4(&character, 1));
    }
    form.setVisible("Text6", !form.text("Text6").isEmpty());
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
    form.setText("NAMEu", name);
}

// Shows the unit's name and keeps what was read of the files for a later Save to compare. The
// name is noted as shown only when it came from the unit's line: an empty name shown for a
// missing line is no stored name to keep.
void showNameOf(Editor& editor, std::int64_t unit, StoredUnit stored) {
    showNameLine(editor.form(), unit, stored);
    if (stored.nameLine) {
        editor.shown().filled("NAMEu");
    }
    editor.shown().setStored(std::move(stored));
}

}  // namespace

QString textFromCodePage(const std::string& bytes) {
    const std::u32string characters = data::decodeBytes(bytes);
    return QString::fromUcs4(characters.data(), static_cast<qsizetype>(characters.size()));
}

std::string nameListPath(FormAccess& form) {
    return data::resolvePath(pathFromText(form.text("TXT")));
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
    const QString unitText = form.text("NMBu");

    if (form.ticked("ALF")) {
        // Freeze All keeps every value shown; only the name follows the unit number.
        const auto unit = wholeUnitNumber(unitText);
        if (!unit) {
            report(Severity::Problem, checkUnitNumber(unitText, 0).problem);
            return;
        }
        editor.shown().startRead(*unit);
        showNameOf(editor, *unit, StoredUnit{});
        return;
    }

    const auto unit = unitInForm(form, "NMBu", file->highestUnitNumber());
    if (!unit) {
        return;
    }
    StoredUnit stored;
    stored.record = storedRecord(*file, *unit);
    std::vector<std::uint8_t> record = *stored.record;
    record.resize(layout::kRecordSize, 0);  // what a short last record lacks shows as 0
    editor.shown().startRead(*unit);
    showRecord(form, editor.shown(), record);
    showNameOf(editor, *unit, std::move(stored));
}

}  // namespace varnel::commands
