// The table of all units, through the real windows: what it shows, its filter, sorting, going to a
// unit, copying, keeping up with the files, and the compare with another file.

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <set>

#include "form/unit_table_window.h"
#include "support/unit_records.h"
#include "support/window_fixture.h"

namespace varnel::test {
namespace {

class UnitTable : public WindowTest {
  protected:
    QWidget* table() { return window().findChild<QWidget*>(QStringLiteral("UnitTable")); }
    QTableView* view() { return table()->findChild<QTableView*>(QStringLiteral("unitTableView")); }
    QLineEdit* filter() { return table()->findChild<QLineEdit*>(QStringLiteral("unitFilter")); }
    QAbstractItemModel* rows() { return view()->model(); }

    void openTable() {
        trigger("actionUnitTable");
        ASSERT_NE(table(), nullptr);
        ASSERT_TRUE(table()->isVisible());
    }
    int column(const QString& label) {
        for (int c = 0; c < rows()->columnCount(); ++c) {
            if (rows()->headerData(c, Qt::Horizontal).toString() == label) {
                return c;
            }
        }
        ADD_FAILURE() << "no column " << label.toStdString();
        return 0;
    }
    QString cell(int row, const QString& label) {
        return rows()->index(row, column(label)).data().toString();
    }
    // The unit numbers of the rows, in the order shown.
    std::vector<int> unitsShown() {
        std::vector<int> units;
        for (int row = 0; row < rows()->rowCount(); ++row) {
            units.push_back(rows()->index(row, 0).data().toInt());
        }
        return units;
    }
    int rowOf(int unit) {
        for (int row = 0; row < rows()->rowCount(); ++row) {
            if (rows()->index(row, 0).data().toInt() == unit) {
                return row;
            }
        }
        return -1;
    }
    bool shaded(int row, const QString& label) {
        return rows()->index(row, column(label)).data(Qt::BackgroundRole).isValid();
    }
};

// Unit 2 has a class and a nationality without names; the last record lacks its final 2 bytes.
Bytes sampleFiles(int units) {
    std::vector<Bytes> records;
    for (int n = 0; n < units; ++n) {
        Unit unit = distinctUnit(n);
        unit.unitClass = n == 2 ? 99 : 2;
        unit.nation = n == 2 ? std::array<std::uint8_t, 4>{3, 3, 0, 0}
                             : std::array<std::uint8_t, 4>{0, 128, 0, 0};
        unit.soft = static_cast<std::uint8_t>(n == 1 ? 100 : n == 3 ? 9 : 10 + n);
        unit.cost = static_cast<std::uint8_t>(n);
        records.push_back(encodeRecord(unit, n));
    }
    Bytes file = makeEquipmentFile(static_cast<std::int16_t>(units), records);
    file.resize(file.size() - 2);
    return file;
}

TEST_F(UnitTable, ShowsEveryUnitOfBothFilesAndItsOwnCells) {
    writeGameFiles(sampleFiles(5), nameListText({"Zero", "One", "Two"}));  // two names short
    openAt("0");
    openTable();
    EXPECT_EQ(table()->windowTitle(), "5 of 5 units");
    EXPECT_EQ(unitsShown(), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(cell(1, "Name"), "One");
    EXPECT_EQ(cell(4, "Name"), "") << "a unit beyond the list has no name";
    EXPECT_EQ(cell(0, "Class"), "Tank");
    EXPECT_EQ(cell(2, "Class"), "99") << "a code without a name shows as the code";
    EXPECT_EQ(cell(0, "Nationality"), "Germany");
    EXPECT_EQ(cell(2, "Nationality"), "Unknown");
    EXPECT_EQ(cell(3, "Cost"), "36") << "the cost as the window shows it";
    EXPECT_EQ(cell(3, "Soft"), "9");
    EXPECT_EQ(cell(0, "C1"), "A");
    EXPECT_EQ(cell(4, "C1"), "E") << "the short last record still has its characters";
    EXPECT_EQ(rows()->columnCount(), 28);

    // A list longer than the units adds no rows.
    writeFile(folder().file("Equip97.txt"), nameListText({"a", "b", "c", "d", "e", "f", "g"}));
    click("ReadM");
    EXPECT_EQ(rows()->rowCount(), 5);
    EXPECT_EQ(cell(4, "Name"), "e");
}

TEST_F(UnitTable, FiltersByNameAndByTermsAndSaysWhatItCannotRead) {
    writeGameFiles(sampleFiles(6),
                   nameListText({"Tiger", "King Tiger", "Panther", "Puma", "tiger"}));
    openAt("0");
    openTable();
    const struct {
        const char* typed;
        std::vector<int> units;
    } cases[] = {
        {"tiger", {0, 1, 4}},        {"\"king tiger\"", {1}},
        {"soft>10", {1, 2, 4, 5}},   {"soft>=100", {1}},
        {"cost<24 soft!=9", {0, 1}}, {"class:tan nation=germany", {0, 1, 3, 4, 5}},
        {"class=99", {2}},           {"name:\"King T\"", {1}},
        {"tiger soft<=10", {0}},
    };
    for (const auto& each : cases) {
        filter()->setText(QString::fromUtf8(each.typed));
        EXPECT_EQ(unitsShown(), each.units) << each.typed;
        EXPECT_EQ(table()->windowTitle(), QStringLiteral("%1 of 6 units").arg(each.units.size()))
            << each.typed;
    }
    filter()->setText("soft>ten tiger");
    EXPECT_EQ(unitsShown(), (std::vector<int>{0, 1, 4})) << "the good terms still filter";
    EXPECT_TRUE(filter()->toolTip().contains("soft>ten")) << filter()->toolTip().toStdString();
    filter()->setText("");
    EXPECT_EQ(rows()->rowCount(), 6);
}

TEST_F(UnitTable, SortsNumbersAsNumbersAndGoesToAUnit) {
    writeGameFiles(sampleFiles(6), nameListText({"a", "b", "c", "d", "e", "f"}));
    openAt("0");
    openTable();
    view()->horizontalHeader()->setSortIndicator(column("Soft"), Qt::AscendingOrder);
    EXPECT_EQ(unitsShown(), (std::vector<int>{3, 0, 2, 4, 5, 1})) << "9 < 10 < 12 ... < 100";

    // Enter on a row, and a double-click, show the unit in the window.
    view()->setFocus();
    view()->setCurrentIndex(rows()->index(rowOf(4), 1));
    QTest::keyClick(view(), Qt::Key_Return);
    EXPECT_EQ(text("NMBu"), "4");
    EXPECT_EQ(text("NAMEu"), "e");
    const QModelIndex two = rows()->index(rowOf(2), 0);
    // A double-click as the window system delivers it: a click, then the second press.
    const QPoint at = view()->visualRect(two).center();
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(text("NAMEu"), "c");
    EXPECT_TRUE(takeMessages().isEmpty());

    // The table follows the window's unit.
    click("NEXTu");
    EXPECT_EQ(rows()->index(view()->currentIndex().row(), 0).data().toInt(), 3);
}

TEST_F(UnitTable, CopiesTheSelectedCellsWithTheirHeaders) {
    writeGameFiles(sampleFiles(4), nameListText({"a", "b", "c", "d"}));
    openAt("0");
    openTable();
    view()->setFocus();
    view()->selectionModel()->select(QItemSelection(rows()->index(1, 0), rows()->index(2, 1)),
                                     QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(view(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "Unit\tName\n1\tb\n2\tc\n");
}

TEST_F(UnitTable, KeepsUpWithEveryCommandAndWithOtherPrograms) {
    writeUnits(5);
    openAt("1");
    openTable();
    type("Soft1", "77");
    click("Command1");
    EXPECT_EQ(cell(1, "Soft"), "77");
    QFont font = rows()->index(1, 0).data(Qt::FontRole).value<QFont>();
    EXPECT_TRUE(font.bold()) << "changed since the file was opened";
    EXPECT_TRUE(shaded(1, "Soft"));
    EXPECT_FALSE(shaded(1, "Hard"));

    trigger("MPROF");
    click("CreateB");
    EXPECT_EQ(table()->windowTitle(), "6 of 6 units");
    setText("NMBu", "2");
    click("ReadM");
    setText("Text9", "4");
    click("Command2");
    EXPECT_EQ(cell(4, "Name"), "Name 2");
    trigger("actionUndo");
    EXPECT_EQ(cell(4, "Name"), "Name 4");
    trigger("actionUndo");
    trigger("actionUndo");
    EXPECT_EQ(table()->windowTitle(), "5 of 5 units");
    EXPECT_EQ(cell(1, "Soft"), QString::number(distinctUnit(1).soft));
    EXPECT_FALSE(rows()->index(1, 0).data(Qt::FontRole).value<QFont>().bold());

    // Another program renames unit 3: the table reads the list once the change has settled.
    std::string names = namesNow();
    names.replace(names.find("Name 3"), 6, "Theirs");
    writeFile(folder().file("Equip97.txt.new"), names);
    std::filesystem::rename(folder().file("Equip97.txt.new"), folder().file("Equip97.txt"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return cell(3, "Name") == "Theirs"; }, 5000));

    // Closed, the table is empty; opened again, nothing counts as changed any more.
    click("closeM");
    EXPECT_EQ(table()->windowTitle(), "0 of 0 units");
    openAt("1");
    EXPECT_EQ(table()->windowTitle(), "5 of 5 units");
    EXPECT_FALSE(rows()->index(3, 0).data(Qt::FontRole).value<QFont>().bold());
}

// The units the table marks as differing are the units varnel-tool diff lists.
TEST_F(UnitTable, ComparesWithAnotherFileAsDiffDoes) {
    const TempFolder other;
    writeUnitFiles(other, 7);
    Bytes mine = writeUnits(6);
    setByte(mine, 1, offset::soft, 200);
    setByte(mine, 4, 60, 9);  // a byte the table shows no column for
    writeFile(folder().file("Equip97.eqp"), mine);
    std::string names = namesNow();
    names.replace(names.find("Name 2"), 6, "Mine 2");
    writeFile(folder().file("Equip97.txt"), names);
    openAt("0");
    openTable();
    auto* table = static_cast<form::UnitTableWindow*>(this->table());
    table->setFileChooser([&](QWidget&, const QString&) {
        return QString::fromStdString(other.file("Equip97.eqp"));
    });
    table->findChild<QAction*>(QStringLiteral("actionCompareWith"))->trigger();
    EXPECT_EQ(rows()->rowCount(), 7) << "unit 6 is only in the other file";
    EXPECT_TRUE(shaded(1, "Soft"));
    EXPECT_EQ(rows()->index(1, column("Soft")).data(Qt::ToolTipRole).toString(),
              QStringLiteral("In Equip97.eqp: %1").arg(distinctUnit(1).soft));
    EXPECT_FALSE(shaded(1, "Hard"));

    filter()->setText("changed");
    const std::vector<int> marked = unitsShown();
    EXPECT_EQ(marked, (std::vector<int>{1, 2, 4, 6}));

    QProcess tool;
    tool.start(QStringLiteral(VARNEL_TOOL_PROGRAM),
               {"diff", QString::fromStdString(other.file("Equip97.eqp")),
                QString::fromStdString(folder().file("Equip97.eqp")), "--names",
                QString::fromStdString(other.file("Equip97.txt")),
                QString::fromStdString(folder().file("Equip97.txt"))});
    ASSERT_TRUE(tool.waitForFinished(10000));
    std::set<int> listed;
    for (const QString& line : QString::fromUtf8(tool.readAllStandardOutput()).split('\n')) {
        if (line.startsWith("unit ")) {
            listed.insert(line.section(' ', 1, 1).remove(':').toInt());
        }
    }
    EXPECT_EQ(std::vector<int>(listed.begin(), listed.end()), marked);
}

}  // namespace
}  // namespace varnel::test
