#include "window_fixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>

#include "commands/report.h"

namespace varnel::test {

WindowTest::WindowTest() {
    previousFolder_ = QDir::currentPath().toStdString();
    QDir::setCurrent(QString::fromStdString(folder_.path()));
    commands::setReportHandler(
        [this](commands::Severity, const QString& message) { messages_.append(message); });
    window_ = newWindow();
    acting_ = window_.get();
}

std::unique_ptr<form::EditorWindow> WindowTest::newWindow() {
    auto window = std::make_unique<form::EditorWindow>();
    window->show();
    QApplication::setActiveWindow(window.get());
    QApplication::processEvents();
    return window;
}

WindowTest::~WindowTest() {
    window_.reset();
    commands::setReportHandler({});
    QDir::setCurrent(QString::fromStdString(previousFolder_));
}

void WindowTest::writeGameFiles(const Bytes& equipment, const std::string& names) {
    writeFile(folder_.file("Equip97.eqp"), equipment);
    writeFile(folder_.file("Equip97.txt"), names);
}

QStringList WindowTest::openAt(const QString& unit) {
    setText("NMBu", unit);
    click("open1");
    return takeMessages();
}

Bytes WindowTest::equipmentNow() {
    return readFile(folder_.file("Equip97.eqp"));
}

std::string WindowTest::namesNow() {
    const Bytes bytes = readFile(folder_.file("Equip97.txt"));
    return std::string(bytes.begin(), bytes.end());
}

QWidget* WindowTest::control(const char* name) {
    auto* widget = acting_->findChild<QWidget*>(QLatin1String(name));
    if (widget == nullptr) {
        ADD_FAILURE() << "no control " << name;
    }
    return widget;
}

void WindowTest::click(const char* name) {
    auto* button = qobject_cast<QAbstractButton*>(control(name));
    ASSERT_NE(button, nullptr) << name << " is not a button";
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
}

void WindowTest::trigger(const char* name) {
    auto* action = acting_->findChild<QAction*>(QLatin1String(name));
    ASSERT_NE(action, nullptr) << "no menu item " << name;
    action->trigger();
}

void WindowTest::press(const char* keys) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keySequence(focus != nullptr ? focus : acting_, QKeySequence(QString::fromLatin1(keys)));
}

QString WindowTest::status() {
    auto* message = acting_->findChild<QLabel*>(QStringLiteral("statusMessage"));
    EXPECT_NE(message, nullptr);
    EXPECT_EQ(message->text(), acting_->statusBar()->currentMessage()) << "the bar says the same";
    return message->text();
}

QString WindowTest::text(const char* name) {
    auto* field = qobject_cast<QLineEdit*>(control(name));
    return field != nullptr ? field->text() : QStringLiteral("<not a text field>");
}

void WindowTest::setText(const char* name, const QString& text) {
    auto* field = qobject_cast<QLineEdit*>(control(name));
    ASSERT_NE(field, nullptr) << name << " is not a text field";
    field->setText(text);
}

void WindowTest::type(const char* name, const QString& text) {
    auto* field = qobject_cast<QLineEdit*>(control(name));
    ASSERT_NE(field, nullptr) << name << " is not a text field";
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    QTest::keyClicks(field, text);
}

QString WindowTest::caption(const char* name) {
    auto* label = qobject_cast<QLabel*>(control(name));
    return label != nullptr ? label->text() : QStringLiteral("<not a label>");
}

bool WindowTest::ticked(const char* name) {
    auto* box = qobject_cast<QCheckBox*>(control(name));
    return box != nullptr && box->isChecked();
}

void WindowTest::setTicked(const char* name, bool ticked) {
    auto* box = qobject_cast<QCheckBox*>(control(name));
    ASSERT_NE(box, nullptr) << name << " is not a check box";
    box->setChecked(ticked);
}

bool WindowTest::enabled(const char* name) {
    QWidget* widget = control(name);
    return widget != nullptr && !widget->testAttribute(Qt::WA_Disabled);
}

bool WindowTest::shown(const char* name) {
    QWidget* widget = control(name);
    return widget != nullptr && !widget->isHidden();
}

QStringList WindowTest::takeMessages() {
    return std::exchange(messages_, {});
}

QStringList WindowTest::formSnapshot() {
    QStringList snapshot;
    // The controls of the form; the status bar below it says what each command did.
    for (QWidget* widget : acting_->centralWidget()->findChildren<QWidget*>()) {
        const QString name = widget->objectName();
        if (auto* field = qobject_cast<QLineEdit*>(widget)) {
            snapshot << name + "=" + field->text() + (field->isHidden() ? " hidden" : "");
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            snapshot << name + "=" + label->text();
        } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
            snapshot << name + (box->isChecked() ? "=ticked" : "=clear");
        }
        if (!name.isEmpty()) {
            snapshot << name + (widget->testAttribute(Qt::WA_Disabled) ? " disabled" : " enabled");
        }
    }
    snapshot.sort();
    return snapshot;
}

}  // namespace varnel::test
