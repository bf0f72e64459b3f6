#include "editor_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCompleter>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QStyleFactory>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <map>
#include <vector>

#include "commands/commands.h"
#include "commands/history.h"
#include "commands/report.h"
#include "control_table.h"
#include "data/code_tables.h"
#include "data/system_files.h"
#include "file_pairs.h"
#include "hints.h"
#include "shortcuts.h"
#include "unit_table_window.h"

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

// The fields whose edits the status bar names until they are saved, by the words the window shows
// beside them, in the order the status bar lists them.
struct EditedField {
    controls::Control control;
    const char* caption;
};
const std::vector<EditedField>& editedFields() {
    static const std::vector<EditedField> fields = [] {
        std::vector<EditedField> all = {
            {c::kUnitName, "Name"}, {c::kClassName, "Type"}, {c::kNationality, "Nationality"}};
        for (const c::ValueControl& value : c::kValueControls) {
            all.push_back({value.control, value.field.label});
        }
        all.insert(all.end(), {{c::kShip, "Ship"},
                               {c::kCarrier, "Carrier"},
                               {c::kFort, "Fort"},
                               {c::kAir, "Air Tran"},
                               {c::kSea, "Sea Tr"}});
        const char* const characters[] = {"C1", "C2", "C3", "C4", "C5", "C6"};
        for (int i = 0; i < data::kCharacterFieldCount; ++i) {
            all.push_back({c::kCharacters[i], characters[i]});
        }
        return all;
    }();
    return fields;
}

// A pale amber behind a field that holds an edit not yet saved: seen at a glance, yet the text
// stays as readable as on white.
const QColor kEditedTint(255, 242, 196);

}  // namespace

EditorWindow::EditorWindow(QWidget* parent) : QMainWindow(parent), editor_(*this) {
    setObjectName(QString::fromLatin1(kWindowName));
    setWindowTitle(QString::fromUtf8(kWindowCaption));
    buildControls();
    buildMenus();
    buildStatusBar();
    bindCommands();
    bindKeys();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    control(c::kOpenFile).setFocus(Qt::OtherFocusReason);
    chooseFile_ = [](QWidget& owner, const QString& startFolder) {
        return QFileDialog::getOpenFileName(
            &owner, tr("Open Files"), startFolder,
            tr("Equipment files (*.eqp *.EQP *.Eqp);;All files (*)"));
    };
    editor_.shown().setOnChange([this] {
        if (!running_) {
            editedSinceCommand_ = true;
            showStatus();
        }
    });
    showStatus();
    applyHints(*this);
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
    QAction* openFilesItem = file->addAction(tr("&Open Files\u2026"));
    openFilesItem->setObjectName(QStringLiteral("actionOpenFiles"));
    openFilesItem->setShortcut(QKeySequence(QString::fromLatin1(kOpenFilesKey)));
    QMenu* specials = file->addMenu(tr("&Specials"));
    specials->setObjectName(QLatin1String(c::kSpecialsMenu.name));
    profiItem_ = specials->addAction(tr("&Proffi"));
    profiItem_->setObjectName(QLatin1String(c::kProfiItem.name));
    profiItem_->setCheckable(true);
    QAction* exit = file->addAction(tr("E&xit"));
    exit->setObjectName(QLatin1String(c::kExitItem.name));

    QMenu* edit = bar->addMenu(tr("&Edit"));
    edit->setObjectName(QStringLiteral("menuEdit"));
    undoItem_ = edit->addAction(tr("&Undo"));
    undoItem_->setObjectName(QStringLiteral("actionUndo"));
    undoItem_->setShortcut(QKeySequence(QString::fromLatin1(kUndoKey)));
    redoItem_ = edit->addAction(tr("&Redo"));
    redoItem_->setObjectName(QStringLiteral("actionRedo"));
    QList<QKeySequence> redoKeys;
    for (const char* key : kRedoKeys) {
        redoKeys << QKeySequence(QString::fromLatin1(key));
    }
    redoItem_->setShortcuts(redoKeys);
    const QUndoStack& history = editor_.history();
    const auto nameUndoRedo = [this, &history] {
        undoItem_->setEnabled(history.canUndo());
        undoItem_->setText(history.canUndo() ? tr("&Undo %1").arg(history.undoText())
                                             : tr("&Undo"));
        redoItem_->setEnabled(history.canRedo());
        redoItem_->setText(history.canRedo() ? tr("&Redo %1").arg(history.redoText())
                                             : tr("&Redo"));
    };
    connect(&history, &QUndoStack::indexChanged, this, nameUndoRedo);
    connect(&history, &QUndoStack::cleanChanged, this, nameUndoRedo);
    connect(&history, &QUndoStack::undoTextChanged, this, nameUndoRedo);
    connect(&history, &QUndoStack::redoTextChanged, this, nameUndoRedo);
    nameUndoRedo();

    QMenu* view = bar->addMenu(tr("&View"));
    view->setObjectName(QStringLiteral("menuView"));
    QAction* tableItem = view->addAction(tr("Unit &Table"));
    tableItem->setObjectName(QStringLiteral("actionUnitTable"));
    tableItem->setShortcut(QKeySequence(QString::fromLatin1(kUnitTableKey)));
    connect(tableItem, &QAction::triggered, this, [this] { showUnitTable(); });

    QMenu* varnel = bar->addMenu(tr("&Varnel"));
    varnel->setObjectName(QLatin1String(c::kVarnelMenu.name));
    QAction* about = varnel->addAction(tr("About Varnel"));
    about->setObjectName(QLatin1String(c::kAboutItem.name));

    connect(openFilesItem, &QAction::triggered, this, [this] { openFiles(); });
    connect(undoItem_, &QAction::triggered, this, [this] { run(commands::undoLast); });
    connect(redoItem_, &QAction::triggered, this, [this] { run(commands::redoNext); });
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
    running_ = true;
    editor_.setOutcome({});
    const std::uint64_t problemsBefore = commands::problemsReported();
    try {
        command(editor_);
    } catch (const std::exception& error) {
        commands::report(commands::Severity::Problem,
                         tr("The command stopped: %1").arg(commands::textFromPath(error.what())));
    }
    running_ = false;
    if (!editor_.outcome().isEmpty()) {
        outcome_ = editor_.outcome();
    } else if (commands::problemsReported() != problemsBefore) {
        outcome_ = tr("Nothing was changed.");
    }
    editedSinceCommand_ = false;
    showStatus();
    if (table_ != nullptr && table_->isVisible()) {
        table_->refresh(editor_.shown().unit());
    }
}

