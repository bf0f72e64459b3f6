#include "shown_values.h"

#include <QCheckBox>
#include <QLineEdit>
#include <stdexcept>

namespace varnel::commands {

void ShownValues::startRead(std::int64_t unit) {
    unit_ = unit;
    stored_ = StoredUnit{};
    shown_.clear();
}

void ShownValues::filled(controls::Control control) {
    shown_.insert(QByteArray(control.name), Shown{valueOf(watched(control)), false});
}

void ShownValues::forget() {
    unit_.reset();
    stored_ = StoredUnit{};
    shown_.clear();
}

bool ShownValues::asRead(controls::Control control, std::int64_t unit) const {
    if (unit_ != unit) {
        return false;
    }
    const QByteArray name = QByteArray::fromRawData(control.name, qstrlen(control.name));
    const auto shown = shown_.constFind(name);
    const auto watched = watched_.constFind(name);
    if (shown == shown_.cend() || shown->changed || watched == watched_.cend()) {
        return false;
    }
    return valueOf(*watched) == shown->value;
}

bool ShownValues::edited(controls::Control control) const {
    const QByteArray name = QByteArray::fromRawData(control.name, qstrlen(control.name));
    const auto shown = shown_.constFind(name);
    const auto watched = watched_.constFind(name);
    return shown != shown_.cend() && watched != watched_.cend() &&
           valueOf(*watched) != shown->value;
}

const ShownValues::Watched& ShownValues::watched(controls::Control control) {
    const QByteArray name(control.name);
    if (const auto known = watched_.constFind(name); known != watched_.cend()) {
        return *known;
    }
    QWidget* widget = &form_.widget(control);
    Watched entry{widget, false};
    auto markChanged = [this, name] {
        if (const auto shown = shown_.find(name); shown != shown_.end()) {
            shown->changed = true;
        }
        if (onChange_) {
            onChange_();
        }
    };
    if (auto* field = qobject_cast<QLineEdit*>(widget)) {
        QObject::connect(field, &QLineEdit::textChanged, &receiver_, markChanged);
    } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
        entry.isTick = true;
        QObject::connect(box, &QCheckBox::toggled, &receiver_, markChanged);
    } else {
        throw std::logic_error(std::string("the control ") + control.name +
                               " is neither a text field nor a check box");
    }
    return *watched_.insert(name, entry);
}

QString ShownValues::valueOf(const Watched& watched) {
    if (!watched.control) {
        return QString();
    }
    if (watched.isTick) {
        return static_cast<QCheckBox*>(watched.control.data())->isChecked() ? QStringLiteral("1")
                                                                            : QStringLiteral("0");
    }
    return static_cast<QLineEdit*>(watched.control.data())->text();
}

}  // namespace varnel::commands
