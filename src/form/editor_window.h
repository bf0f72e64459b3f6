#pragma once

#include <QMainWindow>
#include <QPointer>

#include "commands/editor.h"

class QAbstractButton;
class QAction;

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

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

  private:
    void buildControls();
    void buildMenus();
    void bindCommands();
    QWidget& control(controls::Control name);
    QAbstractButton& button(controls::Button name);
    // Runs a command; whatever escapes it is reported, never let into the event loop.
    void run(void (*command)(commands::Editor&));

    QWidget* client_ = nullptr;
    QAction* profiItem_ = nullptr;
    QPointer<QWidget> focusBeforeAbout_;
    commands::Editor editor_;
};

}  // namespace varnel::form
