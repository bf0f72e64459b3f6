#include "editor_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCompleter>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <map>
#include <vector>

#include "commands/commands.h"
#include "commands/report.h"
#include "control_table.h"
#include "data/code_tables.h"

namespace varnel::form {
namespace {

namespace c = controls;

QWidget* makeControl(const ControlSpec& row, QWidget* parent) {
    const QString text = QString::fromUtf8(row.text);
    QWidget* widget = nullptr;
    switch (row.kind) {
        case Kind::TextField: {
            auto* field = new QLineEdit(text, parent);
            field->setMaxLength(std::numeric_limits<int>::max());  // no field limits its text
            field->setCursorPosition(0);  // a narrow field shows the start of its text
            widget = field;
            break;
        }
        case Kind::Label: {
            auto* label = new QLabel(text, parent);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setWordWrap(true);
            widget = label;
            break;
        }
        case Kind::Button: {
            auto* button = new QPushButton(text, parent);
            button->setAutoDefault(false);
            widget = button;
            break;
        }
        case Kind::CheckBox:
            widget = new QCheckBox(text, parent);
            break;
        case Kind::Frame:
            widget = new QGroupBox(text, parent);
            break;
    }
    widget->setObjectName(QString::fromLatin1(row.name.name));
    return widget;
}

// Offers the names a field accepts as the user types: any name holding the typed letters, in
// any case, and the name chosen goes in exactly as the table spells it. The field stays a plain
// text field, so a text that names nothing can still be typed (Save then says what it became).
void offerNames(QLineEdit& field, const QStringList& names) {
    auto* completer = new QCompleter(names, &field);
    completer->setObjectName(field.objectName() + QStringLiteral("Names"));
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    field.setCompleter(completer);
}

void paint(QWidget& widget, QColor background, QColor text) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

}  // namespace

EditorWindow::EditorWindow(QWidget* parent) : QMainWindow(parent), editor_(*this) {
    setObjectName(QString::fromLatin1(kWindowName));
    setWindowTitle(QString::fromUtf8(kWindowCaption));
    buildControls();
    buildMenus();
    bindCommands();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    control(c::kOpenFile).setFocus(Qt::OtherFocusReason);
}

QWidget& EditorWindow::control(controls::Control name) {
    return editor_.form().widget(name);
}

QAbstractButton& EditorWindow::button(controls::Button name) {
    return static_cast<QAbstractButton&>(control(name));
}

int EditorWindow::pixels(int twips) const {
    return static_cast<int>(std::lround(twips * logicalDpiX() / 1440.0));
}

void EditorWindow::buildControls() {
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    client_->setFixedSize(pixels(kClientWidthTwips), pixels(kClientHeightTwips));
    setCentralWidget(client_);

    std::map<std::string, QWidget*> frames;
    std::vector<std::pair<int, QWidget*>> focusable;
    for (const ControlSpec& row : controlTable()) {
        QWidget* parent = row.frame.name != nullptr ? frames.at(row.frame.name) : client_;
        QWidget* widget = makeControl(row, parent);
        widget->setGeometry(pixels(row.left), pixels(row.top), pixels(row.width),
                            pixels(row.height));
        widget->setEnabled(row.enabled);
        widget->setVisible(row.visible);
        if (row.kind == Kind::Frame) {
            frames[row.name.name] = widget;
        }
        if (row.kind != Kind::Label && row.kind != Kind::Frame) {
            focusable.emplace_back(row.tabPlace, widget);
        }
    }
    std::sort(focusable.begin(), focusable.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < focusable.size(); ++i) {
        setTabOrder(focusable[i - 1].second, focusable[i].second);
    }

    for (const LineSpec& row : lineTable()) {
        auto* line = new QFrame(client_);
        line->setObjectName(QString::fromLatin1(row.name));
        const bool horizontal = row.y1 == row.y2;
        line->setFrameShape(horizontal ? QFrame::HLine : QFrame::VLine);
        line->setFrameShadow(QFrame::Plain);
        line->setLineWidth(1);
        const int left = pixels(std::min(row.x1, row.x2));
        const int top = pixels(std::min(row.y1, row.y2));
        const int length = pixels(std::abs(row.x2 - row.x1) + std::abs(row.y2 - row.y1)) + 1;
        line->setGeometry(left, top, horizontal ? length : 1, horizontal ? 1 : length);
        line->lower();  // beneath every control, so it never covers one
    }

    // The About panel: red, with a larger sans-serif for the contact line.
    QWidget* panel = &control(c::kAboutPanel);
    // The window's style shades a frame's inside a little darker than its background; the
    // panel takes the plain style, which leaves the red as it is.
    if (QStyle* plain = QStyleFactory::create(QStringLiteral("Windows"))) {
        plain->setParent(panel);
        panel->setStyle(plain);
    }
    paint(*panel, QColor(255, 0, 0), palette().color(QPalette::WindowText));
    paint(control(c::kContactHeading), QColor(255, 0, 0), QColor(0, 0, 0));
    QWidget* contact = &control(c::kContactLine);
    paint(*contact, QColor(255, 0, 0), QColor(255, 255, 0));
    QFont contactFont(QStringLiteral("Liberation Sans"));
    contactFont.setStyleHint(QFont::SansSerif);
    contactFont.setPointSize(12);
    contactFont.setWeight(QFont::Normal);
    contact->setFont(contactFont);
    control(c::kAboutOk).setAutoFillBackground(true);
    panel->raise();

    // UNIT and NATION can be typed into only in Profi mode, so that is where the names show.
    QStringList classNames;
    for (const data::ClassEntry& entry : data::classTable()) {
        classNames << QString::fromLatin1(entry.name);
    }
    QStringList nationalities;
    for (const data::NationEntry& entry : data::nationalityTable()) {
        nationalities << QString::fromLatin1(entry.name);
    }
    offerNames(static_cast<QLineEdit&>(control(c::kClassName)), classNames);
    offerNames(static_cast<QLineEdit&>(control(c::kNationality)), nationalities);
}

void EditorWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(tr("&File"));
    file->setObjectName(QLatin1String(c::kFileMenu.name));
    QMenu* specials = file->addMenu(tr("&Specials"));
    specials->setObjectName(QLatin1String(c::kSpecialsMenu.name));
    profiItem_ = specials->addAction(tr("&Proffi"));
    profiItem_->setObjectName(QLatin1String(c::kProfiItem.name));
    profiItem_->setCheckable(true);
    QAction* exit = file->addAction(tr("E&xit"));
    exit->setObjectName(QLatin1String(c::kExitItem.name));

