#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/equipment_image.h"
#include "data/name_list_image.h"
#include "unit_filter.h"

// Every unit of the open equipment file as a row, read whole from both files; it never writes. It
// marks what changed since the file was opened and, while another file is compared, what differs
// from that file.
namespace varnel::form {

// An equipment file and its name list as the table reads them: the bytes whole, the names decoded
// from the code page once.
class UnitSheet {
  public:
    UnitSheet() = default;
    // Whether the names are decoded from the code page once, for a sheet whose every name is
    // looked at (filtered, sorted), or each time one is asked for (the file as it was opened,
    // whose names are only compared).
    enum class Names { Decoded, OnDemand };
    // The two files' bytes; a list that could not be read is nullopt, and every name is empty.
    // Names whose bytes the earlier sheet holds on the same line are taken from it, not decoded
    // again.
    UnitSheet(std::string equipment, std::optional<std::string> list,
              const UnitSheet* earlier = nullptr, Names names = Names::Decoded);

    // The files as already held elsewhere (the editor keeps them as Open File found them); names
    // are decoded as they are asked for. Null stands for a file that could not be read.
    UnitSheet(std::shared_ptr<const data::EquipmentImage> equipment,
              std::shared_ptr<const data::NameListImage> list);

    std::int64_t units() const { return equipment_->units(); }
    const data::EquipmentImage& equipment() const { return *equipment_; }
    std::string_view record(std::int64_t unit) const { return equipment_->record(unit); }
    std::string_view nameBytes(std::int64_t unit) const {
        return names_ ? names_->nameOf(unit) : std::string_view();
    }
    QString name(std::int64_t unit) const;
    bool hasList() const { return names_ != nullptr; }
    // Whether the unit's record or name differ in other, or the unit is in one of the two only.
    bool unitDiffers(const UnitSheet& other, std::int64_t unit) const;

  private:
    std::shared_ptr<const data::EquipmentImage> equipment_ =
        std::make_shared<const data::EquipmentImage>(std::string());
    std::shared_ptr<const data::NameListImage> names_;
    std::vector<QString> decoded_;
};

class UnitTableModel : public QAbstractTableModel, public FilterSource {
    Q_OBJECT
  public:
    // The columns, in order: Unit, Name, Class, Nationality, the values by their labels with the
    // cost as the window shows it, Switches, C1 to C6.
    enum : int { kUnitColumn = 0, kNameColumn = 1, kClassColumn = 2, kNationalityColumn = 3 };
    static constexpr int kSortRole = Qt::UserRole;         // numbers as numbers, texts folded
    static constexpr int kDiffersRole = Qt::UserRole + 1;  // bool: the unit differs

    explicit UnitTableModel(QObject* parent = nullptr);

    // Shows another open file (or none: empty sheets), marking what differs from opened, the
    // files as Open File found them.
    void setFiles(UnitSheet now, std::optional<UnitSheet> opened);
    // Shows the open file as read again. Rows that stayed the same are left in place (a selection
    // and a sort stay), changed rows are announced in runs, and rows come and go at the end.
    void refresh(UnitSheet now);
    // Marks what differs from another file, whose units beyond this file's show as rows of their
    // own; nullopt stops comparing. otherName names it in tooltips.
    void compareWith(std::optional<UnitSheet> other, const QString& otherName);
    bool comparing() const { return other_.has_value(); }

    // The open file's units as shown.
    const UnitSheet& sheet() const { return now_; }
    // How many units the open file holds (rows of units only in the compared file not counted).
    std::int64_t units() const { return now_.units(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // FilterSource
    QString columnLabel(int column) const override;
    bool columnIsNumeric(int column) const override;
    int nameColumn() const override { return kNameColumn; }
    std::int64_t number(int row, int column) const override;
    QString text(int row, int column) const override;
    bool rowDiffers(int row) const override;
    int columnCount() const override { return columnCount(QModelIndex()); }

  private:
    // The cell as text, from the sheet given (the open file's or the compared file's).
    QString cellText(const UnitSheet& sheet, std::int64_t unit, int column) const;
    std::int64_t cellNumber(const UnitSheet& sheet, std::int64_t unit, int column) const;
    // The sheet a row shows: the open file's, or for a unit only the compared file has, that one.
    const UnitSheet& sheetOf(int row) const;
    bool differsFromOpened(std::int64_t unit) const;

    UnitSheet now_;
    std::optional<UnitSheet> opened_;
    std::optional<UnitSheet> other_;
    QString otherName_;
};

}  // namespace varnel::form
