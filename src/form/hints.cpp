#include "hints.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QMenu>
#include <QStringList>
#include <QWidget>
#include <string_view>
#include <utility>
#include <vector>

#include "commands/control_names.h"
#include "data/record_layout.h"
#include "data/unit_record.h"
#include "shortcuts.h"

namespace varnel::form {
namespace {

namespace c = controls;
namespace field = data::field;
namespace layout = data::layout;

struct Hints {
    Q_DECLARE_TR_FUNCTIONS(Hints)
};

// Replace leaves the unit it overwrites its last two bytes.
constexpr int kBytesReplaceKeeps = 2;

// Where a field lives, counted from the record's first byte: "byte 3 of the record".
QString bytesAt(int offset, int width) {
    if (width == 1) {
        return Hints::tr("byte %1 of the record").arg(offset);
    }
    if (width == 2) {
        return Hints::tr("bytes %1 and %2 of the record").arg(offset).arg(offset + 1);
    }
    return Hints::tr("bytes %1 to %2 of the record").arg(offset).arg(offset + width - 1);
}
QString bytesOf(const data::RecordField& row) {
    return bytesAt(row.offset, row.width);
}
QString twoBytes(const data::RecordField& first, const data::RecordField& second) {
    return Hints::tr("bytes %1 and %2 of the record").arg(first.offset).arg(second.offset);
}

QString keyName(QKeySequence key) {
    return key.toString(QKeySequence::NativeText);
}
QString keyName(const char* portable) {
    return keyName(QKeySequence(QString::fromLatin1(portable)));
}

// A tooltip ending in the keys that do the same: "Closes ...  (Enter, Space or Esc)".
QString withKeys(const QString& text, QStringList keys) {
    if (keys.isEmpty()) {
        return text;
    }
    const QString last = keys.takeLast();
    const QString all = keys.isEmpty() ? last : Hints::tr("%1 or %2").arg(keys.join(", "), last);
    return text + QStringLiteral("  (") + all + QLatin1Char(')');
}
QString withKey(const QString& text, c::Button button) {
    const QString key = keyText(button);
    return withKeys(text, key.isEmpty() ? QStringList() : QStringList{key});
}

// What each value field means to the unit; a field not listed is called by its label.
struct FieldWords {
    const char* field;
    const char* words;
};
constexpr FieldWords kFieldWords[] = {
    {"soft", QT_TRANSLATE_NOOP("Hints",
                               "Attack against soft targets: infantry and other "
                               "unarmoured units.")},
    {"hard", QT_TRANSLATE_NOOP("Hints", "Attack against hard targets: tanks and other armour.")},
    {"airAtt", QT_TRANSLATE_NOOP("Hints", "Attack against aircraft.")},
    {"naval", QT_TRANSLATE_NOOP("Hints", "Attack against ships.")},
    {"grDef", QT_TRANSLATE_NOOP("Hints", "Defence against attacks by ground units.")},
    {"arDef", QT_TRANSLATE_NOOP("Hints", "Defence against attacks by aircraft.")},
    {"clDef", QT_TRANSLATE_NOOP("Hints", "Defence in close combat.")},
    {"initiative", QT_TRANSLATE_NOOP("Hints",
                                     "Initiative: the higher, the likelier the unit "
                                     "strikes first.")},
    {"range", QT_TRANSLATE_NOOP("Hints", "How far the unit can fire.")},
    {"spotting", QT_TRANSLATE_NOOP("Hints", "How far the unit can see.")},
    {"rangeM", QT_TRANSLATE_NOOP("Hints", "RangeM, the unit's second range value.")},
    {"move", QT_TRANSLATE_NOOP("Hints", "How far the unit can move in one turn.")},
    {"fuel", QT_TRANSLATE_NOOP("Hints", "How much fuel the unit carries.")},
    {"ammo", QT_TRANSLATE_NOOP("Hints", "How much ammunition the unit carries.")},
    {"month", QT_TRANSLATE_NOOP("Hints", "The month from which the unit is available.")},
    {"year", QT_TRANSLATE_NOOP("Hints", "The year from which the unit is available.")},
};

QString valueHint(const data::RecordField& row) {
    if (row.kind == data::FieldKind::Cost) {
        return Hints::tr(
                   "The unit's cost. The file keeps the cost divided by %1 in %2, so it "
                   "goes in steps of %1.")
            .arg(layout::kCostUnit)
            .arg(bytesOf(row));
    }
    QString words = Hints::tr("The unit's %1.").arg(QString::fromLatin1(row.label));
    for (const FieldWords& entry : kFieldWords) {
        if (std::string_view(entry.field) == row.name) {
            words = Hints::tr(entry.words);
        }
    }
    return Hints::tr("%1 Stored in %2.").arg(words, bytesOf(row));
}

using Hint = std::pair<const char*, QString>;

void addButtons(std::vector<Hint>& hints) {
    const auto button = [&hints](c::Button name, const QString& text) {
        hints.emplace_back(name.name, withKey(text, name));
    };
    button(c::kOpenFile, Hints::tr("Opens the equipment file named in the box beside it and "
                                   "shows the unit whose number is in Unit Number."));
    button(c::kRead, Hints::tr("Shows the unit whose number is in Unit Number, from the "
                               "equipment file and the name list."));
    button(c::kClose, Hints::tr("Closes the file. Nothing is saved."));
    button(c::kFinish, Hints::tr("Closes the file and ends the program. Nothing is saved."));
    button(c::kSave, Hints::tr("Writes the values shown and the name to the unit whose number "
                               "is in Unit Number."));
    button(c::kLast, Hints::tr("Shows the unit in Unit Number again as the files hold it, "
                               "dropping the changes not saved."));
    button(c::kCreateUnit, Hints::tr("Adds a copy of the shown unit, with the values in the "
                                     "form, after the last unit. Raises the unit counter and "
                                     "adds a line to the name list."));
    button(c::kPreviousUnit, Hints::tr("Shows the unit before this one; from unit 1 it goes to "
                                       "the highest."));
    button(c::kNextUnit, Hints::tr("Shows the unit after this one; from the highest it goes to "
                                   "unit 1."));
    button(c::kReplace, Hints::tr("Copies the shown unit's first %1 bytes, with the values in "
                                  "the form, over the unit whose number is in the box beside "
                                  "it. That unit keeps its last %2 bytes.")
                            .arg(layout::kRecordSize - kBytesReplaceKeeps)
                            .arg(kBytesReplaceKeeps));
    button(c::kAboutOk,
           withKeys(Hints::tr("Closes this panel."),
                    {keyName(Qt::Key_Enter), keyName(Qt::Key_Space), keyName(Qt::Key_Escape)}));
}

void addFields(std::vector<Hint>& hints) {
    const QString unitClass = Hints::tr(
                                  "The unit's class by name, kept as a code in %1. "
                                  "Can be changed in Profi mode.")
                                  .arg(bytesOf(field::kClass));
    const QString nationality =
        Hints::tr("The unit's nationality by name, kept in %1. Can be changed in Profi mode.")
            .arg(bytesAt(field::kNation1.offset, data::kNationByteCount));
    const QString unitNumber =
        Hints::tr(
            "The number of the unit to show or save; units are numbered from 0. %1 reads "
            "it. Unit n starts at byte %2 + %3 × n of the equipment file.")
            .arg(keyName(Qt::Key_Enter))
            .arg(layout::kHeaderSize)
            .arg(layout::kRecordSize);
    hints.insert(
        hints.end(),
        {
            {c::kEquipmentFile.name,
             Hints::tr("The equipment file's name, or its full path. A plain name is looked for "
                       "in the folder the editor was started from.")},
            {c::kNameList.name,
             Hints::tr("The name list's name, or its full path: one name per line, line 1 for "
                       "unit 0, line 2 for unit 1 and so on.")},
            {c::kUnitNumber.name, unitNumber},
            {"Label2", unitNumber},
            {c::kUnitName.name,
             Hints::tr("The unit's name: its line in the name list. Save writes it back there.")},
            {c::kClassName.name, unitClass},
            {"Label3", unitClass},
            {c::kNationality.name, nationality},
            {"Label7", nationality},
        });
    for (const c::ValueControl& value : c::kValueControls) {
        hints.emplace_back(value.control.name, valueHint(value.field));
        hints.emplace_back(value.label.name, valueHint(value.field));
    }
    hints.emplace_back("Label1",
                       Hints::tr("The month and year from which the unit is available, kept in "
                                 "%1.")
                           .arg(twoBytes(data::recordField("month"), data::recordField("year"))));
}

void addRawValues(std::vector<Hint>& hints) {
    const QString switchByte = Hints::tr(
        "Sw%1, switch byte %1, as a number: %2. It cannot be typed into; the switch boxes set "
        "it.");
    hints.emplace_back(c::kSw1.name, switchByte.arg(1).arg(bytesOf(field::kSw1)));
    hints.emplace_back(c::kSw2.name, switchByte.arg(2).arg(bytesOf(field::kSw2)));
    hints.emplace_back(c::kSwitchClass.name,
                       Hints::tr("The class code as a number: %1.").arg(bytesOf(field::kClass)));
    hints.emplace_back("Label8", Hints::tr("The six Source File characters below, kept in %1. "
                                           "Can be changed in Profi mode.")
                                     .arg(bytesAt(field::kC1.offset, data::kCharacterFieldCount)));
    for (int i = 0; i < data::kCharacterFieldCount; ++i) {
        QString text = Hints::tr(
                           "Source File character %1 of %2, kept in %3. Can be changed in "
                           "Profi mode.")
                           .arg(i + 1)
                           .arg(data::kCharacterFieldCount)
                           .arg(bytesAt(field::kC1.offset + i, 1));
        if (i == data::kCharacterFieldCount - 1) {
            text += Hints::tr(" Shown when it holds a character, and in Profi mode.");
        }
        hints.emplace_back(c::kCharacters[i].name, text);
    }
    hints.emplace_back(c::kClassCode.name,
                       Hints::tr("The class code as a number (%1): the one Read found or the one "
                                 "the last Save stored.")
                           .arg(bytesOf(field::kClass)));
    hints.emplace_back(c::kNationSum.name,
                       Hints::tr("The sum of the four nationality bytes, %1.")
                           .arg(bytesAt(field::kNation1.offset, data::kNationByteCount)));
    hints.emplace_back(
        c::kSavedUnit.name,
        Hints::tr("The unit number the last Save wrote into %1.").arg(bytesOf(field::kUnitNumber)));
    const QString highest = Hints::tr(
        "The highest unit number of the open file. Units are "
        "numbered from 0, so the file holds one unit more.");
    hints.emplace_back(c::kHighestUnit.name, highest);
    hints.emplace_back("Label4", highest);
}

void addSwitchesAndOptions(std::vector<Hint>& hints) {
    const QString where = twoBytes(field::kSw1, field::kSw2);
    hints.emplace_back(
        c::kSwitches.name,
        Hints::tr("The unit's switches, kept in %1. Can be changed in Profi mode.").arg(where));
    const QString pattern =
        Hints::tr("%1: a switch pattern kept in %2. Can be changed in Profi mode.");
    hints.emplace_back(c::kShip.name, pattern.arg(Hints::tr("Ship"), where));
    hints.emplace_back(c::kCarrier.name, pattern.arg(Hints::tr("Carrier"), where));
    hints.emplace_back(c::kFort.name, pattern.arg(Hints::tr("Fort"), where));
    hints.emplace_back(c::kAir.name, pattern.arg(Hints::tr("Air transport"), where));
    hints.emplace_back(c::kSea.name, pattern.arg(Hints::tr("Sea transport"), where));

    const QString freezeAll = Hints::tr(
        "Freeze All: while ticked, Read loads only the name. The other fields keep "
        "their values, so a Save or Create Unit copies them. Can be changed in Profi mode.");
    const QString freezeStats = Hints::tr(
        "Freeze Stats: while ticked, Read leaves the value fields (Soft to Year) and the cost as "
        "they are, "
        "so a Save copies them.");
    hints.insert(hints.end(),
                 {
                     {"Label5", Hints::tr("Tools for copying values from one unit to another.")},
                     {c::kFreezeAll.name, freezeAll},
                     {"Label9", freezeAll},
                     {c::kFreezeStats.name, freezeStats},
                     {"Label6", freezeStats},
                     {c::kReplaceTarget.name,
                      Hints::tr("The number of the unit Replace overwrites. It starts at 1: "
                                "check it before Replace (Undo takes a Replace back).")},
                     {c::kAboutPanel.name, Hints::tr("About the editor.")},
                     {c::kContactHeading.name, Hints::tr("How to reach the editor's author.")},
                     {c::kContactLine.name, Hints::tr("How to reach the editor's author.")},
                 });
}

void addMenus(std::vector<Hint>& hints) {
    const QString exit = Hints::tr("Closes the file and ends the program. Nothing is saved.");
    QStringList redoKeys;
    for (const char* key : kRedoKeys) {
        redoKeys << keyName(key);
    }
    hints.insert(
        hints.end(),
        {
            {c::kFileMenu.name, Hints::tr("Opening files, Profi mode and Exit.")},
            {c::kSpecialsMenu.name, Hints::tr("Profi mode.")},
            {c::kProfiItem.name,
             Hints::tr("Switches Profi mode on or off. It unlocks the raw fields: class, "
                       "nationality, switches, characters, Freeze All, Replace and Create Unit.")},
            {c::kExitItem.name, exit},
            {c::kVarnelMenu.name, Hints::tr("About the editor.")},
            {c::kAboutItem.name,
             Hints::tr("Shows who made the editor and how to reach its author.")},
            {"actionOpenFiles",
             withKeys(Hints::tr("Picks the equipment file in a file dialog, fills both file boxes "
                                "(the name list is the file of the same name beside it) and "
                                "opens it."),
                      {keyName(kOpenFilesKey)})},
            {"menuEdit", Hints::tr("Undo and Redo of the changes made to the open file.")},
            {"menuView", Hints::tr("The table of all units.")},
            {"actionUnitTable",
             withKeys(Hints::tr("Opens a table of every unit of the open file beside this window: "
                                "find, sort, filter and compare with another file. Double-click "
                                "or Enter on a row shows that unit here."),
                      {keyName(kUnitTableKey)})},
            {"actionUndo",
             withKeys(Hints::tr("Takes back the last Save, Create Unit or Replace of the open "
                                "file, restoring exactly the bytes and the name line it changed."),
                      {keyName(kUndoKey)})},
            {"actionRedo",
             withKeys(Hints::tr("Makes the change taken back by Undo again."), redoKeys)},
        });
}

// The status bar's labels; the window may keep a tooltip of its own on one, which then stays.
std::vector<Hint> statusHints() {
    return {
        {"statusFile", Hints::tr("The open equipment file's full path; \"read-only\" when the file "
                                 "may not be written.")},
        {"statusMessage", Hints::tr("What the last command did, and which fields are edited but "
                                    "not saved.")},
    };
}

std::vector<Hint> allHints() {
    std::vector<Hint> hints;
    addButtons(hints);
    addFields(hints);
    addRawValues(hints);
    addSwitchesAndOptions(hints);
    addMenus(hints);
    return hints;
}

// A menu shows its tooltip on its entry in the menu above it, so its action takes it too. The
// text goes in as a paragraph, which the tooltip wraps to a readable width instead of one line
// wider than the window.
void setHint(QWidget& window, const char* name, const QString& plain) {
    const QString objectName = QString::fromLatin1(name);
    const QString text = QStringLiteral("<p>") + plain.toHtmlEscaped() + QStringLiteral("</p>");
    if (auto* menu = window.findChild<QMenu*>(objectName)) {
        menu->setToolTip(text);
        menu->menuAction()->setToolTip(text);
    } else if (auto* widget = window.findChild<QWidget*>(objectName)) {
        widget->setToolTip(text);
    } else if (auto* action = window.findChild<QAction*>(objectName)) {
        action->setToolTip(text);
    }
}

}  // namespace

void applyHints(QWidget& window) {
    for (const auto& [name, text] : allHints()) {
        setHint(window, name, text);
    }
    for (const auto& [name, text] : statusHints()) {
        auto* label = window.findChild<QWidget*>(QString::fromLatin1(name));
        if (label != nullptr && label->toolTip().isEmpty()) {
            label->setToolTip(text);
        }
    }
    for (QMenu* menu : window.findChildren<QMenu*>()) {
        menu->setToolTipsVisible(true);
    }
}

}  // namespace varnel::form
