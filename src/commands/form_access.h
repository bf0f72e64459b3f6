#pragma once

#include <QByteArray>
#include <QHash>
#include <QPointer>
#include <QString>

#include "control_names.h"

class QWidget;

namespace varnel::commands {

// The commands' view of the window: every value lives in a named control, and a command reads
// and writes it by that name. The "visible" state is the control's own (a control inside a hidden
// frame, or in a window not yet shown, is still visible in this sense).
class FormAccess {
  public:
    explicit FormAccess(QWidget& root) : root_(root) {}

    QWidget& root() const { return root_; }

    QString text(controls::TextField field) const;
    // A text field never holds a NUL: the text is cut at the first one.
    void setText(controls::TextField field, const QString& text);
    QString caption(controls::Label label) const;
    void setCaption(controls::Label label, const QString& caption);
    bool ticked(controls::CheckBox box) const;
    void setTicked(controls::CheckBox box, bool ticked);
    bool enabled(controls::Control control) const;
    void setEnabled(controls::Control control, bool enabled);
    bool visible(controls::Control control) const;
    void setVisible(controls::Control control, bool visible);
    // Puts the keyboard focus on the control when it can take it.
    void focus(controls::Control control);
    // The control's widget; a name the window lacks is a fault of the program.
    QWidget& widget(controls::Control control) const;

  private:
    QWidget& root_;
    // Where each control was found: a search of the whole window for every value a command
    // reads or writes took half of a Read's time. Controls are never replaced.
    mutable QHash<QByteArray, QPointer<QWidget>> found_;
};

}  // namespace varnel::commands
