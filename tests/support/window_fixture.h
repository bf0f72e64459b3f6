#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "form/editor_window.h"
#include "temp_folder.h"
#include "unit_records.h"

class QWidget;

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace varnel::test {

// The real window in a fresh working folder, with every report recorded instead of shown.
class WindowTest : public ::testing::Test {
  protected:
    WindowTest();
    ~WindowTest() override;

    form::EditorWindow& window() { return *window_; }
    // Another window of the editor in the same working folder, as when the program runs twice.
    // The helpers below act on the window chosen by actOn (at first the fixture's own).
    std::unique_ptr<form::EditorWindow> newWindow();
    void actOn(form::EditorWindow& window) { acting_ = &window; }
    const TempFolder& folder() const { return folder_; }

    // Writes the equipment file and the name list under their default names.
    void writeGameFiles(const Bytes& equipment, const std::string& names);
    // Writes units 0..count-1 as writeUnitFiles does, unitRecord's by default. Returns the
    // equipment file's bytes.
    Bytes writeUnits(int count, const std::function<Bytes(int)>& record = unitRecord,
                     int nameCount = -1, int unitCount = -1) {
        return writeUnitFiles(folder_, count, record, nameCount, unitCount);
    }
    // Types the unit number and clicks Open File. Returns the messages not yet taken, those of
    // Open File among them, and takes them.
    QStringList openAt(const QString& unit);
    // The two files as they are now.
    Bytes equipmentNow();
    std::string namesNow();

    // Clicks a button by its name with the mouse, as a user would.
    void click(const char* name);
    // Triggers a menu item by its name.
    void trigger(const char* name);
    // Presses keys ("Ctrl+S") as a user would, where the keyboard focus is.
    void press(const char* keys);
    // The status bar's message line.
    QString status();

    QWidget* control(const char* name);
    QString text(const char* name);
    void setText(const char* name, const QString& text);
    // Types text over the whole text of a field, key by key, as a user would.
    void type(const char* name, const QString& text);
    QString caption(const char* name);
    bool ticked(const char* name);
    void setTicked(const char* name, bool ticked);
    bool enabled(const char* name);
    bool shown(const char* name);

    // The messages reported since the last call, and then none.
    QStringList takeMessages();
    const QStringList& messages() const { return messages_; }

    // The texts of every text field and label and the tick of every check box, to show that a
    // command changed nothing in the window.
    QStringList formSnapshot();

  private:
    TempFolder folder_;
    std::string previousFolder_;
    std::unique_ptr<form::EditorWindow> window_;
    form::EditorWindow* acting_ = nullptr;
    QStringList messages_;
};

}  // namespace varnel::test
