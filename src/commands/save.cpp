#include <QString>
#include <QStringList>
#include <algorithm>

#include "commands.h"
#include "data/code_page.h"
#include "data/code_tables.h"
#include "data/error.h"
#include "data/name_list.h"
#include "data/numbers.h"
#include "data/record_layout.h"
#include "data/system_files.h"
#include "report.h"
#include "save_steps.h"
#include "stale_unit.h"
#include "unit_change.h"
#include "unit_number.h"

namespace varnel::commands {
namespace {

namespace layout = data::layout;

// The value fields in the order Save converts them, which is record order.
struct ValueInput {
    const char* control;
    const char* caption;
    layout::Field field;
    bool isCost;
};

constexpr ValueInput kValueInputs[] = {
    {"Soft1", "Soft", layout::kSoft, false},    {"Hard1", "Hard", layout::kHard, false},
    {"AA1", "Air Att", layout::kAirAtt, false}, {"NA1", "Naval", layout::kNaval, false},
    {"GD1", "Gr.Def", layout::kGrDef, false},   {"AD1", "Ar.Def", layout::kArDef, false},
    {"CD1", "Cl.Def", layout::kClDef, false},   {"I1", "Initiative", layout::kInitiative, false},
    {"R1", "Range", layout::kRange, false},     {"S1", "Spotting", layout::kSpotting, false},
    {"RM1", "RangeM", layout::kRangeM, false},  {"M1", "Move", layout::kMove, false},
    {"F1", "Fuel", layout::kFuel, false},       {"A1", "Ammo", layout::kAmmo, false},
    {"CASH2", "Cost", layout::kCost, true},     {"DM1", "Month", layout::kMonth, false},
    {"DY1", "Year", layout::kYear, false},
};

constexpr const char* kCharacterControls[] = {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6"};

// One refusal: the field by its caption, what it holds, what is accepted.
void refuse(FormAccess& form, const char* control, const QString& caption, const QString& accepted,
            const QString& holds) {
    report(Severity::Problem, QStringLiteral("%1 must be %2; it holds \"%3\". Nothing was changed.")
                                  .arg(caption, accepted, holds));
    form.focus(control);
}

std::optional<std::string> inCodePage(const QString& text) {
    const std::u32string characters = text.toStdU32String();
    return data::encodeText(characters);
}

const QString& codePageWords() {
    static const QString words =
        QStringLiteral("characters of the %1 code page").arg(QLatin1String(data::kCodePageName));
    return words;
}

// The line the name list holds for unit, byte for byte; nullopt when it has none or cannot be
// read (storing the name then reports why).
std::optional<std::string> storedNameLine(FormAccess& form, std::int64_t unit) {
    try {
        return data::readNameLine(nameListPath(form), unit + 1);
    } catch (const data::Error&) {
        return std::nullopt;
    }
}

// The switch pairs the form stands for: those Read shows as ticked boxes (the class only decides
// which of two boxes a pair ticks), those Save writes as a class default, and the pair of no box
// and no default. Any other pair only the file knows.
bool formShowsSwitches(data::SwitchPair pair) {
    if (data::switchBoxesFor(pair.sw1, pair.sw2, 0) != data::SwitchBoxes{} ||
        pair == data::switchBytesFor({}, "")) {
        return true;
    }
    const auto classes = data::classTable();
    return std::any_of(classes.begin(), classes.end(), [pair](const data::ClassEntry& entry) {
        return entry.defaultSwitches == pair;
    });
}

// The notice for a typed class or nationality that names nothing, with every name accepted.
// sentence holds the typed text (%1), how many names there are (%2) and the names (%3).
template <typename Table>
QString unnamedNotice(const QString& sentence, const QString& typed, const Table& table) {
    QStringList names;
    for (const auto& entry : table) {
        names << QString::fromLatin1(entry.name);
    }
    return sentence.arg(typed, QString::number(names.size()), names.join(QStringLiteral(", ")));
}

}  // namespace

std::optional<CopySource> copySource(Editor& editor) {
    data::EquipmentFile* file = openFileOrReport(editor);
    if (file == nullptr) {
        return std::nullopt;
    }
    const std::int64_t highest = file->highestUnitNumber();
    const auto unit = unitInForm(editor.form(), "NMBu", highest);
    if (!unit) {
        return std::nullopt;
    }
    return CopySource{file, highest, *unit};
}

bool fileIsWritable(Editor& editor, const QString& command) {
    data::EquipmentFile* file = editor.file();
    if (file->readOnly()) {
        report(Severity::Problem,
               QStringLiteral("%1 can only be read, so %2 was refused. Nothing was changed.")
                   .arg(textFromPath(file->path()), command));
        return false;
    }
    // A name list that is the equipment file under another name, or through a link, would be
    // rewritten as a list over every unit.
    const std::string list = nameListPath(editor.form());
    const auto atList = data::systemFiles().statusOfPath(list);
    if (!atList.ok()) {
        report(
            Severity::Problem,
            QStringLiteral("Could not look at the name list %1: %2, so %3 was refused. Nothing "
                           "was changed.")
                .arg(textFromPath(list),
                     QString::fromStdString(data::systemFiles().describe(atList.error)), command));
        return false;
    }
    if (atList.value.exists && atList.value.identity == file->identity()) {
        report(Severity::Problem,
               nameListIsEquipmentFile(list, file->path()) +
                   QStringLiteral(" so %1 was refused. Nothing was changed.").arg(command));
        return false;
    }
    return true;
}

std::optional<SaveInputs> takeSaveInputs(Editor& editor, const QString& unitText,
                                         std::int64_t highest) {
    FormAccess& form = editor.form();
    SaveInputs inputs;

    const std::int64_t highestAllowed = std::min(highest, kHighestStorableUnit);
    const auto unit = wholeUnitNumber(unitText);
    if (highestAllowed < 0) {
        report(Severity::Problem,
               QStringLiteral("This file holds no units, so there is no unit to save. Nothing "
                              "was changed."));
        return std::nullopt;
    }
    if (!unit || *unit < 0 || *unit > highestAllowed) {
        refuse(form, "NMBu", QStringLiteral("Unit Number"),
               QStringLiteral("a whole number from 0 to %1").arg(highestAllowed), unitText);
        return std::nullopt;
    }
    inputs.unit = *unit;

    for (const ValueInput& input : kValueInputs) {
        const QString text = form.text(input.control);
        const std::string plain = text.toStdString();
        const auto value = input.isCost ? data::costFromText(plain) : data::byteFromText(plain);
        if (!value) {
            const int highestText = input.isCost ? data::kHighestCostText : 255;
            refuse(form, input.control, QString::fromLatin1(input.caption),
                   QStringLiteral("a number from 0 to %1").arg(highestText), text);
            return std::nullopt;
        }
        inputs.values.push_back(*value);
    }

    for (int i = 0; i < layout::kCharacterFieldCount; ++i) {
        const QString text = form.text(kCharacterControls[i]);
        const auto bytes = inCodePage(text);
        if (!bytes) {
            refuse(form, kCharacterControls[i], QStringLiteral("Character %1").arg(i + 1),
                   codePageWords(), text);
            return std::nullopt;
        }
        inputs.characters.push_back(*bytes);
    }

    // The record laid over is that of the unit in NMBu: the unit saved, or the one copied.
    const ShownValues& shown = editor.shown();
    const auto shownUnit = wholeUnitNumber(form.text("NMBu"));
    auto asRead = [&](const char* control) {
        return shownUnit && shown.asRead(control, *shownUnit);
    };

    // A name left as Read showed it keeps its stored line, even where the field could not show
    // all of it (a text field ends at a NUL).
    const auto storedName = asRead("NAMEu") ? storedNameLine(form, *shownUnit) : std::nullopt;
    if (storedName) {
        inputs.name = *storedName;
    } else {
        const QString name = form.text("NAMEu");
        const auto nameBytes = inCodePage(name);
        // A line break in a name would move every later name down a line.
        if (!nameBytes || name.contains(QLatin1Char('\r')) || name.contains(QLatin1Char('\n'))) {
            refuse(form, "NAMEu", QStringLiteral("Unit Name"),
                   QStringLiteral("one line of ") + codePageWords(), name);
            return std::nullopt;
        }
        inputs.name = *nameBytes;
    }

    if (!fileIsWritable(editor, QStringLiteral("saving"))) {
        return std::nullopt;
    }

    inputs.className = form.text("UNIT");
    inputs.nationName = form.text("NATION");
    inputs.ship = form.ticked("SHIP");
    inputs.carrier = form.ticked("CARRIER");
    inputs.fort = form.ticked("FORT");
    inputs.air = form.ticked("AIR");
    inputs.sea = form.ticked("SEA");
    inputs.classAsRead = asRead("UNIT");
    inputs.nationAsRead = asRead("NATION");
    inputs.switchesAsRead = inputs.classAsRead && asRead("SHIP") && asRead("CARRIER") &&
                            asRead("FORT") && asRead("AIR") && asRead("SEA");
    return inputs;
}

StoredCodes applySaveInputs(const SaveInputs& inputs, std::vector<std::uint8_t>& record) {
    StoredCodes codes;
    const auto number = static_cast<std::uint16_t>(inputs.unit);
    record[layout::kUnitNumber.offset] = static_cast<std::uint8_t>(number & 0xFF);
    record[layout::kUnitNumber.offset + 1] = static_cast<std::uint8_t>(number >> 8);

    const std::string className = inputs.className.toStdString();
    const data::SwitchPair stored = {record[layout::kSw1.offset], record[layout::kSw2.offset]};
    if (!inputs.switchesAsRead || formShowsSwitches(stored)) {
        const data::SwitchPair switches = data::switchBytesFor(
            {inputs.ship, inputs.carrier, inputs.fort, inputs.air, inputs.sea}, className);
        record[layout::kSw1.offset] = switches.sw1;
        record[layout::kSw2.offset] = switches.sw2;
    }

    for (std::size_t i = 0; i < std::size(kValueInputs); ++i) {
        record[kValueInputs[i].field.offset] = inputs.values[i];
    }

    // For a code without a name Read leaves UNIT showing the previous unit's class, and NATION
    // shows "Unknown": untouched, neither says anything about this unit.
    if (!inputs.classAsRead || data::classNameOf(record[layout::kUnitClass.offset])) {
        record[layout::kUnitClass.offset] = data::classCodeOf(className);
        codes.classUnnamed = record[layout::kUnitClass.offset] == 0;
    }

    const int nationOffsets[] = {layout::kNation1.offset, layout::kNation2.offset,
                                 layout::kNation3.offset, layout::kNation4.offset};
    data::NationBytes nation{};
    for (int i = 0; i < 4; ++i)
        nation[i] = record[nationOffsets[i]];
    if (!inputs.nationAsRead || data::nationalityNameOf(nation)) {
        nation = data::nationalityBytesOf(inputs.nationName.toStdString());
        codes.nationUnnamed = nation == data::NationBytes{};
    }
    for (int i = 0; i < 4; ++i)
        record[nationOffsets[i]] = nation[i];

    // A longer text spills onto the following character fields, but never past the sixth.
    const int end = layout::kFirstCharacterOffset + layout::kCharacterFieldCount;
    for (int i = 0; i < layout::kCharacterFieldCount; ++i) {
        int offset = layout::kFirstCharacterOffset + i;
        for (const char byte : inputs.characters[i]) {
            if (offset >= end)
                break;
            record[offset++] = static_cast<std::uint8_t>(byte);
        }
    }

    codes.unitClass = record[layout::kUnitClass.offset];
    codes.nationSum = nation[0] + nation[1] + nation[2] + nation[3];
    return codes;
}

void showStoredCodes(FormAccess& form, const SaveInputs& inputs, const StoredCodes& codes) {
    form.setText("HLP1", QString::number(inputs.unit));
    form.setText("Text8", QString::number(codes.unitClass));
    form.setText("Text7", QString::number(codes.nationSum));

    // Not an error: a code 0 is what such a text stands for. But a slip of the keyboard should
    // not pass unseen.
    QStringList unnamed;
    if (codes.classUnnamed) {
        unnamed << unnamedNotice(QStringLiteral("“%1” is not one of the %2 class names, so the "
                                                "unit was saved with class code 0. The class "
                                                "names are: %3."),
                                 inputs.className, data::classTable());
    }
    if (codes.nationUnnamed) {
        unnamed << unnamedNotice(QStringLiteral("“%1” is not one of the %2 nationalities, so "
                                                "the unit was saved with nationality bytes 0, "
                                                "0, 0, 0. The nationalities are: %3."),
                                 inputs.nationName, data::nationalityTable());
    }
    if (!unnamed.isEmpty()) {
        report(Severity::Notice, unnamed.join(QLatin1Char(' ')));
    }
}

std::optional<std::int64_t> highestNow(Editor& editor, std::int64_t unit) {
    const std::int64_t highest = editor.file()->highestUnitNumber();
    if (unit > highest) {
        report(Severity::Problem,
               QStringLiteral("Another program made the file shorter: unit %1 is no longer in "
                              "it. Nothing was changed.")
                   .arg(unit));
        return std::nullopt;
    }
    return highest;
}

void saveUnit(Editor& editor) {
    data::EquipmentFile* file = openFileOrReport(editor);
    if (file == nullptr) {
        return;
    }
    const auto inputs =
        takeSaveInputs(editor, editor.form().text("NMBu"), file->highestUnitNumber());
    if (!inputs) {
        return;
    }
    StoredCodes codes;
    const ChangeResult result = makeChange(editor, [&]() -> std::optional<UnitChange> {
        const auto highest = highestNow(editor, inputs->unit);
        if (!highest || unitChangedSinceRead(editor, inputs->unit)) {
            return std::nullopt;
        }
        // One record, one write: the shown fields all lie in the record's first 45 bytes, so a
        // last record that lacks its final bytes is not lengthened.
        const std::int64_t start = layout::fileOffset(inputs->unit, 0);
        std::vector<std::uint8_t> record = file->readBytes(start, layout::kEditedPrefixSize);
        codes = applySaveInputs(*inputs, record);
        return UnitChange{QStringLiteral("Save of unit %1").arg(inputs->unit),
                          inputs->unit,
                          {{start, std::move(record)}},
                          std::nullopt,
                          inputs->name,
                          *highest};
    });
    if (result == ChangeResult::Refused) {
        return;
    }
    showStoredCodes(editor.form(), *inputs, codes);
    if (result == ChangeResult::Done) {
        readUnit(editor);
    }
}

}  // namespace varnel::commands
