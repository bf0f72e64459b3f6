#include <QString>

#include "commands.h"
#include "data/error.h"
#include "data/file_replacement.h"
#include "data/journal.h"
#include "data/name_list.h"
#include "data/system_files.h"
#include "data/whole_file.h"
#include "report.h"

namespace varnel::commands {
namespace {

// Tells the user once, at Open File, when the name list does not match the file's units.
void checkNameList(FormAccess& form, std::int64_t highest) {
    const std::string path = nameListPath(form);
    const QString name = form.text(controls::kNameList);
    data::NameListStatus list;
    try {
        list = data::inspectNameList(path);
    } catch (const data::Error& error) {
        report(Severity::Problem, textFromPath(error.what()));
        return;
    }
    const std::int64_t units = highest + 1;
    if (const auto status = data::systemFiles().statusOfPath(path);
        list.exists && status.ok() && !status.value.permitsWriting) {
        report(Severity::Notice,
               QStringLiteral("The name list %1 can only be read: Save, Create Unit and Replace "
                              "store values, but no names.")
                   .arg(textFromPath(path)));
    }
    if (!list.exists) {
        report(Severity::Notice,
               QStringLiteral("There is no name list \"%1\" in %2: every unit shows an empty "
                              "name, and Save cannot store names.")
                   .arg(name, textFromPath(data::folderOf(path))));
    } else if (units > 0 && list.lineCount < units) {
        report(Severity::Notice,
               QStringLiteral("%1 holds %2 names for %3 units; units %2 to %4 show an empty name.")
                   .arg(name)
                   .arg(list.lineCount)
                   .arg(units)
                   .arg(highest));
    } else if (units > 0 && list.lineCount > units) {
        report(Severity::Notice,
               QStringLiteral("%1 holds %2 names for %3 units; saving a name keeps the first %3.")
                   .arg(name)
                   .arg(list.lineCount)
                   .arg(units));
    }
}

// Tells the user at Open File when the name list is the equipment file itself: no command will
// then write either.
void checkListIsNotTheFile(FormAccess& form, const data::EquipmentFile& file) {
    const std::string list = nameListPath(form);
    const auto atList = data::systemFiles().statusOfPath(list);
    if (atList.ok() && atList.value.exists && atList.value.identity == file.identity()) {
        report(Severity::Notice,
               nameListIsEquipmentFile(list, file.path()) +
                   QStringLiteral(" so Save, Create Unit and Replace will be refused until the "
                                  "name list field names the list of names."));
    }
}

// Both files whole as they are now; what cannot be read is left out (Open File and Read say why).
OpenedFiles openedFiles(const std::string& equipmentPath, const std::string& listPath) {
    static std::uint64_t opens = 0;
    OpenedFiles opened;
    opened.serial = ++opens;
    try {
        opened.equipment = std::make_shared<const data::EquipmentImage>(
            data::readWholeFile(equipmentPath, "equipment file"));
        opened.list = std::make_shared<const data::NameListImage>(
            data::NameListImage::fromBytes(data::readWholeFile(listPath, "name list")));
    } catch (const data::Error&) {
    }
    return opened;
}

void closeAndReport(data::EquipmentFile& file) {
    try {
        file.close();
    } catch (const data::Error& error) {
        report(Severity::Problem, textFromPath(error.what()));
    }
}

}  // namespace

QString nameListIsEquipmentFile(const std::string& listPath, const std::string& equipmentPath) {
    return QStringLiteral(
               "The name list %1 is the equipment file %2 itself (another name or a "
               "link leads to it): a list of names written there would overwrite "
               "every unit,")
        .arg(textFromPath(listPath), textFromPath(equipmentPath));
}

void openFile(Editor& editor) {
    FormAccess& form = editor.form();
    if (editor.file() != nullptr) {
        return;  // the button is disabled while a file is open
    }
    const std::string path = data::resolvePath(pathFromText(form.text(controls::kEquipmentFile)));
    // A change that was cut off (a crash, a power cut) is taken back or finished before anything
    // is read, so that the form never shows half of one.
    const data::Recovery recovery = data::recoverChange(path);
    if (recovery.outcome != data::Recovery::Outcome::None) {
        report(recovery.outcome == data::Recovery::Outcome::LeftAlone ? Severity::Problem
                                                                      : Severity::Notice,
               textFromPath(recovery.message));
    }
    std::int64_t highest = 0;
    try {
        data::EquipmentFile file = data::EquipmentFile::open(path);
        highest = file.highestUnitNumber();
        editor.attach(std::move(file), openedFiles(path, nameListPath(form)));
    } catch (const data::Error& error) {
        report(Severity::Problem, textFromPath(error.what()));
        return;
    }

    form.setCaption(controls::kHighestUnit, QString::number(highest));
    form.setEnabled(controls::kOpenFile, false);
    for (const controls::Button command : controls::kFileCommands) {
        form.setEnabled(command, true);
    }
    if (editor.file()->readOnly()) {
        report(Severity::Notice,
               QStringLiteral("%1 can only be read: you can look at its units, but Save, "
                              "Create Unit and Replace will be refused.")
                   .arg(textFromPath(path)));
    }
    editor.setOutcome({});
    readUnit(editor);
    const QString readSaid = editor.outcome();
    checkListIsNotTheFile(form, *editor.file());
    if (!data::sameFile(nameListPath(form), path)) {
        checkNameList(form, highest);
    }
    editor.setOutcome((highest < 0 ? QStringLiteral("Opened; the file holds no units.")
                                   : QStringLiteral("Opened; units 0 to %1.").arg(highest)) +
                      (readSaid.isEmpty() ? QString() : QLatin1Char(' ') + readSaid));
}

void closeFile(Editor& editor) {
    FormAccess& form = editor.form();
    if (auto file = editor.detach()) {
        closeAndReport(*file);
        editor.setOutcome(QStringLiteral("Closed the equipment file."));
    }
    form.setEnabled(controls::kOpenFile, true);
    for (const controls::Button command : controls::kFileCommands) {
        form.setEnabled(command, false);
    }
}

void closeForExit(Editor& editor) {
    if (auto file = editor.detach()) {
        closeAndReport(*file);
    }
}

}  // namespace varnel::commands
