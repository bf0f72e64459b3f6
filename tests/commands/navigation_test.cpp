// Next Unit, Previous Unit and Last: moving between units and back to the stored values.

#include <QRegularExpression>

#include "support/unit_records.h"
#include "support/window_fixture.h"

namespace varnel::test {
namespace {

class Navigate : public WindowTest {
  protected:
    // Adds unit n at the end of both files, as another program would.
    void appendUnit(int n) {
        Bytes file = equipmentNow();
        const Bytes added = unitRecord(n);
        file.insert(file.end(), added.begin(), added.end());
        writeFile(folder().file("Equip97.eqp"), file);
        writeFile(folder().file("Equip97.txt"),
                  namesNow() + nameListText({"Name " + std::to_string(n)}));
    }
    // The window shows the stored values of unit n.
    void expectShows(int n) {
        const Unit u = distinctUnit(n);
        EXPECT_EQ(text("NMBu"), QString::number(n));
        EXPECT_EQ(text("Soft1"), QString::number(u.soft));
        EXPECT_EQ(text("DY1"), QString::number(u.year));
        EXPECT_EQ(text("CASH2"), QString::number(12 * u.cost));
        EXPECT_EQ(text("Text8"), QString::number(u.unitClass));
        EXPECT_EQ(text("Text1"), QString(QChar(u.characters[0])));
        EXPECT_EQ(text("NAMEu"), "Name " + QString::number(n));
    }
};

TEST_F(Navigate, StepsAndWrapsPastUnitZero) {
    writeUnits(100);
    const Bytes original = equipmentNow();
    openAt("0");
    const std::tuple<const char*, const char*, int> cases[] = {
        {"99", "NEXTu", 1}, {"1", "PREVu", 99}, {"0", "NEXTu", 1},   {"0", "PREVu", 99},
        {"5", "NEXTu", 6},  {"5", "PREVu", 4},  {"98", "NEXTu", 99}, {" 7", "NEXTu", 8},
        {" 7", "PREVu", 6}, {"7.0", "NEXTu", 8}};
    for (const auto& [from, button, to] : cases) {
        SCOPED_TRACE(testing::Message() << button << " from \"" << from << "\"");
        setText("NMBu", from);
        setText("Soft1", "1");  // not saved first
        click(button);
        expectShows(to);
        EXPECT_EQ(caption("MaxT1"), "99");
    }
    EXPECT_EQ(takeMessages(), QStringList());
    EXPECT_EQ(equipmentNow(), original);
}

TEST_F(Navigate, AUnitAppendedBehindTheEditorsBackIsReachedAtOnce) {
    writeUnits(100);
    openAt("99");
    appendUnit(100);
    click("NEXTu");
    expectShows(100);
    EXPECT_EQ(caption("MaxT1"), "100");
    click("NEXTu");
    expectShows(1);
    click("PREVu");
    expectShows(100);
    EXPECT_EQ(takeMessages(), QStringList());
}

TEST_F(Navigate, ARefusedNumberChangesNothingButTheHighestUnit) {
    writeUnits(100);
    openAt("5");
    appendUnit(100);
    const std::pair<const char*, const char*> cases[] = {
        {"150", "There is no unit 150: this file holds units 0 to 100."},
        {"-1", "There is no unit -1: this file holds units 0 to 100."},
        {"abc", "The unit number \"abc\" is not a whole number."},
        {"2.5", "The unit number \"2.5\" is not a whole number."},
        {"", "The unit number is empty"}};
    for (const char* button : {"NEXTu", "PREVu"}) {
        for (const auto& [unit, words] : cases) {
            SCOPED_TRACE(testing::Message() << button << " from \"" << unit << "\"");
            setText("NMBu", unit);
            QStringList expected = formSnapshot();
            expected.replaceInStrings(QRegularExpression("^MaxT1=.*"), "MaxT1=100");
            click(button);
            EXPECT_EQ(formSnapshot(), expected);
            const QStringList reported = takeMessages();
            ASSERT_EQ(reported.size(), 1);
            EXPECT_TRUE(reported[0].startsWith(words)) << reported[0].toStdString();
        }
    }
}

TEST_F(Navigate, AFileOfOneUnitStaysOnUnitZeroAndAnEmptyFileIsRefused) {
    writeUnits(1);
    openAt("0");
    for (const char* button : {"NEXTu", "PREVu"}) {
        setText("Soft1", "1");
        click(button);
        expectShows(0);
        EXPECT_EQ(caption("MaxT1"), "0");
    }
    EXPECT_EQ(takeMessages(), QStringList());

    click("closeM");
    writeGameFiles(makeEquipmentFile(0, {}), "");
    openAt("0");
    for (const char* button : {"NEXTu", "PREVu"}) {
        const QStringList before = formSnapshot();
        click(button);
        EXPECT_EQ(formSnapshot(), before);
        EXPECT_EQ(takeMessages(), QStringList{"This file holds no units."});
    }
}

TEST_F(Navigate, FreezeCarriesTheValueFieldsToTheNextUnitWhereSaveStoresThem) {
    writeUnits(5);
    const std::string names = namesNow();
    openAt("1");
    setTicked("Freeze", true);
    click("NEXTu");
    const Unit one = distinctUnit(1);
    EXPECT_EQ(text("NMBu"), "2");
    EXPECT_EQ(text("Soft1"), QString::number(one.soft));
    EXPECT_EQ(text("CASH2"), QString::number(12 * one.cost));
    EXPECT_EQ(text("Text8"), QString::number(distinctUnit(2).unitClass));
    EXPECT_EQ(text("NAMEu"), "Name 2");
    click("Command1");
    Unit stored = one;  // the value fields and cost of unit 1, the rest of unit 2
    const Unit two = distinctUnit(2);
    stored.unitNumber = two.unitNumber;
    stored.unitClass = two.unitClass;
    stored.characters = two.characters;  // nationality and switches are alike in every unit
    EXPECT_EQ(equipmentNow(),
              makeEquipmentFile(5, {unitRecord(0), unitRecord(1), encodeRecord(stored, 2),
                                    unitRecord(3), unitRecord(4)}));
    EXPECT_EQ(namesNow(), names);
    EXPECT_EQ(takeMessages(), QStringList());
}

TEST_F(Navigate, FreezeAllCarriesEverythingButTheNameAndSaveStoresItThere) {
    Unit destroyer = distinctUnit(1);
    destroyer.unitClass = 15;
    destroyer.nation = {0, 0, 128, 0};
    destroyer.sw1 = 129;  // shows as Fort
    destroyer.sw2 = 1;
    destroyer.characters = {'B', 'e', 0, 0, 0, 0};
    Unit target = distinctUnit(2);
    target.characters = {'C', 'x', 'y', 0, 0, 'q'};
    writeGameFiles(
        makeEquipmentFile(3, {unitRecord(0), encodeRecord(destroyer, 1), encodeRecord(target, 2)}),
        nameListText({"Name 0", "Name 1", "Name 2"}));
    const std::string names = namesNow();
    openAt("1");
    trigger("MPROF");
    setTicked("ALF", true);
    QStringList expectedForm = formSnapshot();
    click("NEXTu");
    expectedForm.replaceInStrings("NMBu=1", "NMBu=2")
        .replaceInStrings("NAMEu=Name 1", "NAMEu=Name 2");
    EXPECT_EQ(formSnapshot(), expectedForm);

    click("Command1");
    Unit stored = destroyer;
    stored.unitNumber = 2;
    stored.characters = {'B', 'e', 'y', 0, 0, 'q'};  // empty texts keep their bytes
    EXPECT_EQ(equipmentNow(), makeEquipmentFile(3, {unitRecord(0), encodeRecord(destroyer, 1),
                                                    encodeRecord(stored, 2)}));
    EXPECT_EQ(namesNow(), names);
    EXPECT_EQ(takeMessages(), QStringList());
}

TEST_F(Navigate, LastRestoresTheStoredValuesAndLeavesTheHighestUnit) {
    writeUnits(100);
    openAt("3");
    const QStringList stored = formSnapshot();
    setText("Soft1", "250");
    setText("CASH2", "7");
    setText("UNIT", "Bomber");
    setText("NAMEu", "Edited");
    setTicked("SHIP", true);
    appendUnit(100);
    const Bytes file = equipmentNow();
    click("BACK");
    EXPECT_EQ(formSnapshot(), stored);
    EXPECT_EQ(caption("MaxT1"), "99");

    setText("NMBu", "5");
    click("BACK");
    expectShows(5);
    EXPECT_EQ(caption("MaxT1"), "99");
    EXPECT_EQ(equipmentNow(), file);
    EXPECT_EQ(takeMessages(), QStringList());
}

}  // namespace
}  // namespace varnel::test
