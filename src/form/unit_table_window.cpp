#include "unit_table_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QToolBar>
#include <algorithm>
#include <map>
#include <set>

#include "commands/commands.h"
#include "commands/report.h"
#include "data/error.h"
#include "data/whole_file.h"
#include "file_pairs.h"

namespace varnel::form {
namespace {

// A file's bytes, or nullopt when it cannot be read (missing, a folder, no permission).
std::optional<std::string> bytesOf(const std::string& path, const char* what) {
    try {
        return data::readWholeFile(path, what);
    } catch (const data::Error&) {
        return std::nullopt;
    }
}

}  // namespace

UnitTableProxy::UnitTableProxy(UnitTableModel& model, QObject* parent)
    : QSortFilterProxyModel(parent), model_(model) {
    setSourceModel(&model);
    setSortRole(UnitTableModel::kSortRole);
}

void UnitTableProxy::setFilter(UnitFilter filter) {
    filter_ = std::move(filter);
    // Filtered afresh as one change of layout: a filter that keeps every other unit would
    // otherwise be announced as thousands of removed ranges, each of which the view's header
    // handles by walking all its sections.
    invalidate();
}

bool UnitTableProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    return filter_.accepts(model_, sourceRow);
}

bool UnitTableProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const int column = left.column();
    if (model_.columnIsNumeric(column)) {
        return model_.number(left.row(), column) < model_.number(right.row(), column);
    }
    const int order = model_.text(left.row(), column)
                          .compare(model_.text(right.row(), column), Qt::CaseInsensitive);
    // Equal texts keep the units in their order.
    return order != 0 ? order < 0 : left.row() < right.row();
}

UnitTableWindow::UnitTableWindow(commands::Editor& editor, QWidget* parent)
    : QMainWindow(parent, Qt::Window), editor_(editor), proxy_(model_) {
    setObjectName(QStringLiteral("UnitTable"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    QToolBar* bar = addToolBar(tr("Find"));
    bar->setObjectName(QStringLiteral("unitTableBar"));
    bar->setMovable(false);
    bar->addWidget(new QLabel(tr("Filter: "), bar));
    filter_ = new QLineEdit(bar);
    filter_->setObjectName(QStringLiteral("unitFilter"));
    filter_->setClearButtonEnabled(true);
    filter_->setPlaceholderText(tr("tiger   class:tank cost>=200 nation=Germany   changed"));
    filter_->setMinimumWidth(320);
    bar->addWidget(filter_);
    QAction* compare = bar->addAction(tr("Compare with\u2026"));
    compare->setObjectName(QStringLiteral("actionCompareWith"));
    compare->setToolTip(
        tr("Opens another equipment file (and the name list beside it) to compare "
           "with, read-only: cells that differ are shaded, with that file's value "
           "in their tooltip. The filter term changed keeps the units that "
           "differ."));
    stopComparing_ = bar->addAction(tr("Stop Comparing"));
    stopComparing_->setObjectName(QStringLiteral("actionStopComparing"));
    stopComparing_->setEnabled(false);

    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("unitTableView"));
    view_->setModel(&proxy_);
    view_->setSortingEnabled(true);
    view_->sortByColumn(UnitTableModel::kUnitColumn, Qt::AscendingOrder);
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->setSelectionBehavior(QAbstractItemView::SelectItems);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setWordWrap(false);
    view_->horizontalHeader()->setHighlightSections(false);
    view_->horizontalHeader()->setResizeContentsPrecision(200);
    view_->installEventFilter(this);
    setCentralWidget(view_);
    resize(900, 520);

    chooseFile_ = [](QWidget& owner, const QString& startFolder) {
        return QFileDialog::getOpenFileName(
            &owner, tr("Compare with"), startFolder,
            tr("Equipment files (*.eqp *.EQP *.Eqp);;All files (*)"));
    };

    connect(filter_, &QLineEdit::textChanged, this, [this] { applyFilter(); });
    connect(compare, &QAction::triggered, this, [this] {
        const QString start =
            editor_.file() != nullptr
                ? QFileInfo(commands::textFromPath(editor_.file()->path())).absolutePath()
                : QString();
        const QString chosen = chooseFile_(*this, start);
        if (!chosen.isEmpty()) {
            compareWith(chosen);
        }
    });
    connect(stopComparing_, &QAction::triggered, this, [this] {
        model_.compareWith(std::nullopt, {});
        stopComparing_->setEnabled(false);
        applyFilter();
    });
    connect(view_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { goTo(index); });
    connect(&proxy_, &QAbstractItemModel::rowsInserted, this, [this] { showCount(); });
    connect(&proxy_, &QAbstractItemModel::rowsRemoved, this, [this] { showCount(); });
    connect(&proxy_, &QAbstractItemModel::modelReset, this, [this] { showCount(); });
    connect(&proxy_, &QAbstractItemModel::layoutChanged, this, [this] { showCount(); });

    // Another program writes a file in several steps, and replaces the list by renaming a new one
    // over it: the table reads both once the writing has settled.
    settle_.setSingleShot(true);
    settle_.setInterval(50);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { settle_.start(); });
    connect(&settle_, &QTimer::timeout, this, [this] { refresh(editor_.shown().unit()); });
    showCount();
}

