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
    widget->setObjectName(QString::fromLatin1(row.name));
    widget->setProperty("tabPlace", row.tabPlace);
    if (row.index >= 0) {
        widget->setProperty("index", row.index);
    }
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
    findChild<QWidget*>(QStringLiteral("open1"))->setFocus(Qt::OtherFocusReason);
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
        QWidget* parent = row.frame != nullptr ? frames.at(row.frame) : client_;
        QWidget* widget = makeControl(row, parent);
        widget->setGeometry(pixels(row.left), pixels(row.top), pixels(row.width),
                            pixels(row.height));
        widget->setEnabled(row.enabled);
        widget->setVisible(row.visible);
        if (row.kind == Kind::Frame) {
            frames[row.name] = widget;
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
    auto* panel = findChild<QGroupBox*>(QStringLiteral("Ja"));
    // The window's style shades a frame's inside a little darker than its background; the
    // panel takes the plain style, which leaves the red as it is.
    if (QStyle* plain = QStyleFactory::create(QStringLiteral("Windows"))) {
        plain->setParent(panel);
        panel->setStyle(plain);
    }
    paint(*panel, QColor(255, 0, 0), palette().color(QPalette::WindowText));
    paint(*findChild<QWidget*>(QStringLiteral("Label10")), QColor(255, 0, 0), QColor(0, 0, 0));
    auto* contact = findChild<QWidget*>(QStringLiteral("Label11"));
    paint(*contact, QColor(255, 0, 0), QColor(255, 255, 0));
    QFont contactFont(QStringLiteral("Liberation Sans"));
    contactFont.setStyleHint(QFont::SansSerif);
    contactFont.setPointSize(12);
    contactFont.setWeight(QFont::Normal);
    contact->setFont(contactFont);
    findChild<QWidget*>(QStringLiteral("Command3"))->setAutoFillBackground(true);
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
    offerNames(*findChild<QLineEdit*>(QStringLiteral("UNIT")), classNames);
    offerNames(*findChild<QLineEdit*>(QStringLiteral("NATION")), nationalities);
}

void EditorWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("MFILE"));
    QMenu* specials = file->addMenu(tr("&Specials"));
    specials->setObjectName(QStringLiteral("MSPEC"));
    profiItem_ = specials->addAction(tr("&Proffi"));
    profiItem_->setObjectName(QStringLiteral("MPROF"));
    profiItem_->setCheckable(true);
    QAction* exit = file->addAction(tr("E&xit"));
    exit->setObjectName(QStringLiteral("MEXIT"));

    QMenu* varnel = bar->addMenu(tr("&Varnel"));
    varnel->setObjectName(QStringLiteral("MTOM"));
    QAction* about = varnel->addAction(tr("About Varnel"));
    about->setObjectName(QStringLiteral("MTM"));

    connect(profiItem_, &QAction::triggered, this, [this] { toggleProfiMode(); });
    connect(exit, &QAction::triggered, this, [this] { close(); });
    connect(about, &QAction::triggered, this, [this] { showAboutPanel(); });
}

void EditorWindow::bindCommands() {
    const std::pair<const char*, void (*)(commands::Editor&)> bindings[] = {
        {"open1", commands::openFile},       {"ReadM", commands::readUnit},
        {"closeM", commands::closeFile},     {"Command1", commands::saveUnit},
        {"BACK", commands::lastUnit},        {"CreateB", commands::createUnit},
        {"PREVu", commands::previousUnit},   {"NEXTu", commands::nextUnit},
        {"Command2", commands::replaceUnit},
    };
    for (const auto& [name, command] : bindings) {
        auto* button = findChild<QAbstractButton*>(QLatin1String(name));
        connect(button, &QAbstractButton::clicked, this,
                [this, command = command] { run(command); });
    }
    connect(findChild<QAbstractButton*>(QStringLiteral("finish")), &QAbstractButton::clicked, this,
            [this] { close(); });
    connect(findChild<QAbstractButton*>(QStringLiteral("Command3")), &QAbstractButton::clicked,
            this, [this] { hideAboutPanel(); });
}

void EditorWindow::run(void (*command)(commands::Editor&)) {
    try {
        command(editor_);
    } catch (const std::exception& error) {
        commands::report(commands::Severity::Problem,
                         tr("The command stopped: %1").arg(QString::fromUtf8(error.what())));
    }
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    commands::closeForExit(editor_);
    event->accept();
}

void EditorWindow::toggleProfiMode() {
    // The mode has no state of its own: Freeze All can be changed exactly while it is on.
    commands::FormAccess& form = editor_.form();
    const char* const characters[] = {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6"};
    const char* const switches[] = {"SHIP", "CARRIER", "FORT", "AIR"};
    const bool switchingOn = !form.enabled("ALF");
    if (switchingOn) {
        form.setEnabled("CreateB", true);  // switching off leaves it to Close
    } else {
        form.setEnabled("Command2", false);
    }
    form.setEnabled("NATION", switchingOn);
    form.setEnabled("UNIT", switchingOn);
    form.setEnabled("SEA", switchingOn);
    form.setVisible("Text6", switchingOn);
    for (const char* name : characters) {
        form.setEnabled(name, switchingOn);
    }
    profiItem_->setChecked(switchingOn);
    if (switchingOn) {
        form.setEnabled("Command2", true);
    }
    for (const char* name : switches) {
        form.setEnabled(name, switchingOn);
    }
    form.setEnabled("ALF", switchingOn);
}

void EditorWindow::showAboutPanel() {
    auto* panel = findChild<QWidget*>(QStringLiteral("Ja"));
    if (!panel->isHidden()) {
        return;
    }
    focusBeforeAbout_ = QApplication::focusWidget();
    panel->show();
    panel->raise();
    findChild<QWidget*>(QStringLiteral("Command3"))->setFocus(Qt::OtherFocusReason);
}

void EditorWindow::hideAboutPanel() {
    findChild<QWidget*>(QStringLiteral("Ja"))->hide();
    if (focusBeforeAbout_ && focusBeforeAbout_->isEnabled() && focusBeforeAbout_->isVisible()) {
        focusBeforeAbout_->setFocus(Qt::OtherFocusReason);
    }
}

bool EditorWindow::focusNextPrevChild(bool next) {
    // While the About panel covers the window, the keyboard stays on the panel's button.
    if (!findChild<QWidget*>(QStringLiteral("Ja"))->isHidden()) {
        findChild<QWidget*>(QStringLiteral("Command3"))->setFocus(Qt::TabFocusReason);
        return true;
    }
    return QMainWindow::focusNextPrevChild(next);
}

}  // namespace varnel::form