    QMenu* varnel = bar->addMenu(tr("&Varnel"));
    varnel->setObjectName(QLatin1String(c::kVarnelMenu.name));
    QAction* about = varnel->addAction(tr("About Varnel"));
    about->setObjectName(QLatin1String(c::kAboutItem.name));

    connect(profiItem_, &QAction::triggered, this, [this] { toggleProfiMode(); });
    connect(exit, &QAction::triggered, this, [this] { close(); });
    connect(about, &QAction::triggered, this, [this] { showAboutPanel(); });
}

void EditorWindow::bindCommands() {
    const std::pair<c::Button, void (*)(commands::Editor&)> bindings[] = {
        {c::kOpenFile, commands::openFile},
        {c::kRead, commands::readUnit},
        {c::kClose, commands::closeFile},
        {c::kSave, commands::saveUnit},
        {c::kLast, commands::lastUnit},
        {c::kCreateUnit, commands::createUnit},
        {c::kPreviousUnit, commands::previousUnit},
        {c::kNextUnit, commands::nextUnit},
        {c::kReplace, commands::replaceUnit},
    };
    for (const auto& [button, command] : bindings) {
        connect(&this->button(button), &QAbstractButton::clicked, this,
                [this, command = command] { run(command); });
    }
    connect(&button(c::kFinish), &QAbstractButton::clicked, this, [this] { close(); });
    connect(&button(c::kAboutOk), &QAbstractButton::clicked, this, [this] { hideAboutPanel(); });
}

void EditorWindow::run(void (*command)(commands::Editor&)) {
    try {
        command(editor_);
    } catch (const std::exception& error) {
        commands::report(commands::Severity::Problem,
                         tr("The command stopped: %1").arg(commands::textFromPath(error.what())));
    }
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    commands::closeForExit(editor_);
    event->accept();
}

void EditorWindow::toggleProfiMode() {
    // The mode has no state of its own: Freeze All can be changed exactly while it is on.
    commands::FormAccess& form = editor_.form();
    const bool switchingOn = !form.enabled(c::kFreezeAll);
    for (const ControlSpec& row : controlTable()) {
        switch (row.profi) {
            case Profi::None:
                break;
            case Profi::EnablesOnly:
                if (switchingOn) {
                    form.setEnabled(row.name, true);  // switching off leaves it to Close
                }
                break;
            case Profi::ShowsAndUnlocks:
                form.setVisible(row.name, switchingOn);
                form.setEnabled(row.name, switchingOn);
                break;
            case Profi::Unlocks:
                form.setEnabled(row.name, switchingOn);
                break;
        }
    }
    profiItem_->setChecked(switchingOn);
}

void EditorWindow::showAboutPanel() {
    QWidget& panel = control(c::kAboutPanel);
    if (!panel.isHidden()) {
        return;
    }
    focusBeforeAbout_ = QApplication::focusWidget();
    panel.show();
    panel.raise();
    control(c::kAboutOk).setFocus(Qt::OtherFocusReason);
}

void EditorWindow::hideAboutPanel() {
    control(c::kAboutPanel).hide();
    if (focusBeforeAbout_ && focusBeforeAbout_->isEnabled() && focusBeforeAbout_->isVisible()) {
        focusBeforeAbout_->setFocus(Qt::OtherFocusReason);
    }
}

bool EditorWindow::focusNextPrevChild(bool next) {
    // While the About panel covers the window, the keyboard stays on the panel's button.
    if (!control(c::kAboutPanel).isHidden()) {
        control(c::kAboutOk).setFocus(Qt::TabFocusReason);
        return true;
    }
    return QMainWindow::focusNextPrevChild(next);
}

}  // namespace varnel::form
