// The editor on the demo data, as a user meets it first: every unit reads back what the demo
// generator wrote, and an edit of every kind of field changes only that unit's field bytes.

#include <QDir>

#include "demo_units.h"
#include "support/unit_records.h"
#include "support/window_fixture.h"

namespace varnel::test {
namespace {

class DemoData : public WindowTest {
  protected:
    void SetUp() override {
        original = demo::demoEquipmentFile();
        names = demo::demoNameList();
        writeGameFiles(original, names);
    }
    std::string nameOf(int unit) {
        std::size_t start = 0;
        for (int n = 0; n < unit; ++n)
            start = names.find("\r\n", start) + 2;
        return names.substr(start, names.find("\r\n", start) - start);
    }
    Bytes original;
    std::string names;
};

TEST_F(DemoData, EveryUnitReadsBackTheBytesTheGeneratorWrote) {
    click("open1");
    EXPECT_EQ(text("NMBu"), "1");
    EXPECT_EQ(text("NAMEu"), QString::fromStdString(nameOf(1)));
    const int units = static_cast<int>((original.size() - 2) / 73);
    EXPECT_EQ(caption("MaxT1"), QString::number(units - 1));
    for (int n = 1; n < units; ++n) {
        SCOPED_TRACE(n);
        ASSERT_EQ(text("NMBu"), QString::number(n));
        const std::uint8_t* r = original.data() + 2 + 73 * n;
        EXPECT_EQ(text("Text8"), QString::number(r[offset::unitClass]));
        EXPECT_EQ(text("Soft1"), QString::number(r[offset::soft]));
        EXPECT_EQ(text("CD1"), QString::number(r[offset::clDef]));
        EXPECT_EQ(text("I1"), QString::number(r[offset::initiative]));
        EXPECT_EQ(text("A1"), QString::number(r[offset::ammo]));
        EXPECT_EQ(text("CASH2"), QString::number(12 * r[offset::cost]));
        EXPECT_EQ(text("DM1"), QString::number(r[offset::month]));
        EXPECT_EQ(text("DY1"), QString::number(r[offset::year]));
        EXPECT_EQ(text("Text7"), QString::number(r[30] + r[31] + r[32] + r[33]));
        EXPECT_EQ(text("Text10"), QString::number(r[offset::sw1]));
        EXPECT_EQ(text("Text11"), QString::number(r[offset::sw2]));
        EXPECT_EQ(shown("Text6"), r[offset::c1 + 5] != 0);
        EXPECT_EQ(text("NAMEu"), QString::fromStdString(nameOf(n)));
        click("NEXTu");
    }
    EXPECT_EQ(text("NMBu"), "1") << "the last unit steps on to 1";
    EXPECT_EQ(takeMessages(), QStringList());
    EXPECT_EQ(equipmentNow(), original) << "reading writes nothing";
}

TEST_F(DemoData, EditingEveryKindOfFieldChangesOnlyThatUnitsFieldBytes) {
    click("open1");
    trigger("MPROF");
    setText("NMBu", "7");
    click("ReadM");
    setText("Soft1", "17");
    setText("DY1", "44");
    setText("CASH2", "600");
    setText("UNIT", "Artillery");
    setText("NATION", "Norway");
    setTicked("SHIP", false);
    setTicked("CARRIER", false);
    setTicked("FORT", false);
    setTicked("AIR", false);
    setText("Text1", "Z");
    setText("NAMEu", "Field Guns 7");
    click("Command1");
    ASSERT_EQ(takeMessages(), QStringList());

    Bytes expected = original;
    std::uint8_t* r = expected.data() + 2 + 73 * 7;
    r[offset::unitNumber] = 7;
    r[offset::unitNumber + 1] = 0;
    r[offset::soft] = 17;
    r[offset::year] = 44;
    r[offset::cost] = 50;
    r[offset::unitClass] = 8;
    r[30] = 0, r[31] = 1, r[32] = 0, r[33] = 0;
    r[offset::sw1] = 1, r[offset::sw2] = 0;  // the default of the Artillery class
    r[offset::c1] = 'Z';
    EXPECT_EQ(equipmentNow(), expected);

    std::string expectedNames = names;
    const std::string old = nameOf(7);
    expectedNames.replace(expectedNames.find("\r\n" + old + "\r\n") + 2, old.size(),
                          "Field Guns 7");
    EXPECT_EQ(namesNow(), expectedNames);

    EXPECT_EQ(text("UNIT"), "Artillery");
    EXPECT_EQ(text("NATION"), "Norway");
    EXPECT_EQ(text("CASH2"), "600");
    EXPECT_EQ(text("NAMEu"), "Field Guns 7");
    EXPECT_FALSE(fileExists(folder().file("bck.TXT")));
}

TEST_F(DemoData, CreateUnitWithoutANameListStoresTheUnitAndSaysTheNameWasNot) {
    std::remove(folder().file("Equip97.txt").c_str());
    click("open1");
    takeMessages();
    click("CreateB");
    const QStringList reported = takeMessages();
    ASSERT_EQ(reported.size(), 1);
    EXPECT_TRUE(reported[0].contains("were saved, but its name was not"))
        << reported[0].toStdString();
    EXPECT_EQ(equipmentNow().size(), original.size() + 73);
    EXPECT_FALSE(fileExists(folder().file("Equip97.txt")));
}

}  // namespace
}  // namespace varnel::test
