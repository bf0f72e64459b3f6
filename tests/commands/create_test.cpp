// Create Unit: a copy of the shown unit appended after the last record, under the name in NAMEu.

#include <sys/stat.h>

#include <QApplication>

#include "support/unit_records.h"
#include "support/window_fixture.h"

namespace varnel::test {
namespace {

// A unit whose bytes a Save of the form as Read left it writes back unchanged: a class whose
// switch default is the stored (1, 0) and a named nationality.
Bytes roundTripRecord(int n) {
    static const std::uint8_t classes[] = {1, 2, 3, 4, 8, 10};
    Unit unit = distinctUnit(n);
    unit.unitClass = classes[n % 6];
    unit.sw1 = 1;
    unit.sw2 = 0;
    return encodeRecord(unit, n);
}

class CreateUnit : public WindowTest {
  protected:
    // The file after appending record `source` as unit d, with the header raised by one.
    Bytes appended(const Bytes& before, int source, int d) {
        Bytes expected = before;
        Bytes copy(before.begin() + 2 + 73 * source, before.begin() + 2 + 73 * (source + 1));
        setWord(copy, offset::unitNumber, d);
        expected.insert(expected.end(), copy.begin(), copy.end());
        setWord(expected, 0, before[0] + 256 * before[1] + 1);
        return expected;
    }