void EditorWindow::showUnitTable() {
    if (table_ == nullptr) {
        table_ = new UnitTableWindow(editor_, this);
        connect(table_, &UnitTableWindow::goToUnit, this, [this](qint64 unit) { showUnit(unit); });
    }
    table_->refresh(editor_.shown().unit());
    table_->show();
    table_->raise();
    table_->activateWindow();
}

void EditorWindow::showUnit(std::int64_t unit) {
    if (!editor_.form().enabled(c::kRead)) {
        return;  // no file open: nothing to read
    }
    editor_.form().setText(c::kUnitNumber, QString::number(unit));
    run(commands::readUnit);
    raise();
    activateWindow();
}

void EditorWindow::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setSizeGripEnabled(false);
    auto* lines = new QWidget(bar);
    auto* column = new QVBoxLayout(lines);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    // The path is a text that can be selected and copied, never typed into; it takes no focus,
    // so the keyboard's way through the window is as before.
    statusFile_ = new QLineEdit(lines);
    statusFile_->setObjectName(QStringLiteral("statusFile"));
    statusFile_->setReadOnly(true);
    statusFile_->setFrame(false);
    statusFile_->setFocusPolicy(Qt::NoFocus);
    QPalette plain = statusFile_->palette();
    plain.setColor(QPalette::Base, plain.color(QPalette::Window));
    statusFile_->setPalette(plain);
    statusMessage_ = new QLabel(lines);
    statusMessage_->setObjectName(QStringLiteral("statusMessage"));
    statusMessage_->setWordWrap(true);
    // Two lines always, so that a longer message never changes the window's height.
    statusMessage_->setFixedHeight(statusMessage_->fontMetrics().lineSpacing() * 2 + 2);
    statusMessage_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    column->addWidget(statusFile_);
    column->addWidget(statusMessage_);
    // The two lines take the whole bar; the bar's own message (currentMessage(), which
    // accessibility tools read) holds the same text as the second line.
    bar->addPermanentWidget(lines, 1);
}

