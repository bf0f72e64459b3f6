#include "form_access.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <stdexcept>

namespace varnel::commands {
namespace {

template <typename Widget>
Widget& as(QWidget& widget, controls::Control control) {
    auto* typed = qobject_cast<Widget*>(&widget);
    if (typed == nullptr) {
        throw std::logic_error(std::string("the control ") + control.name +
                               " is not of the kind used");
    }
    return *typed;
}

}  // namespace

QWidget& FormAccess::widget(controls::Control control) const {
    const char* name = control.name;
    if (root_.objectName() == QLatin1String(name)) {
        return root_;
    }
    const QPointer<QWidget> known = found_.value(QByteArray::fromRawData(name, qstrlen(name)));
    if (known) {
        return *known;
    }
    auto* found = root_.findChild<QWidget*>(QLatin1String(name));
    if (found == nullptr) {
        throw std::logic_error(std::string("the window has no control ") + name);
    }
    found_.insert(QByteArray(name), found);
    return *found;
}

QString FormAccess::text(controls::TextField field) const {
    return as<QLineEdit>(widget(field), field).text();
}

void FormAccess::setText(controls::TextField field, const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    auto& edit = as<QLineEdit>(widget(field), field);
    edit.setText(nul < 0 ? text : text.left(nul));
    edit.setCursorPosition(0);  // a narrow field shows the start of its text
}

QString FormAccess::caption(controls::Label label) const {
    return as<QLabel>(widget(label), label).text();
}

void FormAccess::setCaption(controls::Label label, const QString& caption) {
    as<QLabel>(widget(label), label).setText(caption);
}

bool FormAccess::ticked(controls::CheckBox box) const {
    return as<QCheckBox>(widget(box), box).isChecked();
}

void FormAccess::setTicked(controls::CheckBox box, bool ticked) {
    as<QCheckBox>(widget(box), box).setChecked(ticked);
}

bool FormAccess::enabled(controls::Control control) const {
    // The control's own state, not whether a disabled parent greys it.
    return !widget(control).testAttribute(Qt::WA_Disabled);
}

void FormAccess::setEnabled(controls::Control control, bool enabled) {
    widget(control).setEnabled(enabled);
}

bool FormAccess::visible(controls::Control control) const {
    return !widget(control).isHidden();
}

void FormAccess::setVisible(controls::Control control, bool visible) {
    widget(control).setVisible(visible);
}

void FormAccess::focus(controls::Control control) {
    QWidget& found = widget(control);
    if (found.isEnabled() && !found.isHidden()) {
        found.setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace varnel::commands
