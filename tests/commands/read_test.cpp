// Read: the unit whose number stands in NMBu, from the open file into the window.

#include <algorithm>

#include "commands/shown_values.h"
#include "support/unit_records.h"
#include "support/window_fixture.h"

namespace varnel::test {
namespace {

class ReadUnit : public WindowTest {
  protected:
    // The record's fields as the window must show them.
    void expectShows(const Unit& u, const std::string& name) {
        auto n = [](int value) { return QString::number(value); };
        EXPECT_EQ(text("Text8"), n(u.unitClass));
        EXPECT_EQ(text("Text12"), n(u.unitClass));
        const std::pair<const char*, int> values[] = {
            {"Soft1", u.soft},      {"Hard1", u.hard},  {"AA1", u.airAtt}, {"NA1", u.naval},
            {"GD1", u.grDef},       {"AD1", u.arDef},   {"CD1", u.clDef},  {"I1", u.initiative},
            {"R1", u.range},        {"S1", u.spotting}, {"RM1", u.rangeM}, {"M1", u.move},
            {"F1", u.fuel},         {"A1", u.ammo},     {"DM1", u.month},  {"DY1", u.year},
            {"CASH2", 12 * u.cost}, {"Text10", u.sw1},  {"Text11", u.sw2}};
        for (const auto& [control, value] : values)
            EXPECT_EQ(text(control), n(value)) << control;
        EXPECT_EQ(text("Text7"), n(u.nation[0] + u.nation[1] + u.nation[2] + u.nation[3]));
        EXPECT_EQ(text("Text1"), QString(QChar(u.characters[0])));
        EXPECT_EQ(text("NAMEu"), QString::fromStdString(name));
    }
};

TEST_F(ReadUnit, ShowsEveryFieldFromItsOffsetForTheFirstSecondAndLastUnit) {
    writeUnits(30);
    for (const char* unit : {"0", "1", "29"}) {
        SCOPED_TRACE(unit);
        setText("NMBu", unit);
        if (enabled("open1"))
            click("open1");
        else
            click("ReadM");
        const int n = std::stoi(unit);
        expectShows(distinctUnit(n), "Name " + std::to_string(n));
    }
    EXPECT_EQ(takeMessages(), QStringList());
    EXPECT_EQ(text("NMBu"), "29");
    EXPECT_EQ(caption("MaxT1"), "29");
    EXPECT_EQ(text("HLP1"), "Control");
    EXPECT_EQ(text("Text9"), "1");
}

TEST_F(ReadUnit, ShowsClassNationalityAndSwitchesByName) {
    Unit carrier = distinctUnit(0);
    carrier.unitClass = 17;
    carrier.nation = {0, 0, 1, 0};
    carrier.sw1 = 241;
    carrier.sw2 = 1;
    carrier.cost = 255;
    Unit transport = distinctUnit(1);
    transport.unitClass = 13;
    transport.nation = {3, 0, 0, 0};  // two nations at once has no name
    transport.sw1 = 193;
    transport.sw2 = 1;
    writeGameFiles(makeEquipmentFile(2, {encodeRecord(carrier, 0), encodeRecord(transport, 1)}),
                   nameListText({"Flat Top", "Glider"}));
    openAt("0");
    EXPECT_EQ(text("UNIT"), "Carrier");
    EXPECT_EQ(text("NATION"), "England");
    EXPECT_EQ(text("CASH2"), "3060");
    EXPECT_TRUE(ticked("CARRIER"));
    EXPECT_TRUE(ticked("SHIP"));
    EXPECT_FALSE(ticked("AIR") || ticked("FORT") || ticked("SEA"));

    setText("NMBu", "1");
    click("ReadM");
    EXPECT_EQ(text("UNIT"), "Air Transport");
    EXPECT_EQ(text("NATION"), "Unknown");
    EXPECT_EQ(text("Text7"), "3");
    EXPECT_TRUE(ticked("AIR"));
    EXPECT_FALSE(ticked("SHIP") || ticked("CARRIER") || ticked("FORT") || ticked("SEA"));
}

TEST_F(ReadUnit, AClassCodeWithoutANameLeavesTheClassNameAsItWas) {
    Unit tank = distinctUnit(0);
    tank.unitClass = 2;
    Unit none = distinctUnit(1);
    none.unitClass = 0;
    Unit odd = distinctUnit(2);
    odd.unitClass = 23;
    writeGameFiles(
        makeEquipmentFile(3, {encodeRecord(tank, 0), encodeRecord(none, 1), encodeRecord(odd, 2)}),
        nameListText({"a", "b", "c"}));
    openAt("0");
    EXPECT_EQ(text("UNIT"), "Tank");
    for (const char* unit : {"1", "2"}) {
        setText("NMBu", unit);
        click("ReadM");
        EXPECT_EQ(text("UNIT"), "Tank") << unit;
        EXPECT_EQ(text("Text8"), unit[0] == '1' ? "0" : "23");
        EXPECT_EQ(text("Text12"), text("Text8"));
    }
}

TEST_F(ReadUnit, FreezeAllChangesOnlyTheName) {
    writeUnits(5);
    EXPECT_EQ(openAt("1"), QStringList());
    setTicked("ALF", true);
    setText("NMBu", "3");
    QStringList before = formSnapshot();
    click("ReadM");
    QStringList after = formSnapshot();
    before.replaceInStrings("NAMEu=Name 1", "NAMEu=Name 3");
    EXPECT_EQ(after, before);

    setText("NMBu", "-1");  // no record is read, and there is no line 0
    click("ReadM");
    EXPECT_EQ(text("NAMEu"), "");
    EXPECT_EQ(takeMessages(), QStringList());
}

// The editor remembers which values Read showed for which unit, until the user changes them.
TEST_F(ReadUnit, RemembersWhichControlsHoldWhatItShowedForTheUnit) {
    writeUnits(5);
    const char* const filled[] = {"UNIT",  "NATION", "SHIP",  "CARRIER", "FORT",  "AIR",  "SEA",
                                  "Soft1", "DY1",    "CASH2", "Text1",   "Text6", "NAMEu"};
    // The controls that hold what Read showed for unit, every other one of `filled` not.
    auto expectAsRead = [&](std::int64_t unit, std::vector<std::string> asRead) {
        const commands::ShownValues& shown = window().editor().shown();
        for (const char* control : filled) {
            const bool expected = std::find(asRead.begin(), asRead.end(), control) != asRead.end();
            EXPECT_EQ(shown.asRead(controls::Control{control}, unit), expected)
                << control << " of unit " << unit;
            EXPECT_FALSE(shown.asRead(controls::Control{control}, unit + 1))
                << control << " of another unit";
        }
    };
    const std::vector<std::string> all(std::begin(filled), std::end(filled));
    auto allBut = [&](std::initializer_list<std::string> changed) {
        std::vector<std::string> rest;
        for (const std::string& control : all) {
            if (std::find(changed.begin(), changed.end(), control) == changed.end())
                rest.push_back(control);
        }
        return rest;
    };

    openAt("2");
    expectAsRead(2, all);
    type("Soft1", text("Soft1"));  // typed over with the same digits: the user's now
    setText("NAMEu", "Renamed");
    setTicked("SHIP", true);
    expectAsRead(2, allBut({"Soft1", "NAMEu", "SHIP"}));
    setTicked("SHIP", false);  // cleared again by the user: still the user's
    expectAsRead(2, allBut({"Soft1", "NAMEu", "SHIP"}));
    click("ReadM");
    expectAsRead(2, all);

    setTicked("Freeze", true);
    click("NEXTu");
    expectAsRead(3, allBut({"Soft1", "DY1", "CASH2"}));
    setTicked("Freeze", false);
    setTicked("ALF", true);
    click("NEXTu");
    expectAsRead(4, {"NAMEu"});
    click("closeM");
    expectAsRead(4, {});
}

TEST_F(ReadUnit, FreezeStatsKeepsTheValueFieldsAndCost) {
    writeUnits(5);
    openAt("1");
    setTicked("Freeze", true);
    setText("NMBu", "2");
    click("ReadM");
    const Unit one = distinctUnit(1);
    EXPECT_EQ(text("Soft1"), QString::number(one.soft));
    EXPECT_EQ(text("DY1"), QString::number(one.year));
    EXPECT_EQ(text("CASH2"), QString::number(12 * one.cost));
    EXPECT_EQ(text("Text8"), QString::number(distinctUnit(2).unitClass));
    EXPECT_EQ(text("NAMEu"), "Name 2");
}

TEST_F(ReadUnit, TheSixthCharacterShowsExactlyWhenItIsNotZero) {
    Unit plain = distinctUnit(0);
    Unit marked = distinctUnit(1);
    marked.characters = {'B', 'r', 'e', 'n', 0, 'A'};
    writeGameFiles(makeEquipmentFile(2, {encodeRecord(plain, 0), encodeRecord(marked, 1)}),
                   nameListText({"a", "b"}));
    openAt("1");
    EXPECT_TRUE(shown("Text6"));
    EXPECT_EQ(text("Text6"), "A");
    EXPECT_EQ(text("Text4"), "n");
    EXPECT_EQ(text("Text5"), "");
    setText("NMBu", "0");
    click("ReadM");
    EXPECT_FALSE(shown("Text6"));
    EXPECT_EQ(text("Text6"), "");
}

TEST_F(ReadUnit, RefusesUnitNumbersOutsideTheFileAndChangesNoControl) {
    writeUnits(100);
    ASSERT_EQ(openAt("5"), QStringList());
    const std::pair<const char*, const char*> refused[] = {
        {"-1", "There is no unit -1: this file holds units 0 to 99."},
        {"2.5", "The unit number \"2.5\" is not a whole number."},
        {"100", "There is no unit 100: this file holds units 0 to 99."},
        {"150", "There is no unit 150: this file holds units 0 to 99."},
        {"abc", "The unit number \"abc\" is not a whole number."},
        {"", "The unit number is empty"}};
    for (const auto& [unit, words] : refused) {
        SCOPED_TRACE(unit);
        setText("NMBu", unit);
        const QStringList before = formSnapshot();
        click("ReadM");
        EXPECT_EQ(formSnapshot(), before);
        const QStringList reported = takeMessages();
        ASSERT_EQ(reported.size(), 1);
        EXPECT_TRUE(reported[0].startsWith(words)) << reported[0].toStdString();
    }
    setText("NMBu", " 7.0 ");
    click("ReadM");
    EXPECT_EQ(text("NAMEu"), "Name 7");
}

TEST_F(ReadUnit, AShortPartialLastRecordReadsItsMissingBytesAsZero) {
    Bytes file =
        makeEquipmentFile(2, {encodeRecord(distinctUnit(0), 0), encodeRecord(distinctUnit(1), 1)});
    file.resize(file.size() - 2);  // offsets 71 and 72 of unit 1 are missing
    file[2 + 73 + offset::c1 + 5] = 0;
    writeGameFiles(file, nameListText({"a", "b"}));
    openAt("1");
    EXPECT_EQ(caption("MaxT1"), "1");
    expectShows(distinctUnit(1), "b");
}

TEST_F(ReadUnit, AMissingOrShortNameListShowsAnEmptyNameAndSaysSoOnceAtOpen) {
    writeUnits(100, unitRecord, 80);
    EXPECT_EQ(openAt("85"),
              QStringList{
                  "Equip97.txt holds 80 names for 100 units; units 80 to 99 show an empty name."});
    EXPECT_EQ(text("NAMEu"), "");
    EXPECT_EQ(text("Soft1"), QString::number(distinctUnit(85).soft));
    setText("NMBu", "86");
    click("ReadM");
    EXPECT_EQ(takeMessages(), QStringList()) << "stepping shows no message";

    click("closeM");
    std::remove(folder().file("Equip97.txt").c_str());
    setText("NAMEu", "Left over");
    click("open1");
    EXPECT_EQ(text("NAMEu"), "") << "never the previous unit's name";
    const QStringList reported = takeMessages();
    ASSERT_EQ(reported.size(), 1);
    EXPECT_TRUE(reported[0].startsWith("There is no name list \"Equip97.txt\""))
        << reported[0].toStdString();
    EXPECT_FALSE(fileExists(folder().file("Equip97.txt"))) << "Read creates nothing";
}

TEST_F(ReadUnit, ALongerNameListIsMentionedAtOpen) {
    writeUnits(100, unitRecord, 150);
    EXPECT_EQ(openAt("1"),
              QStringList{
                  "Equip97.txt holds 150 names for 100 units; saving a name keeps the first 100."});
}

TEST_F(ReadUnit, NamesReadTheSameWhateverTheLineEnds) {
    writeUnits(4);
    writeFile(folder().file("Equip97.txt"), std::string("zero\nOne \r  two\r\nthree"));
    EXPECT_EQ(openAt("0"), QStringList());
    const char* expected[] = {"zero", "One ", "  two", "three"};
    for (int n = 0; n < 4; ++n) {
        setText("NMBu", QString::number(n));
        click("ReadM");
        EXPECT_EQ(text("NAMEu"), expected[n]) << n;
    }
    EXPECT_EQ(takeMessages(), QStringList());
}

TEST_F(ReadUnit, TheNameListNameIsTakenAfreshAtEveryRead) {
    writeUnits(3);
    writeFile(folder().file("Other.txt"), nameListText({"x0", "x1", "x2"}));
    openAt("2");
    EXPECT_EQ(text("NAMEu"), "Name 2");
    setText("TXT", "Other.txt");
    click("ReadM");
    EXPECT_EQ(text("NAMEu"), "x2");
}

TEST_F(ReadUnit, NamesInTheCodePageShowAsTheirCharacters) {
    writeUnits(2);
    writeFile(folder().file("Equip97.txt"), std::string("Caf\xE9\r\n\x80 Unit\r\n"));
    openAt("0");
    EXPECT_EQ(text("NAMEu"), QString::fromUtf8("Café"));
    setText("NMBu", "1");
    click("ReadM");
    EXPECT_EQ(text("NAMEu"), QString::fromUtf8("€ Unit"));
}

}  // namespace
}  // namespace varnel::test
