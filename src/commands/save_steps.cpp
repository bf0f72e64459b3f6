#include <QString>
#include <QStringList>
#include <algorithm>

#include "commands.h"
#include "data/code_page.h"
#include "data/code_tables.h"
#include "data/error.h"
#include "data/name_list.h"
#include "data/numbers.h"
#include "data/system_files.h"
#include "history.h"
#include "report.h"
#include "save_steps.h"
#include "unit_number.h"

namespace varnel::commands {
namespace {

namespace c = controls;

// One refusal: the field by its caption, what it holds, what is accepted.
void refuse(FormAccess& form, controls::Control control, const QString& caption,
            const QString& accepted, const QString& holds) {
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

// Shows in the form what a Save has written: HLP1, Text8 and Text7; and tells the user when a
// class or nationality text named nothing, so that 0 was written.
void showStoredCodes(FormAccess& form, const SaveInputs& inputs, const StoredCodes& codes) {
    form.setText(c::kSavedUnit, QString::number(inputs.unit));
    form.setText(c::kClassCode, QString::number(codes.unitClass));
    form.setText(c::kNationSum, QString::number(codes.nationSum));

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

}  // namespace

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
        report(Severity::Problem,
               QStringLiteral("Could not look at the name list %1: %2, so %3 was refused. Nothing "
                              "was changed.")
                   .arg(textFromPath(list),
                        textFromPath(data::systemFiles().describe(atList.error)), command));
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

std::optional<CopySource> beginCopy(Editor& editor, const QString& command,
                                    std::optional<controls::TextField> target) {
    data::EquipmentFile* file = openFileOrReport(editor);
    if (file == nullptr) {
        return std::nullopt;
    }
    CopySource source{file, file->highestUnitNumber(), 0, std::nullopt};
    const auto unit = unitInForm(editor.form(), c::kUnitNumber, source.highest);
    if (!unit) {
        return std::nullopt;
    }
    source.unit = *unit;
    if (target) {
        source.target =
            unitInForm(editor.form(), *target, source.highest, QStringLiteral("to replace"));
        if (!source.target) {
            return std::nullopt;
        }
    }
    if (!fileIsWritable(editor, command)) {
        return std::nullopt;
    }
    return source;
}

std::optional<SaveInputs> takeSaveInputs(Editor& editor, const QString& unitText,
                                         std::int64_t highest) {
    FormAccess& form = editor.form();
    SaveInputs inputs;

    const std::int64_t highestAllowed = std::min(highest, data::layout::kHighestStorableUnit);
    const auto unit = wholeUnitNumber(unitText);
    if (highestAllowed < 0) {
        report(Severity::Problem,
               QStringLiteral("This file holds no units, so there is no unit to save. Nothing "
                              "was changed."));
        return std::nullopt;
    }
    if (!unit || *unit < 0 || *unit > highestAllowed) {
        refuse(form, c::kUnitNumber, QStringLiteral("Unit Number"),
               QStringLiteral("a whole number from 0 to %1").arg(highestAllowed), unitText);
        return std::nullopt;
    }
    inputs.unit = *unit;

    for (const c::ValueControl& input : c::kValueControls) {
        const QString text = form.text(input.control);
        const std::string plain = text.toStdString();
        const bool isCost = input.field.kind == data::FieldKind::Cost;
        const auto value = isCost ? data::costFromText(plain) : data::byteFromText(plain);
        if (!value) {
            const int highestText = isCost ? data::kHighestCostText : 255;
            refuse(form, input.control, QString::fromLatin1(input.field.label),
                   QStringLiteral("a number from 0 to %1").arg(highestText), text);
            return std::nullopt;
        }
        inputs.values.push_back(*value);
    }

    for (int i = 0; i < data::kCharacterFieldCount; ++i) {
        const QString text = form.text(c::kCharacters[i]);
        const auto bytes = inCodePage(text);
        if (!bytes) {
            refuse(form, c::kCharacters[i], QStringLiteral("Character %1").arg(i + 1),
                   codePageWords(), text);
            return std::nullopt;
        }
        inputs.characters.push_back(*bytes);
    }

    // The record laid over is that of the unit in NMBu: the unit saved, or the one copied.
    const ShownValues& shown = editor.shown();
    const auto shownUnit = wholeUnitNumber(form.text(c::kUnitNumber));
    auto asRead = [&](controls::Control control) {
        return shownUnit && shown.asRead(control, *shownUnit);
    };

    // A name left as Read showed it keeps its stored line, even where the field could not show
    // all of it (a text field ends at a NUL).
    const auto storedName = asRead(c::kUnitName) ? storedNameLine(form, *shownUnit) : std::nullopt;
    if (storedName) {
        inputs.name = *storedName;
    } else {
        const QString name = form.text(c::kUnitName);
        const auto nameBytes = inCodePage(name);
        // A line break in a name would move every later name down a line.
        if (!nameBytes || name.contains(QLatin1Char('\r')) || name.contains(QLatin1Char('\n'))) {
            refuse(form, c::kUnitName, QStringLiteral("Unit Name"),
                   QStringLiteral("one line of ") + codePageWords(), name);
            return std::nullopt;
        }
        inputs.name = *nameBytes;
    }

    inputs.className = form.text(c::kClassName);
    inputs.nationName = form.text(c::kNationality);
    inputs.boxes = {form.ticked(c::kShip), form.ticked(c::kCarrier), form.ticked(c::kFort),
                    form.ticked(c::kAir), form.ticked(c::kSea)};
    inputs.classAsRead = asRead(c::kClassName);
    inputs.nationAsRead = asRead(c::kNationality);
    inputs.switchesAsRead = inputs.classAsRead && asRead(c::kShip) && asRead(c::kCarrier) &&
                            asRead(c::kFort) && asRead(c::kAir) && asRead(c::kSea);
    return inputs;
}

StoredCodes applySaveInputs(const SaveInputs& inputs, data::Unit& unit) {
    StoredCodes codes;
    unit.setNumber(static_cast<std::int16_t>(inputs.unit));

    const std::string className = inputs.className.toStdString();
    if (!inputs.switchesAsRead || formShowsSwitches(unit.switches())) {
        unit.setSwitches(data::switchBytesFor(inputs.boxes, className));
    }

    for (std::size_t i = 0; i < std::size(c::kValueControls); ++i) {
        unit.setByte(c::kValueControls[i].field, inputs.values[i]);
    }

    // For a code without a name Read leaves UNIT showing the previous unit's class, and NATION
    // shows "Unknown": untouched, neither says anything about this unit.
    if (!inputs.classAsRead || data::classNameOf(unit.unitClass())) {
        unit.setUnitClass(data::classCodeOf(className));
        codes.classUnnamed = unit.unitClass() == 0;
    }
    if (!inputs.nationAsRead || data::nationalityNameOf(unit.nation())) {
        unit.setNation(data::nationalityBytesOf(inputs.nationName.toStdString()));
        codes.nationUnnamed = unit.nation() == data::NationBytes{};
    }

    // A longer text spills onto the following character fields, but never past the sixth.
    for (int i = 0; i < data::kCharacterFieldCount; ++i) {
        int at = i;
        for (const char byte : inputs.characters[i]) {
            if (at >= data::kCharacterFieldCount)
                break;
            unit.setCharacter(at++, static_cast<std::uint8_t>(byte));
        }
    }

    codes.unitClass = unit.unitClass();
    const data::NationBytes nation = unit.nation();
    codes.nationSum = nation[0] + nation[1] + nation[2] + nation[3];
    return codes;
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

ChangeResult storeUnit(Editor& editor, const SaveInputs& inputs,
                       const std::function<std::optional<UnitChange>(StoredCodes&)>& build,
                       const std::function<void()>& shown, std::int64_t unitAfterUndo) {
    StoredCodes codes;
    MadeChange made;
    const ChangeResult result = makeChange(
        editor, [&]() -> std::optional<UnitChange> { return build(codes); }, &made);
    if (result == ChangeResult::Refused) {
        return result;
    }
    remember(editor, std::move(made), unitAfterUndo);
    if (shown) {
        shown();
    }
    showStoredCodes(editor.form(), inputs, codes);
    if (result == ChangeResult::Done) {
        readUnit(editor);
    }
    return result;
}

void tellOutcome(Editor& editor, ChangeResult result, const QString& done) {
    switch (result) {
        case ChangeResult::Refused:
            return;
        case ChangeResult::ValuesOnly:
            editor.setOutcome(done + QStringLiteral(" Its name was not stored."));
            return;
        case ChangeResult::Done:
            editor.setOutcome(done);
            return;
    }
}

}  // namespace varnel::commands