    Bytes equipment;
};

TEST_F(CreateUnit, AppendsACopyOfTheShownUnitAsUnitOneHundred) {
    equipment = writeUnits(100, roundTripRecord);
    ASSERT_EQ(openAt("5"), QStringList());
    setText("NAMEu", "Newcomer");
    click("CreateB");
    EXPECT_EQ(takeMessages(), QStringList());

    const Bytes after = equipmentNow();
    EXPECT_EQ(after.size(), equipment.size() + 73);
    EXPECT_EQ(after, appended(equipment, 5, 100)) << "record 5 and every other byte as before";
    std::vector<std::string> expectedNames = unitNames(100);
    expectedNames.push_back("Newcomer");
    EXPECT_EQ(namesNow(), nameListText(expectedNames));
    EXPECT_EQ(text("NMBu"), "100");
    EXPECT_EQ(caption("MaxT1"), "100");
    EXPECT_EQ(text("HLP1"), "100");
    EXPECT_EQ(text("NAMEu"), "Newcomer");

    setText("NMBu", "99");
    click("NEXTu");
    EXPECT_EQ(text("NMBu"), "100");
    EXPECT_EQ(text("NAMEu"), "Newcomer");
    click("NEXTu");
    EXPECT_EQ(text("NMBu"), "1");
    EXPECT_EQ(text("NAMEu"), "Name 1");
    EXPECT_EQ(takeMessages(), QStringList());
}

TEST_F(CreateUnit, CopiesUnitZeroAndRaisesACounterThatDidNotMatchTheRecords) {
    // Two names too many: the new list keeps lines 1 to 3.
    equipment = writeUnits(3, roundTripRecord, 5, 7);
    openAt("0");
    click("CreateB");
    EXPECT_EQ(takeMessages(), QStringList());
    EXPECT_EQ(equipmentNow(), appended(equipment, 0, 3));
    EXPECT_EQ(equipmentNow()[0], 8);
    EXPECT_EQ(namesNow(), nameListText({"Name 0", "Name 1", "Name 2", "Name 0"}));
    EXPECT_EQ(text("NMBu"), "3");
    EXPECT_EQ(caption("MaxT1"), "3");
}

TEST_F(CreateUnit, EditsInTheFormReachTheNewUnitOnly) {
    equipment = writeUnits(10, roundTripRecord);
    EXPECT_EQ(openAt("4"), QStringList());
    setText("Soft1", "77");
    setText("CASH2", "299");
    setText("DY1", "44");
    setText("NAMEu", "Copy");
    click("CreateB");
    EXPECT_EQ(takeMessages(), QStringList());

    Bytes expected = appended(equipment, 4, 10);
    setByte(expected, 10, offset::soft, 77);
    setByte(expected, 10, offset::cost, 24);
    setByte(expected, 10, offset::year, 44);
    EXPECT_EQ(equipmentNow(), expected);
    EXPECT_EQ(text("Soft1"), "77");
    EXPECT_EQ(text("CASH2"), "288");
    std::vector<std::string> expectedNames = unitNames(10);
    expectedNames.push_back("Copy");
    EXPECT_EQ(namesNow(), nameListText(expectedNames));
}

TEST_F(CreateUnit, AShortLastRecordIsCompletedWithZerosBeforeTheNewOne) {
    equipment = writeUnits(3, roundTripRecord);
    equipment.resize(equipment.size() - 2);  // offsets 71 and 72 of unit 2 are missing
    writeFile(folder().file("Equip97.eqp"), equipment);
    EXPECT_EQ(openAt("2"), QStringList());
    ASSERT_EQ(caption("MaxT1"), "2");
    click("CreateB");
    EXPECT_EQ(takeMessages(), QStringList());

    Bytes completed = equipment;
    completed.push_back(0);
    completed.push_back(0);
    EXPECT_EQ(equipmentNow(), appended(completed, 2, 3));
    EXPECT_EQ(caption("MaxT1"), "3");
    EXPECT_EQ(namesNow(), nameListText({"Name 0", "Name 1", "Name 2", "Name 2"}));
}

TEST_F(CreateUnit, RefusesBeforeWritingAnything) {
    struct Case {
        std::int16_t unitCount;
        const char* field;  // set to value before the click
        const char* value;
        const char* words;
        bool focusesField = false;
        bool readOnly = false;
    };
    const Case cases[] = {
        {32767, nullptr, "",
         "The unit counter of this file is already 32767; no unit can be added."},
        {3, "AA1", "999",
         "Air Att must be a number from 0 to 255; it holds \"999\". Nothing was changed.", true},
        {3, "NAMEu", "中",
         "Unit Name must be one line of characters of the Windows-1252 code page; it holds \"中\". "
         "Nothing was changed.",
         true},
        {3, "NMBu", "2.5", "The unit number \"2.5\" is not a whole number."},
        {3, "NMBu", "3", "There is no unit 3: this file holds units 0 to 2."},
        {3, nullptr, "", "can only be read", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words);
        equipment = writeUnits(3, roundTripRecord, -1, c.unitCount);
        ::chmod(folder().file("Equip97.eqp").c_str(), c.readOnly ? 0444 : 0644);
        openAt("1");
        if (c.field != nullptr)
            setText(c.field, QString::fromUtf8(c.value));
        const QStringList before = formSnapshot();
        click("CreateB");
        const QStringList reported = takeMessages();
        ASSERT_EQ(reported.size(), 1);
        EXPECT_TRUE(reported[0].contains(c.words)) << reported[0].toStdString();
        EXPECT_EQ(formSnapshot(), before);
        EXPECT_EQ(equipmentNow(), equipment);
        EXPECT_EQ(namesNow(), nameListText(unitNames(3)));
        if (c.focusesField) {
            EXPECT_EQ(QApplication::focusWidget(), control(c.field));
        }
        click("closeM");
    }
}

TEST_F(CreateUnit, WithNoFileOpenInProfiModeSaysSoAndChangesNothing) {
    equipment = writeUnits(3, roundTripRecord);
    trigger("MPROF");
    for (const char* when : {"at start-up", "after Close"}) {
        SCOPED_TRACE(when);
        if (std::string(when) == "after Close") {  // MaxT1 holds a number now
            openAt("1");
            click("closeM");
            trigger("MPROF");  // Close disabled Create Unit; switching on enables it again
            trigger("MPROF");
        }
        takeMessages();
        ASSERT_TRUE(enabled("CreateB"));
        const QStringList before = formSnapshot();
        click("CreateB");
        EXPECT_EQ(takeMessages(), QStringList{"Open an equipment file first."});
        EXPECT_EQ(formSnapshot(), before);
        EXPECT_EQ(equipmentNow(), equipment);
        EXPECT_EQ(namesNow(), nameListText(unitNames(3)));
    }
}

}  // namespace
}  // namespace varnel::test
