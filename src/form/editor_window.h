#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>

#include "commands/editor.h"

class QAbstractButton;
class QAction;
class QLabel;
class QLineEdit;

namespace varnel::form {
class UnitTableWindow;
}

namespace varnel::form {

// The editor's one window. Its controls are built from the control table; each button and menu
// item runs one command to completion.
class EditorWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit EditorWindow(QWidget* parent = nullptr);

    commands::Editor& editor() { return editor_; }

    // Twips (1/1440 inch) to pixels at the window's logical DPI.
    int pixels(int twips) const;

    void toggleProfiMode();
    void showAboutPanel();
    void hideAboutPanel();

    // Asks for the equipment file to open, given the folder to start in; an empty text when the
    // user cancels. A file dialog unless replaced (tests choose without one).
    using FileChooser = std::function<QString(QWidget& parent, const QString& startFolder)>;
    void setFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
    // Open Files: the equipment file chosen, the name list beside it, then Open File.
    void openFiles();
    // The table of all units, beside this window: opened, or brought to the front.
    void showUnitTable();
    // Shows unit in this window (Read), which comes to the front.
    void showUnit(std::int64_t unit);

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildControls();
    void buildMenus();
    void buildStatusBar();
    void bindCommands();
    void bindKeys();
    // The status bar and the tint of the edited fields, as the files and the form are now.
    void showStatus();
    QWidget& control(controls::Control name);
    QAbstractButton& button(controls::Button name);
    // Runs a command; whatever escapes it is reported, never let into the event loop.
    void run(void (*command)(commands::Editor&));

    QWidget* client_ = nullptr;
    QAction* profiItem_ = nullptr;
    QAction* undoItem_ = nullptr;
    QAction* redoItem_ = nullptr;
    QLineEdit* statusFile_ = nullptr;
    QLabel* statusMessage_ = nullptr;
    FileChooser chooseFile_;
    UnitTableWindow* table_ = nullptr;  // made at its first showing, a window of its own
    bool running_ = false;              // a command is running: the status waits for its end
    QString outcome_;                   // what the last command did
    bool editedSinceCommand_ = false;
    QPointer<QWidget> focusBeforeAbout_;
    commands::Editor editor_;
};

}  // namespace varnel::form
