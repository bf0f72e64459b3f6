// Replace: the shown unit copied over the unit whose number stands in Text9, in Profi mode.

#include <sys/stat.h>

#include "support/unit_records.h"
#include "support/window_fixture.h"

namespace varnel::test {
namespace {

class ReplaceUnit : public WindowTest {
  protected:
    // 40 units that a Save of the form as Read left it writes back byte for byte (class Tank,
    // whose switch default is the stored (1, 0), and a named nationality), names "Name n".
    void SetUp() override {
        names = unitNames(40);
        equipment = writeUnits(40, unitRecords([](Unit& unit, int) { unit.unitClass = 2; }));
        trigger("MPROF");
    }
    // The file after offsets 0 to 70 of record s went over record t, which then got number t.
    Bytes replaced(int s, int t) {
        Bytes expected = equipment;
        std::copy_n(equipment.begin() + 2 + 73 * s, 71, expected.begin() + 2 + 73 * t);
        setWord(expected, 2 + 73 * t + offset::unitNumber, t);
        return expected;
    }
    std::string namesWith(int unit, const std::string& name) {
        std::vector<std::string> lines = names;
        lines[unit] = name;
        return nameListText(lines);
    }

    Bytes equipment;
    std::vector<std::string> names;
};

TEST_F(ReplaceUnit, CopiesTheShownUnitOverTheTargetAndShowsTheTarget) {
    ASSERT_EQ(openAt("12"), QStringList());
    setText("Text9", "30");
    setText("Soft1", "77");
    setText("NAMEu", "Renamed");
    click("Command2");
    EXPECT_EQ(takeMessages(), QStringList());

    Bytes expected = replaced(12, 30);
    setByte(expected, 30, offset::soft, 77);
    EXPECT_EQ(equipmentNow(), expected) << "offsets 71, 72 of unit 30 and all of unit 12 kept";
    EXPECT_EQ(namesNow(), namesWith(30, "Renamed"));
    EXPECT_EQ(text("NMBu"), "30");
    EXPECT_EQ(text("HLP1"), "30");
    EXPECT_EQ(text("Soft1"), "77");
    EXPECT_EQ(text("Text1"), QString(QChar('A' + 12)));
    EXPECT_EQ(text("NAMEu"), "Renamed");
    EXPECT_EQ(caption("MaxT1"), "39");
}

TEST_F(ReplaceUnit, TheTargetNumberReachesNMBuAsTyped) {
    ASSERT_EQ(openAt("12"), QStringList());
    setText("Text9", " 30");
    click("Command2");
    EXPECT_EQ(takeMessages(), QStringList());
    EXPECT_EQ(equipmentNow(), replaced(12, 30));
    EXPECT_EQ(namesNow(), namesWith(30, "Name 12"));
    EXPECT_EQ(text("NMBu"), " 30");
    EXPECT_EQ(text("Text9"), " 30");
}

TEST_F(ReplaceUnit, ReplacingTheShownUnitItselfIsASave) {
    ASSERT_EQ(openAt("12"), QStringList());
    setText("Text9", "12");
    setText("Soft1", "77");
    setText("NAMEu", "Renamed");
    click("Command2");
    EXPECT_EQ(takeMessages(), QStringList());
    Bytes expected = equipment;
    setByte(expected, 12, offset::soft, 77);
    EXPECT_EQ(equipmentNow(), expected);
    EXPECT_EQ(namesNow(), namesWith(12, "Renamed"));
    EXPECT_EQ(text("NMBu"), "12");
}

TEST_F(ReplaceUnit, RefusesATargetOutsideTheFileAndWritesNothing) {
    ASSERT_EQ(openAt("12"), QStringList());
    const std::pair<const char*, const char*> refused[] = {
        {"40", "There is no unit 40 to replace: this file holds units 0 to 39."},
        {"-1", "There is no unit -1 to replace: this file holds units 0 to 39."},
        {"abc", "The unit number \"abc\" is not a whole number."},
        {"2.5", "The unit number \"2.5\" is not a whole number."},
        {"", "The unit number is empty"}};
    for (const auto& [target, words] : refused) {
        SCOPED_TRACE(target);
        setText("Text9", target);
        const QStringList before = formSnapshot();
        click("Command2");
        const QStringList reported = takeMessages();
        ASSERT_EQ(reported.size(), 1);
        EXPECT_TRUE(reported[0].startsWith(words)) << reported[0].toStdString();
        EXPECT_EQ(formSnapshot(), before);
        EXPECT_EQ(equipmentNow(), equipment);
        EXPECT_EQ(namesNow(), nameListText(names));
    }

    click("closeM");
    ASSERT_EQ(::chmod(folder().file("Equip97.eqp").c_str(), 0444), 0);
    click("open1");
    takeMessages();
    setText("Text9", "30");
    click("Command2");
    const QStringList reported = takeMessages();
    ASSERT_EQ(reported.size(), 1);
    EXPECT_TRUE(reported[0].contains("can only be read")) << reported[0].toStdString();
    EXPECT_TRUE(reported[0].contains("Nothing was changed.")) << reported[0].toStdString();
    EXPECT_EQ(equipmentNow(), equipment);
    EXPECT_EQ(namesNow(), nameListText(names));
}

TEST_F(ReplaceUnit, WithNoFileOpenSaysSoAndChangesNothing) {
    ASSERT_TRUE(enabled("Command2"));
    setText("NMBu", "12");
    setText("Text9", "30");
    const QStringList before = formSnapshot();
    click("Command2");
    EXPECT_EQ(takeMessages(), QStringList{"Open an equipment file first."});
    EXPECT_EQ(formSnapshot(), before);
    EXPECT_EQ(equipmentNow(), equipment);
    EXPECT_EQ(namesNow(), nameListText(names));
}

}  // namespace
}  // namespace varnel::test
