#pragma once

#include <QString>
#include <QUndoStack>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "data/equipment_file.h"
#include "data/equipment_image.h"
#include "data/name_list_image.h"
#include "form_access.h"
#include "shown_values.h"

namespace varnel::commands {

// The two files as Open File found them, whole, so that the table of all units can mark what has
// changed since. The list is the one the name list field named then; null when a file could not
// be read. Shared: the table holds the same bytes, not a copy.
struct OpenedFiles {
    std::shared_ptr<const data::EquipmentImage> equipment;
    std::shared_ptr<const data::NameListImage> list;
    // Which open this is: every Open File gets a new number, and 0 means no file is open.
    std::uint64_t serial = 0;
};

// What the commands share: the window's controls and the one open equipment file.
class Editor {
  public:
    explicit Editor(QWidget& form) : form_(form), shown_(form_) {}

    FormAccess& form() { return form_; }

    // What the last Read showed, and whether the user has changed it since.
    ShownValues& shown() { return shown_; }

    // The open equipment file, or nullptr while no file is open. What Read showed from another
    // file says nothing about this one.
    data::EquipmentFile* file() { return file_ ? &*file_ : nullptr; }
    void attach(data::EquipmentFile file, OpenedFiles opened) {
        shown_.forget();
        history_.clear();
        file_.emplace(std::move(file));
        opened_ = std::move(opened);
    }
    std::optional<data::EquipmentFile> detach() {
        shown_.forget();
        history_.clear();
        opened_ = {};
        return std::exchange(file_, std::nullopt);
    }
    // The files as Open File found them (empty while no file is open).
    const OpenedFiles& opened() const { return opened_; }

    // The changes made to the open file that can be taken back and made again (history.h); it
    // lasts as long as the file stays open.
    QUndoStack& history() { return history_; }

    // What the last command did, in a few words for the status bar ("Saved unit 5 “Tiger I”.");
    // empty when it did nothing worth a word.
    const QString& outcome() const { return outcome_; }
    void setOutcome(QString outcome) { outcome_ = std::move(outcome); }

  private:
    FormAccess form_;
    ShownValues shown_;
    std::optional<data::EquipmentFile> file_;
    QUndoStack history_;
    OpenedFiles opened_;
    QString outcome_;
};

// The open equipment file; when none is open, the user is told to open one and the result is
// nullptr.
data::EquipmentFile* openFileOrReport(Editor& editor);

// A file-name text of the window as the operating system's path bytes, and back; a message
// that names a path (every data::Error does) is shown through textFromPath too.
std::string pathFromText(const QString& text);
QString textFromPath(const std::string& path);

}  // namespace varnel::commands
