#pragma once

#include <QByteArray>
#include <QHash>
#include <QPointer>
#include <QString>

class QWidget;

namespace varnel::commands {

// The commands' view of the window: every value lives in a named control, and a command reads
// and writes it by that name. The "visible" state is the control's own (a control inside a hidden
// frame, or in a window not yet shown, is still visible in this sense).
class FormAccess {
  public:
    explicit FormAccess(QWidget& root) : root_(root) {}

    QWidget& root() const { return root_; }

    QString text(const char* name) const;
    // A text field never holds a NUL: the text is cut at the first one.
    void setText(const char* name, const QString& text);

    QString caption(const char* name) const;
    void setCaption(const char* name, const QString& caption);

    bool ticked(const char* name) const;
    void setTicked(const char* name, bool ticked);

    bool enabled(const char* name) const;
    void setEnabled(const char* name, bool enabled);

    bool visible(const char* name) const;
    void setVisible(const char* name, bool visible);

    // Puts the keyboard focus on the control when it can take it.
    void focus(const char* name);

  private:
    QWidget& widget(const char* name) const;
    QWidget& root_;
    // Where each control was found: a search of the whole window for every value a command
    // reads or writes took half of a Read's time. Controls are never replaced.
    mutable QHash<QByteArray, QPointer<QWidget>> found_;
};

}  // namespace varnel::commands
