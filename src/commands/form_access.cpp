#include "form_access.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <stdexcept>

namespace varnel::commands {
namespace {

template <typename Control>
Control& as(QWidget& widget, const char* name) {
    auto* control = qobject_cast<Control*>(&widget);
    if (control == nullptr) {
        throw std::logic_error(std::string("the control ") + name + " is not of the kind used");
    }
    return *control;
}

}  // namespace

QWidget& FormAccess::widget(const char* name) const {
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

QString FormAccess::text(const char* name) const {
    return as<QLineEdit>(widget(name), name).text();
}

void FormAccess::setText(const char* name, const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    auto& field = as<QLineEdit>(widget(name), name);
    field.setText(nul < 0 ? text : text.left(nul));
    field.setCursorPosition(0);  // a narrow field shows the start of its text
}

QString FormAccess::caption(const char* name) const {
    return as<QLabel>(widget(name), name).text();
}

void FormAccess::setCaption(const char* name, const QString& caption) {
    as<QLabel>(widget(name), name).setText(caption);
}

bool FormAccess::ticked(const char* name) const {
    return as<QCheckBox>(widget(name), name).isChecked();
}

void FormAccess::setTicked(const char* name, bool ticked) {
    as<QCheckBox>(widget(name), name).setChecked(ticked);
}

bool FormAccess::enabled(const char* name) const {
    // The control's own state, not whether a disabled parent greys it.
    return !widget(name).testAttribute(Qt::WA_Disabled);
}

void FormAccess::setEnabled(const char* name, bool enabled) {
    widget(name).setEnabled(enabled);
}

bool FormAccess::visible(const char* name) const {
    return !widget(name).isHidden();
}

void FormAccess::setVisible(const char* name, bool visible) {
    widget(name).setVisible(visible);
}

void FormAccess::focus(const char* name) {
    QWidget& control = widget(name);
    if (control.isEnabled() && !control.isHidden()) {
        control.setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace varnel::commands