void UnitTableWindow::refresh(std::optional<std::int64_t> unit) {
    const commands::OpenedFiles& opened = editor_.opened();
    data::EquipmentFile* file = editor_.file();
    if (file == nullptr) {
        shownOpen_ = 0;
        model_.setFiles(UnitSheet(), std::nullopt);
    } else {
        UnitSheet now(bytesOf(file->path(), "equipment file").value_or(std::string()),
                      bytesOf(commands::nameListPath(editor_.form()), "name list"),
                      opened.serial == shownOpen_ ? &model_.sheet() : nullptr);
        if (opened.serial == shownOpen_) {
            model_.refresh(std::move(now));  // the sheet shown lent the names that stayed
        } else {
            shownOpen_ = opened.serial;
            model_.setFiles(std::move(now), UnitSheet(opened.equipment, opened.list));
            // Widths from the first rows only: measuring every row of a large file takes long.
            view_->resizeColumnsToContents();
        }
    }
    watchFiles();
    showCount();
    if (unit && *unit >= 0 && *unit < model_.units()) {
        const QModelIndex at = proxy_.mapFromSource(model_.index(static_cast<int>(*unit), 0));
        if (at.isValid() && view_->currentIndex().row() != at.row()) {
            view_->setCurrentIndex(at);
            view_->scrollTo(at);
        }
    }
}

void UnitTableWindow::watchFiles() {
    QStringList wanted;
    if (editor_.file() != nullptr) {
        wanted << commands::textFromPath(editor_.file()->path())
               << commands::textFromPath(commands::nameListPath(editor_.form()));
    }
    // A file replaced by a rename (as every change replaces the list) leaves the watch on the
    // file it was: each path is watched afresh, on the file it names now.
    if (!watcher_.files().isEmpty()) {
        watcher_.removePaths(watcher_.files());
    }
    for (const QString& path : wanted) {
        if (QFileInfo::exists(path)) {
            watcher_.addPath(path);
        }
    }
}

void UnitTableWindow::compareWith(const QString& path) {
    const QFileInfo equipment(path);
    const std::string equipmentPath = commands::pathFromText(equipment.absoluteFilePath());
    std::optional<std::string> bytes;
    try {
        bytes = data::readWholeFile(equipmentPath, "equipment file");
    } catch (const data::Error& error) {
        commands::report(
            commands::Severity::Problem,
            commands::textFromPath(error.what()) + tr(" The table compares with nothing new."));
        return;
    }
    auto list = bytesOf(commands::pathFromText(listBeside(equipment)), "name list");
    // Its names are decoded as they are shown: only its own units' rows are ever filtered by them.
    model_.compareWith(
        UnitSheet(std::move(*bytes), std::move(list), nullptr, UnitSheet::Names::OnDemand),
        equipment.fileName());
    stopComparing_->setEnabled(true);
    applyFilter();
}

void UnitTableWindow::applyFilter() {
    const UnitFilter filter = UnitFilter::parse(filter_->text(), model_);
    const QStringList& problems = filter.problems();
    filter_->setToolTip(problems.isEmpty() ? tr("Plain words find names; label op value terms "
                                                "(= != < <= > >= and : for holds) narrow by "
                                                "any column; changed keeps the units that "
                                                "differ. All terms must hold.")
                                           : problems.join(QLatin1Char('\n')));
    QPalette palette = filter_->palette();
    palette.setColor(QPalette::Text, problems.isEmpty()
                                         ? QApplication::palette().color(QPalette::Text)
                                         : QColor(176, 0, 0));
    filter_->setPalette(palette);
    proxy_.setFilter(filter);
    showCount();
}

void UnitTableWindow::showCount() {
    setWindowTitle(tr("%1 of %2 units").arg(proxy_.rowCount()).arg(model_.rowCount()));
}

void UnitTableWindow::goTo(const QModelIndex& index) {
    const QModelIndex current = proxy_.mapToSource(index);
    if (current.isValid() && current.row() < model_.units()) {
        emit goToUnit(current.row());
    }
}

void UnitTableWindow::copySelection() const {
    const QModelIndexList selected = view_->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        return;
    }
    // The selected cells as a grid: the rows and columns in the order shown, a cell not selected
    // left empty, and the columns' headers first.
    std::set<int> rows;
    std::set<int> columns;
    std::set<std::pair<int, int>> cells;
    for (const QModelIndex& index : selected) {
        const int column = view_->horizontalHeader()->visualIndex(index.column());
        rows.insert(index.row());
        columns.insert(column);
        cells.insert({index.row(), column});
    }
    QString text;
    QStringList line;
    for (const int column : columns) {
        line << model_.columnLabel(view_->horizontalHeader()->logicalIndex(column));
    }
    text += line.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const int row : rows) {
        line.clear();
        for (const int column : columns) {
            const int logical = view_->horizontalHeader()->logicalIndex(column);
            line << (cells.count({row, column}) != 0 ? proxy_.index(row, logical).data().toString()
                                                     : QString());
        }
        text += line.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    QGuiApplication::clipboard()->setText(text);
}

bool UnitTableWindow::eventFilter(QObject* watched, QEvent* event) {
    // The view's own Ctrl+C copies one cell without its header: the selection is copied instead.
    if (watched == view_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            goTo(view_->currentIndex());
            return true;
        }
        if (key->matches(QKeySequence::Copy)) {
            copySelection();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace varnel::form
