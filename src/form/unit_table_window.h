#pragma once

#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QSortFilterProxyModel>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>

#include "commands/editor.h"
#include "unit_filter.h"
#include "unit_table_model.h"

class QLineEdit;
class QTableView;
class QAction;

namespace varnel::form {

// The rows the filter lets pass, sorted by a column: numbers as numbers, texts in any case.
class UnitTableProxy : public QSortFilterProxyModel {
  public:
    explicit UnitTableProxy(UnitTableModel& model, QObject* parent = nullptr);
    void setFilter(UnitFilter filter);

  protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

  private:
    UnitTableModel& model_;
    UnitFilter filter_;
};

// Every unit of the open file at a glance, beside the editor's window: found, sorted, filtered
// and compared with another file. It reads the files, never writes them.
class UnitTableWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit UnitTableWindow(commands::Editor& editor, QWidget* parent = nullptr);

    // Reads both files again (or anew, when another file has been opened or closed since), and
    // makes the current row that of unit, the unit the editor shows.
    void refresh(std::optional<std::int64_t> unit);

    // Asks for the file to compare with; an empty text when the user cancels. A file dialog
    // unless replaced (tests choose without one).
    using FileChooser = std::function<QString(QWidget& parent, const QString& startFolder)>;
    void setFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
    // Compares with the equipment file at path and the name list beside it, read-only.
    void compareWith(const QString& path);

    UnitTableModel& model() { return model_; }

  signals:
    // The user asked to see unit in the editor's window.
    void goToUnit(qint64 unit);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void applyFilter();
    void showCount();
    void copySelection() const;
    void goTo(const QModelIndex& index);
    void watchFiles();

    commands::Editor& editor_;
    UnitTableModel model_;
    UnitTableProxy proxy_;
    QTableView* view_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QAction* stopComparing_ = nullptr;
    QFileSystemWatcher watcher_;
    QTimer settle_;  // a file changed on disk: read it once the writing is done
    FileChooser chooseFile_;
    // Which open of a file the table shows: another open, or a close, starts it afresh.
    std::uint64_t shownOpen_ = 0;
};

}  // namespace varnel::form