void EditorWindow::showStatus() {
    if (const data::EquipmentFile* file = editor_.file()) {
        const QString path = commands::textFromPath(file->path());
        statusFile_->setText(file->readOnly() ? tr("%1 (read-only)").arg(path) : path);
        statusFile_->setToolTip(
            file->readOnly() ? tr("The open equipment file, which may only be read: %1").arg(path)
                             : tr("The open equipment file: %1").arg(path));
    } else {
        statusFile_->setText(tr("No file open"));
        statusFile_->setToolTip(tr("No equipment file is open."));
    }
    statusFile_->end(false);  // the file's own name, at the end, is what shows

    QStringList edited;
    commands::ShownValues& shown = editor_.shown();
    for (const EditedField& field : editedFields()) {
        QWidget& widget = control(field.control);
        const bool isEdited = shown.edited(field.control);
        if (isEdited) {
            edited << QString::fromLatin1(field.caption);
        }
        if (isEdited != (widget.palette().resolveMask() != 0 &&
                         widget.palette().color(QPalette::Base) == kEditedTint)) {
            QPalette tinted;
            if (isEdited) {
                tinted = widget.palette();
                tinted.setColor(QPalette::Base, kEditedTint);
            }
            widget.setPalette(tinted);
        }
    }
    const QString notSaved =
        edited.isEmpty() ? QString() : tr("Not saved: %1").arg(edited.join(QStringLiteral(", ")));
    if (editedSinceCommand_ || outcome_.isEmpty()) {
        statusMessage_->setText(notSaved);
    } else {
        statusMessage_->setText(notSaved.isEmpty() ? outcome_
                                                   : outcome_ + QLatin1Char(' ') + notSaved);
    }
    statusBar()->showMessage(statusMessage_->text());
}

void EditorWindow::openFiles() {
    const QString current = commands::textFromPath(
        data::resolvePath(commands::pathFromText(editor_.form().text(c::kEquipmentFile))));
    const QString chosen = chooseFile_(*this, QFileInfo(current).absolutePath());
    if (chosen.isEmpty()) {
        return;
    }
    // Another file takes the place of the open one, as after Close and Open File.
    if (editor_.file() != nullptr) {
        run(commands::closeFile);
    }
    const QFileInfo equipment(chosen);
    editor_.form().setText(c::kEquipmentFile, equipment.absoluteFilePath());
    editor_.form().setText(c::kNameList, listBeside(equipment));
    run(commands::openFile);
}

void EditorWindow::bindKeys() {
    for (const ButtonKey& key : kButtonKeys) {
        auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(key.key)), this);
        // A key does what a click does: nothing while the button is disabled (click() is then
        // ignored), or while the About panel covers the buttons.
        connect(shortcut, &QShortcut::activated, this, [this, button = key.button] {
            if (control(c::kAboutPanel).isHidden()) {
                this->button(button).click();
            }
        });
    }
    auto* unitNumber = static_cast<QLineEdit*>(&control(c::kUnitNumber));
    connect(unitNumber, &QLineEdit::returnPressed, this, [this] { button(c::kRead).click(); });

    QWidget* panel = &control(c::kAboutPanel);
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::Key_Return),
                                    QKeySequence(Qt::Key_Enter), QKeySequence(Qt::Key_Space)}) {
        auto* shortcut = new QShortcut(key, panel);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this] { hideAboutPanel(); });
    }

    // Ctrl+Z in a text field takes back the typing first; once the field has nothing left to take
    // back, it takes back the last change to the files.
    for (const ControlSpec& row : controlTable()) {
        if (row.kind == Kind::TextField) {
            control(row.name).installEventFilter(this);
        }
    }
}

bool EditorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* field = qobject_cast<QLineEdit*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (field != nullptr && ((key->matches(QKeySequence::Undo) && !field->isUndoAvailable()) ||
                                 (key->matches(QKeySequence::Redo) && !field->isRedoAvailable()))) {
            return true;  // not taken by the field: the window's undo and redo keys get it
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    if (table_ != nullptr) {
        table_->close();  // the program ends with this window
    }
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
