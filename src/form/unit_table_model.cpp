#include "unit_table_model.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QHash>
#include <array>

#include "commands/commands.h"
#include "commands/control_names.h"
#include "data/code_tables.h"
#include "data/unit_record.h"

namespace varnel::form {
namespace {

namespace c = controls;

// The columns after the four of the unit's identity: the value fields, the switches, the six
// characters.
constexpr int kFirstValueColumn = 4;
constexpr int kValueColumns = static_cast<int>(std::size(c::kValueControls));
constexpr int kSwitchesColumn = kFirstValueColumn + kValueColumns;
constexpr int kFirstCharacterColumn = kSwitchesColumn + 1;
constexpr int kColumnCount = kFirstCharacterColumn + data::kCharacterFieldCount;

// What changed since Open File: the pale amber of an edited field in the window. What differs
// from the compared file: a pale blue. A unit only the compared file has: grey text.
const QColor kChangedTint(255, 242, 196);
const QColor kDiffersShade(204, 226, 255);
const QColor kOnlyThereText(128, 128, 128);

bool isValueColumn(int column) {
    return column >= kFirstValueColumn && column < kSwitchesColumn;
}

const data::RecordField& valueField(int column) {
    return c::kValueControls[column - kFirstValueColumn].field;
}

// The class as the window's Type field names it, or its code where it has no name.
const QString& classText(std::uint8_t code) {
    static const std::array<QString, 256> texts = [] {
        std::array<QString, 256> all;
        for (int each = 0; each < 256; ++each) {
            const auto name = data::classNameOf(static_cast<std::uint8_t>(each));
            all[static_cast<std::size_t>(each)] =
                name ? QString::fromStdString(*name) : QString::number(each);
        }
        return all;
    }();
    return texts[code];
}

QString nationalityText(const data::NationBytes& bytes) {
    const auto name = data::nationalityNameOf(bytes);
    return name ? QString::fromStdString(*name) : QStringLiteral("Unknown");
}

QString switchesText(const data::Unit& unit) {
    const data::SwitchPair pair = unit.switches();
    const data::SwitchBoxes boxes = data::switchBoxesFor(pair.sw1, pair.sw2, unit.unitClass());
    QStringList words;
    const std::pair<bool, const char*> named[] = {{boxes.ship, "Ship"},
                                                  {boxes.carrier, "Carrier"},
                                                  {boxes.fort, "Fort"},
                                                  {boxes.air, "Air Tran"},
                                                  {boxes.sea, "Sea Tr"}};
    for (const auto& [ticked, word] : named) {
        if (ticked) {
            words << QString::fromLatin1(word);
        }
    }
    return words.join(QStringLiteral(", "));
}

}  // namespace

UnitSheet::UnitSheet(std::string equipment, std::optional<std::string> list,
                     const UnitSheet* earlier, Names names)
    : equipment_(std::make_shared<const data::EquipmentImage>(std::move(equipment))) {
    if (!list) {
        return;
    }
    if (earlier != nullptr && earlier->names_ && earlier->names_->bytes() == *list &&
        (names == Names::OnDemand || !earlier->decoded_.empty())) {
        names_ = earlier->names_;
        decoded_ = names == Names::Decoded ? earlier->decoded_ : std::vector<QString>();
        return;
    }
    names_ = std::make_shared<const data::NameListImage>(
        data::NameListImage::fromBytes(std::move(*list)));
    if (names == Names::OnDemand) {
        return;
    }
    decoded_.reserve(static_cast<std::size_t>(names_->lineCount()));
    for (std::int64_t line = 0; line < names_->lineCount(); ++line) {
        const std::string_view bytes = names_->nameOf(line);
        if (earlier != nullptr && !earlier->decoded_.empty() && earlier->nameBytes(line) == bytes) {
            decoded_.push_back(earlier->name(line));
        } else {
            QString decoded = commands::textFromCodePage(std::string(bytes));
            decoded.squeeze();  // a decoded text keeps room for twice its length otherwise
            decoded_.push_back(std::move(decoded));
        }
    }
}

UnitSheet::UnitSheet(std::shared_ptr<const data::EquipmentImage> equipment,
                     std::shared_ptr<const data::NameListImage> list)
    : names_(std::move(list)) {
    if (equipment) {
        equipment_ = std::move(equipment);
    }
}

QString UnitSheet::name(std::int64_t unit) const {
    if (unit < 0 || unit >= (names_ ? names_->lineCount() : 0)) {
        return {};
    }
    return decoded_.empty() ? commands::textFromCodePage(std::string(nameBytes(unit)))
                            : decoded_[static_cast<std::size_t>(unit)];
}

bool UnitSheet::unitDiffers(const UnitSheet& other, std::int64_t unit) const {
    if (unit >= units() || unit >= other.units()) {
        return true;
    }
    return record(unit) != other.record(unit) ||
           (hasList() && other.hasList() && nameBytes(unit) != other.nameBytes(unit));
}

UnitTableModel::UnitTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void UnitTableModel::setFiles(UnitSheet now, std::optional<UnitSheet> opened) {
    beginResetModel();
    now_ = std::move(now);
    opened_ = std::move(opened);
    endResetModel();
}

void UnitTableModel::refresh(UnitSheet now) {
    const int oldUnits = static_cast<int>(now_.units());
    const int newUnits = static_cast<int>(now.units());
    if (other_ && newUnits != oldUnits) {
        // Rows past the end of one file or the other change what they show: start afresh.
        beginResetModel();
        now_ = std::move(now);
        endResetModel();
        return;
    }
    std::vector<int> changed;
    for (int row = 0; row < std::min(oldUnits, newUnits); ++row) {
        if (now.record(row) != now_.record(row) || now.nameBytes(row) != now_.nameBytes(row)) {
            changed.push_back(row);
        }
    }
    const int oldRows = oldUnits;
    const int newRows = newUnits;
    if (newRows < oldRows) {
        beginRemoveRows({}, newRows, oldRows - 1);
        now_ = std::move(now);
        endRemoveRows();
    } else if (newRows > oldRows) {
        beginInsertRows({}, oldRows, newRows - 1);
        now_ = std::move(now);
        endInsertRows();
    } else {
        now_ = std::move(now);
    }
    for (std::size_t i = 0; i < changed.size();) {
        std::size_t end = i + 1;
        while (end < changed.size() && changed[end] == changed[end - 1] + 1) {
            ++end;
        }
        emit dataChanged(index(changed[i], 0), index(changed[end - 1], kColumnCount - 1));
        i = end;
    }
}

void UnitTableModel::compareWith(std::optional<UnitSheet> other, const QString& otherName) {
    beginResetModel();
    other_ = std::move(other);
    otherName_ = otherName;
    endResetModel();
}

int UnitTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    const std::int64_t rows = other_ ? std::max(now_.units(), other_->units()) : now_.units();
    return static_cast<int>(rows);
}

int UnitTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

const UnitSheet& UnitTableModel::sheetOf(int row) const {
    return row < now_.units() || !other_ ? now_ : *other_;
}

bool UnitTableModel::differsFromOpened(std::int64_t unit) const {
    return opened_ && unit < now_.units() && now_.unitDiffers(*opened_, unit);
}

bool UnitTableModel::rowDiffers(int row) const {
    return other_ ? now_.unitDiffers(*other_, row) : differsFromOpened(row);
}

QString UnitTableModel::columnLabel(int column) const {
    if (column == kUnitColumn) {
        return QStringLiteral("Unit");
    }
    if (column == kNameColumn) {
        return QStringLiteral("Name");
    }
    if (column == kClassColumn) {
        return QStringLiteral("Class");
    }
    if (column == kNationalityColumn) {
        return QStringLiteral("Nationality");
    }
    if (isValueColumn(column)) {
        return QString::fromLatin1(valueField(column).label);
    }
    if (column == kSwitchesColumn) {
        return QStringLiteral("Switches");
    }
    return QStringLiteral("C%1").arg(column - kFirstCharacterColumn + 1);
}

bool UnitTableModel::columnIsNumeric(int column) const {
    return column == kUnitColumn || isValueColumn(column);
}

std::int64_t UnitTableModel::cellNumber(const UnitSheet& sheet, std::int64_t unit,
                                        int column) const {
    if (column == kUnitColumn) {
        return unit;
    }
    return sheet.equipment().unit(unit).shownValue(valueField(column));
}

QString UnitTableModel::cellText(const UnitSheet& sheet, std::int64_t unit, int column) const {
    if (columnIsNumeric(column)) {
        return QString::number(cellNumber(sheet, unit, column));
    }
    if (column == kNameColumn) {
        return sheet.name(unit);
    }
    const data::Unit record = sheet.equipment().unit(unit);
    if (column == kClassColumn) {
        return classText(record.unitClass());
    }
    if (column == kNationalityColumn) {
        return nationalityText(record.nation());
    }
    if (column == kSwitchesColumn) {
        return switchesText(record);
    }
    const std::uint8_t code = record.character(column - kFirstCharacterColumn);
    return code == 0 ? QString()
                     : commands::textFromCodePage(std::string(1, static_cast<char>(code)));
}

std::int64_t UnitTableModel::number(int row, int column) const {
    return cellNumber(sheetOf(row), row, column);
}

QString UnitTableModel::text(int row, int column) const {
    return cellText(sheetOf(row), row, column);
}

QVariant UnitTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const int row = index.row();
    const int column = index.column();
    const bool onlyThere = row >= now_.units();  // a unit only the compared file has
    switch (role) {
        case Qt::DisplayRole:
            return text(row, column);
        case kSortRole:
            return columnIsNumeric(column) ? QVariant(static_cast<qlonglong>(number(row, column)))
                                           : QVariant(text(row, column).toCaseFolded());
        case kDiffersRole:
            return rowDiffers(row);
        case Qt::TextAlignmentRole:
            return columnIsNumeric(column) ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                           : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        case Qt::ForegroundRole:
            return onlyThere ? QVariant(QBrush(kOnlyThereText)) : QVariant();
        case Qt::FontRole:
            if (column == kUnitColumn && differsFromOpened(row)) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        case Qt::BackgroundRole:
            if (other_) {
                if (onlyThere || row >= other_->units()) {
                    return column == kUnitColumn ? QVariant(QBrush(kDiffersShade)) : QVariant();
                }
                if (cellText(now_, row, column) != cellText(*other_, row, column) ||
                    (column == kUnitColumn && now_.unitDiffers(*other_, row))) {
                    return QBrush(kDiffersShade);
                }
            }
            if (differsFromOpened(row) &&
                (column == kUnitColumn || row >= opened_->units() ||
                 cellText(now_, row, column) != cellText(*opened_, row, column))) {
                return QBrush(kChangedTint);
            }
            return {};
        case Qt::ToolTipRole:
            if (!other_) {
                return differsFromOpened(row) && column == kUnitColumn
                           ? tr("Changed since the file was opened.")
                           : QVariant();
            }
            if (onlyThere) {
                return tr("Unit %1 is only in %2.").arg(row).arg(otherName_);
            }
            if (row >= other_->units()) {
                return tr("Unit %1 is not in %2.").arg(row).arg(otherName_);
            }
            if (const QString there = cellText(*other_, row, column);
                there != cellText(now_, row, column)) {
                return tr("In %1: %2").arg(otherName_, there.isEmpty() ? tr("(empty)") : there);
            }
            if (column == kUnitColumn && now_.unitDiffers(*other_, row)) {
                return tr("Differs from %1 in bytes the table does not show.").arg(otherName_);
            }
            return {};
        default:
            return {};
    }
}

QVariant UnitTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        return columnLabel(section);
    }
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && isValueColumn(section)) {
        return tr("Byte %1 of the record").arg(valueField(section).offset);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

}  // namespace varnel::form
