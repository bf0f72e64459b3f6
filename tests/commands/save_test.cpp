// Save: the form's values into the current unit's record and its name into the name list.

#include <sys/stat.h>

#include <QApplication>
#include <QDir>

#include "data/system_files.h"
#include "support/failing_files.h"
#include "support/unit_records.h"
#include "support/window_fixture.h"

namespace varnel::test {
namespace {

const char* const kCharacterFields[] = {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6"};

class SaveUnit : public WindowTest {
  protected:
    void readAt(const QString& unit) {
        setText("NMBu", unit);
        click("ReadM");
    }
};

TEST_F(SaveUnit, WritesEveryFieldAtItsOffsetForTheFirstAndTheLastUnit) {
    writeUnits(
        300, unitRecords([](Unit& u, int n) { u.unitNumber = static_cast<std::int16_t>(-1 - n); }));
    std::vector<std::string> names = unitNames(300);
    Bytes expected = equipmentNow();
    openAt("0");
    trigger("MPROF");
    struct Value {
        const char* control;
        const char* text;
        int offset, byte;
    };
    const Value values[] = {
        {"Soft1", "2.5", offset::soft, 2},  {"Hard1", "3.5", offset::hard, 4},
        {"AA1", " 7 ", offset::airAtt, 7},  {"NA1", "254.5", offset::naval, 254},
        {"GD1", "-0.4", offset::grDef, 0},  {"AD1", "255", offset::arDef, 255},
        {"CD1", "+9", offset::clDef, 9},    {"I1", "11", offset::initiative, 11},
        {"R1", "12", offset::range, 12},    {"S1", "13", offset::spotting, 13},
        {"RM1", "14", offset::rangeM, 14},  {"M1", "17", offset::move, 17},
        {"F1", "18", offset::fuel, 18},     {"A1", "19", offset::ammo, 19},
        {"CASH2", "299", offset::cost, 24}, {"DM1", "26", offset::month, 26},
        {"DY1", "27.0", offset::year, 27}};
    // "Bomber" with its class default, "Poland", then the characters in the code page.
    const std::pair<int, int> codes[] = {
        {offset::unitClass, 11},  {offset::sw1, 65},        {offset::sw2, 0},
        {offset::nation1, 0},     {offset::nation1 + 1, 0}, {offset::nation1 + 2, 128},
        {offset::nation1 + 3, 0}, {offset::c1, 0xE9},       {offset::c1 + 1, 'b'},
        {offset::c1 + 2, 'c'},    {offset::c1 + 3, 'd'},    {offset::c1 + 4, 'e'},
        {offset::c1 + 5, 0x80}};
    for (const int x : {0, 299}) {
        SCOPED_TRACE(x);
        readAt(QString::number(x));
        for (const Value& v : values)
            setText(v.control, v.text);
        for (const char* box : {"SHIP", "CARRIER", "FORT", "AIR", "SEA"})
            setTicked(box, false);
        setText("UNIT", "Bomber");
        setText("NATION", "Poland");
        const char* characters[] = {"é", "b", "c", "d", "e", "€"};
        for (int i = 0; i < 6; ++i)
            setText(kCharacterFields[i], QString::fromUtf8(characters[i]));
        setText("NAMEu", QString::fromUtf8("Café Ü"));
        click("Command1");
        EXPECT_EQ(takeMessages(), QStringList());

        setByte(expected, x, offset::unitNumber, x & 0xFF);
        setByte(expected, x, offset::unitNumber + 1, x >> 8);
        for (const Value& v : values)
            setByte(expected, x, v.offset, v.byte);
        for (const auto& [at, byte] : codes)
            setByte(expected, x, at, byte);
        EXPECT_EQ(equipmentNow(), expected);
        names[x] = "Caf\xE9 \xDC";
        EXPECT_EQ(namesNow(), nameListText(names));

        EXPECT_EQ(text("HLP1"), QString::number(x));
        EXPECT_EQ(text("Text8"), "11");
        EXPECT_EQ(text("Text7"), "128");
        EXPECT_EQ(text("CASH2"), "288");
        EXPECT_EQ(text("NAMEu"), QString::fromUtf8("Café Ü"));
    }
}

enum Box { kShip = 1, kCarrier = 2, kFort = 4, kAir = 8, kSea = 16 };

TEST_F(SaveUnit, SwitchBytesFollowTheBoxesInOrderThenTheClassDefault) {
    writeUnits(3);
    openAt("1");
    trigger("MPROF");
    struct Case {
        int boxes;
        const char* unit;
        int sw1, sw2, code;
    };
    const Case cases[] = {{kSea, "Infantry", 1, 0, 1},
                          {kSea, "Destroyer", 129, 1, 15},
                          {kShip | kCarrier, "Destroyer", 241, 1, 15},
                          {kShip | kAir, "Destroyer", 193, 1, 15},
                          {kFort | kSea, "Destroyer", 129, 1, 15},
                          {0, "Destroyer", 0, 0, 15},
                          {kShip, "Infantry", 193, 1, 1},
                          {kAir, "Tank", 193, 1, 2},
                          {0, "Bomber", 65, 0, 11},
                          {0, "Air Defense", 49, 0, 9},
                          {0, "Air Transport", 193, 1, 13},
                          {kSea, "Sea Transport", 129, 1, 18},
                          {0, "tank", 0, 0, 0},
                          {0, "Tank ", 0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.unit << " boxes " << c.boxes);
        setTicked("SHIP", c.boxes & kShip);
        setTicked("CARRIER", c.boxes & kCarrier);
        setTicked("FORT", c.boxes & kFort);
        setTicked("AIR", c.boxes & kAir);
        setTicked("SEA", c.boxes & kSea);
        setText("UNIT", c.unit);
        Bytes expected = equipmentNow();
        click("Command1");
        setByte(expected, 1, offset::sw1, c.sw1);
        setByte(expected, 1, offset::sw2, c.sw2);
        setByte(expected, 1, offset::unitClass, c.code);
        EXPECT_EQ(equipmentNow(), expected);
        EXPECT_EQ(text("Text8"), QString::number(c.code));
        EXPECT_EQ(text("Text10"), QString::number(c.sw1));
        // A typed text that names no class is told of.
        EXPECT_EQ(takeMessages().size(), c.code == 0 ? 1 : 0);
    }
}

TEST_F(SaveUnit, NationalityNamesBecomeTheirBytesInProfiMode) {
    writeUnits(3, unitRecords([](Unit& u, int) { u.nation = {0, 0, 8, 0}; }));
    openAt("2");
    trigger("MPROF");
    const std::tuple<const char*, std::array<int, 4>, const char*> cases[] = {
        {"Germany", {0, 128, 0, 0}, "128"},
        {"Unknown", {0, 0, 0, 0}, "0"},
        {"Czechoslovakia", {8, 0, 0, 0}, "8"},
        {"germany", {0, 0, 0, 0}, "0"}};
    for (const auto& [name, bytes, sum] : cases) {
        SCOPED_TRACE(name);
        setText("NATION", name);
        Bytes expected = equipmentNow();
        click("Command1");
        for (int i = 0; i < 4; ++i)
            setByte(expected, 2, offset::nation1 + i, bytes[i]);
        EXPECT_EQ(equipmentNow(), expected);
        EXPECT_EQ(text("Text7"), sum);
    }
}

TEST_F(SaveUnit, AnUntouchedUnnamedClassAndNationalityAreKeptInPlainAndProfiMode) {
    const auto secondUnnamed = unitRecords([](Unit& u, int n) {
        if (n == 1) {
            u.unitClass = 23;
            u.nation = {3, 0, 0, 0};
            u.sw1 = 49;  // ticks no box
        }
    });
    writeUnits(2, secondUnnamed);
    const Bytes original = equipmentNow();
    openAt("0");
    readAt("1");
    ASSERT_EQ(text("UNIT"), "Infantry") << "the name of unit 0 stays";
    click("Command1");
    Bytes expected = original;
    setByte(expected, 1, offset::sw1, 1);  // a known pair follows the class default of "Infantry"
    EXPECT_EQ(equipmentNow(), expected);
    EXPECT_EQ(text("Text8"), "23");
    EXPECT_EQ(text("Text7"), "3");

    trigger("MPROF");
    click("Command1");
    EXPECT_EQ(equipmentNow(), expected);
    EXPECT_EQ(text("Text8"), "23");
    EXPECT_EQ(text("Text7"), "3");
    EXPECT_EQ(takeMessages(), QStringList());
}

TEST_F(SaveUnit, CharactersSpillOntoTheFollowingFieldsAndStopAtTheSixth) {
    writeUnits(3, unitRecords([](Unit& u, int) { u.characters = {'a', 'b', 'c', 'd', 'e', 'Z'}; }));
    openAt("1");
    trigger("MPROF");
    // The six texts, then the six bytes expected, '.' for a byte kept.
    const std::pair<std::array<const char*, 6>, const char*> cases[] = {
        {{"AB", "", "", "", "", ""}, "AB...."},    {{"AB", "C", "", "", "", ""}, "AC...."},
        {{"", "", "", "", "", ""}, "......"},      {{"", "", "", "", "", "XYZ"}, ".....X"},
        {{"", "", "", "", "PQRS", ""}, "....PQ"},  {{"ABCDEFGHIJ", "", "", "", "", ""}, "ABCDEF"},
        {{"u", "v", "w", "x", "y", "z"}, "uvwxyz"}};
    for (const auto& [texts, bytes] : cases) {
        SCOPED_TRACE(bytes);
        for (int i = 0; i < 6; ++i)
            setText(kCharacterFields[i], texts[i]);
        Bytes expected = equipmentNow();
        click("Command1");
        for (int i = 0; i < 6; ++i) {
            if (bytes[i] != '.')
                setByte(expected, 1, offset::c1 + i, bytes[i]);
        }
        EXPECT_EQ(equipmentNow(), expected);
    }
    EXPECT_EQ(takeMessages(), QStringList());
}

TEST_F(SaveUnit, TheNameListGetsExactlyOneLinePerUnit) {
    writeUnits(100);
    openAt("0");
    struct Case {
        int lines;
        const char* lineEnd;
        int unit;
    };
    for (const Case& c : {Case{150, "\r\n", 5}, Case{50, "\n", 70}, Case{100, "\r", 99}}) {
        SCOPED_TRACE(c.lines);
        std::string list;
        std::vector<std::string> expected;
        for (int n = 0; n < c.lines; ++n) {
            list += "L " + std::to_string(n) + c.lineEnd;
            if (n < 100)
                expected.push_back("L " + std::to_string(n));
        }
        expected.resize(100);
        expected[c.unit] = "New";
        writeFile(folder().file("Equip97.txt"), list);
        readAt(QString::number(c.unit));
        setText("NAMEu", "New");
        click("Command1");
        EXPECT_EQ(namesNow(), nameListText(expected));
    }
}

TEST_F(SaveUnit, AUnitNumberWithBlanksSavesThatUnitAndAShortLastRecordStaysShort) {
    writeUnits(10);
    Bytes expected = equipmentNow();
    expected.resize(expected.size() - 2);  // offsets 71 and 72 of unit 9 are missing
    writeFile(folder().file("Equip97.eqp"), expected);
    openAt("9");
    setText("NMBu", " 9");
    setText("Soft1", "99");
    click("Command1");
    setByte(expected, 9, offset::soft, 99);
    EXPECT_EQ(equipmentNow(), expected);
    EXPECT_EQ(text("HLP1"), "9");
    EXPECT_EQ(namesNow(), nameListText(unitNames(10)));
    EXPECT_EQ(takeMessages(), QStringList());
}

TEST_F(SaveUnit, RefusesTheFirstBadInputInStepOrderAndChangesNothing) {
    writeUnits(100);
    openAt("5");
    trigger("MPROF");
    struct Case {
        std::vector<std::pair<const char*, const char*>> inputs;
        const char* focus;
        const char* message;
    };
    const Case cases[] = {
        {{{"AA1", "256"}}, "AA1", "Air Att must be a number from 0 to 255; it holds \"256\"."},
        {{{"DY1", "-0.6"}}, "DY1", "Year must be a number from 0 to 255; it holds \"-0.6\"."},
        {{{"Soft1", ""}}, "Soft1", "Soft must be a number from 0 to 255; it holds \"\"."},
        {{{"I1", "300"}, {"AD1", "x"}},
         "AD1",
         "Ar.Def must be a number from 0 to 255; it holds \"x\"."},
        {{{"CASH2", "3072"}}, "CASH2", "Cost must be a number from 0 to 3071; it holds \"3072\"."},
        {{{"CASH2", "abc"}}, "CASH2", "Cost must be a number from 0 to 3071; it holds \"abc\"."},
        {{{"DM1", "999"}, {"CASH2", "-1"}},
         "CASH2",
         "Cost must be a number from 0 to 3071; it holds \"-1\"."},
        {{{"NMBu", "2.5"}, {"AA1", "256"}},
         "NMBu",
         "Unit Number must be a whole number from 0 to 99; it holds \"2.5\"."},
        {{{"NMBu", "-1"}},
         "NMBu",
         "Unit Number must be a whole number from 0 to 99; it holds \"-1\"."},
        {{{"NMBu", "100"}},
         "NMBu",
         "Unit Number must be a whole number from 0 to 99; it holds \"100\"."},
        {{{"NMBu", "abc"}},
         "NMBu",
         "Unit Number must be a whole number from 0 to 99; it holds \"abc\"."},
        {{{"Text3", "中"}, {"NAMEu", "a\nb"}},
         "Text3",
         "Character 3 must be characters of the Windows-1252 code page; it holds \"中\"."},
        {{{"NAMEu", "a\nb"}}, "NAMEu", "Unit Name must be one line of characters"}};
    const Bytes equipmentBefore = equipmentNow();
    const std::string namesBefore = namesNow();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        readAt("5");
        for (const auto& [control, value] : c.inputs)
            setText(control, QString::fromUtf8(value));
        control("TXT")->setFocus();
        const QStringList form = formSnapshot();
        click("Command1");
        const QStringList reported = takeMessages();
        ASSERT_EQ(reported.size(), 1);
        EXPECT_TRUE(reported[0].startsWith(QString::fromUtf8(c.message)))
            << reported[0].toStdString();
        EXPECT_TRUE(reported[0].endsWith("Nothing was changed.")) << reported[0].toStdString();
        EXPECT_EQ(QApplication::focusWidget(), control(c.focus));
        EXPECT_EQ(formSnapshot(), form);
        EXPECT_EQ(equipmentNow(), equipmentBefore);
        EXPECT_EQ(namesNow(), namesBefore);
    }
}

TEST_F(SaveUnit, RefusesAReadOnlyFile) {
    writeUnits(3);
    ASSERT_EQ(::chmod(folder().file("Equip97.eqp").c_str(), 0444), 0);
    const Bytes equipmentBefore = equipmentNow();
    openAt("1");
    setText("Soft1", "1");
    click("Command1");
    const QStringList reported = takeMessages();
    ASSERT_EQ(reported.size(), 1);
    EXPECT_TRUE(reported[0].contains("can only be read")) << reported[0].toStdString();
    EXPECT_TRUE(reported[0].contains("Nothing was changed.")) << reported[0].toStdString();
    EXPECT_EQ(equipmentNow(), equipmentBefore);
    EXPECT_EQ(namesNow(), nameListText(unitNames(3)));
}

TEST_F(SaveUnit, ANameThatCannotBeStoredLeavesTheRecordSavedAndTheFormAsTyped) {
    for (const bool folderInstead : {false, true}) {
        SCOPED_TRACE(folderInstead ? "a folder" : "missing");
        writeUnits(3, unitRecords([](Unit& u, int) { u.unitNumber = 300; }));
        std::remove(folder().file("Equip97.txt").c_str());
        if (folderInstead)
            QDir(QString::fromStdString(folder().path())).mkdir("Equip97.txt");
        openAt("2");
        Bytes expected = equipmentNow();
        setText("Soft1", " 77 ");
        setText("NAMEu", "Kept name");
        click("Command1");
        const QStringList reported = takeMessages();
        ASSERT_EQ(reported.size(), 1);
        EXPECT_TRUE(reported[0].contains("were saved")) << reported[0].toStdString();
        setByte(expected, 2, offset::unitNumber, 2);
        setByte(expected, 2, offset::unitNumber + 1, 0);
        setByte(expected, 2, offset::soft, 77);
        EXPECT_EQ(equipmentNow(), expected);
        EXPECT_EQ(fileExists(folder().file("Equip97.txt")), folderInstead);
        EXPECT_EQ(text("Soft1"), " 77 ") << "Read did not run";
        EXPECT_EQ(text("NAMEu"), "Kept name");
        EXPECT_EQ(text("HLP1"), "2");
        click("closeM");
        QDir(QString::fromStdString(folder().file("Equip97.txt"))).removeRecursively();
    }
}

// What Save keeps of what the user left untouched. Unit 0 is a tank of Germany, which Read shows
// in full; the others hold bytes the form can show only in part: a class, nationality or switch
// pair without a name, a name with a NUL.
const std::string kNameWithNul("Ski\0Battalion", 13);

class SaveKeeps : public SaveUnit {
  protected:
    void SetUp() override {
        for (int n = 0; n < 6; ++n)
            units.push_back(distinctUnit(n));  // of Germany, switches (1, 0)
        units[0].unitClass = 2;
        units[1].unitClass = 0;
        units[1].nation = {3, 0, 0, 0};
        units[1].sw1 = 255;
        units[2].unitClass = 23;
        units[2].nation = {0, 160, 0, 0};
        units[2].sw2 = 1;  // (1, 1)
        units[3].unitClass = 10;
        units[3].sw1 = 193;  // (193, 0)
        units[4].unitClass = 15;
        units[4].sw1 = 49;  // a pair the tables know, though not the default of a destroyer
        units[5].unitClass = 0;
        names = {"Name 0", kNameWithNul, "Name 2", "Name 3", "Name 4", "Name 5"};
    }
    // Writes the units afresh, opens the file and reads unit 0 and then the unit given, so that
    // UNIT shows "Tank" for a class without a name.
    void startAt(int unit) {
        if (enabled("closeM"))
            click("closeM");
        std::vector<Bytes> records;
        for (std::size_t n = 0; n < units.size(); ++n)
            records.push_back(encodeRecord(units[n], static_cast<int>(n)));
        writeGameFiles(makeEquipmentFile(static_cast<std::int16_t>(units.size()), records),
                       nameListText(names));
        openAt("0");
        readAt(QString::number(unit));
    }
    // The fields of unit `from` numbered `to`, in the other bytes of record `bytesOf`.
    Bytes recordOf(int from, int to, int bytesOf) {
        Unit unit = units[from];
        unit.unitNumber = static_cast<std::int16_t>(to);
        return encodeRecord(unit, bytesOf);
    }
    void setRecord(Bytes& file, int unit, const Bytes& record) {
        std::copy(record.begin(), record.end(), file.begin() + 2 + 73 * unit);
    }
    void setProfiMode(bool on) {
        if (enabled("ALF") != on)
            trigger("MPROF");
    }
    std::vector<Unit> units;
    std::vector<std::string> names;
};

const char* modeName(bool profi) {
    return profi ? "Profi mode" : "plain";
}

TEST_F(SaveKeeps, UntouchedFieldsKeepWhatTheFormCannotShow) {
    for (const bool profi : {false, true}) {
        setProfiMode(profi);
        for (int unit = 1; unit <= 5; ++unit) {
            SCOPED_TRACE(testing::Message() << modeName(profi) << ", unit " << unit);
            startAt(unit);
            Bytes expected = equipmentNow();
            setText("Soft1", "200");
            click("Command1");
            setByte(expected, unit, offset::soft, 200);
            if (unit == 4)  // a known pair follows the boxes and class
                setByte(expected, unit, offset::sw1, 0);
            EXPECT_EQ(equipmentNow(), expected);
            EXPECT_EQ(namesNow(), nameListText(names)) << "the NUL and all";
            EXPECT_EQ(takeMessages(), QStringList());
        }
    }
}

TEST_F(SaveKeeps, EditedFieldsFollowTheRulesAndATypedTextThatNamesNothingIsToldOf) {
    const QString classNotice = QString::fromUtf8(
        "“%1” is not one of the 21 class names, so the unit was saved with class code 0. The "
        "class names are: Infantry, Tank, Recon, Anti-tank, Unknown 5, Fortification, Ground "
        "Transport, Artillery, Air Defense, Fighter, Bomber, Unknown 12, Air Transport, Unknown "
        "14, Destroyer, Battleship, Carrier, Sea Transport, BattleCruiser, Cruiser, Light "
        "Cruiser.");
    const QString nationNotice = QString::fromUtf8(
        "“%1” is not one of the 14 nationalities, so the unit was saved with nationality bytes "
        "0, 0, 0, 0. The nationalities are: Poland, Germany, USA, Finland, Russia, France, "
        "England, Hungary, Italy, Nationalist, Norway, Republican, Romania, Czechoslovakia.");
    struct Case {
        int unit;
        std::vector<std::pair<const char*, const char*>> texts;
        const char* tick;
        std::vector<std::pair<int, int>> bytes;  // record offset, byte written
        const char* name;                        // the unit's line afterwards
        QString notice;
    };
    const std::vector<std::pair<int, int>> germany = {
        {offset::nation1, 0}, {offset::nation1 + 1, 128}, {offset::nation1 + 2, 0}};
    const std::vector<std::pair<int, int>> noNation = {
        {offset::nation1, 0}, {offset::nation1 + 1, 0}, {offset::nation1 + 2, 0}};
    // UNIT shows "Tank" for unit 1, whose class has no name: typing that very name sets it.
    const Case cases[] = {
        {1, {{"UNIT", "Tank"}}, nullptr, {{offset::unitClass, 2}, {offset::sw1, 1}}, nullptr, {}},
        {1,
         {{"UNIT", "tank"}},
         nullptr,
         {{offset::unitClass, 0}, {offset::sw1, 0}},
         nullptr,
         classNotice.arg("tank")},
        {1, {{"NATION", "Germany"}}, nullptr, germany, nullptr, {}},
        {2, {{"NATION", "Rusia"}}, nullptr, noNation, nullptr, nationNotice.arg("Rusia")},
        {1, {}, "SHIP", {{offset::sw1, 193}, {offset::sw2, 1}}, nullptr, {}},
        {3,
         {{"UNIT", "Bomber"}},
         nullptr,
         {{offset::unitClass, 11}, {offset::sw1, 65}},
         nullptr,
         {}},
        {2,
         {{"UNIT", "Tnak"}, {"NATION", "Rusia"}},
         nullptr,
         {{offset::unitClass, 0}, {offset::sw1, 0}, {offset::sw2, 0}, {offset::nation1 + 1, 0}},
         nullptr,
         classNotice.arg("Tnak") + " " + nationNotice.arg("Rusia")},
        {1, {{"NAMEu", "Ski Troops"}}, nullptr, {}, "Ski Troops", {}},
    };
    setProfiMode(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "unit " << c.unit << " " << c.notice.toStdString());
        startAt(c.unit);
        Bytes expected = equipmentNow();
        for (const auto& [control, typed] : c.texts)
            type(control, typed);
        if (c.tick != nullptr)
            setTicked(c.tick, true);
        click("Command1");
        for (const auto& [at, byte] : c.bytes)
            setByte(expected, c.unit, at, byte);
        EXPECT_EQ(equipmentNow(), expected);
        std::vector<std::string> lines = names;
        if (c.name != nullptr)
            lines[c.unit] = c.name;
        EXPECT_EQ(namesNow(), nameListText(lines));
        EXPECT_EQ(takeMessages(), c.notice.isEmpty() ? QStringList() : QStringList{c.notice});
    }

    // Outside Profi mode only the name can be typed into.
    setProfiMode(false);
    startAt(1);
    Bytes expected = equipmentNow();
    setText("NAMEu", "Ski Troops");
    click("Command1");
    EXPECT_EQ(equipmentNow(), expected);
    std::vector<std::string> lines = names;
    lines[1] = "Ski Troops";
    EXPECT_EQ(namesNow(), nameListText(lines));
    EXPECT_EQ(takeMessages(), QStringList());
}

TEST_F(SaveKeeps, SavingIntoAnotherUnitThanReadShowedWritesEveryValueShown) {
    for (const bool profi : {false, true}) {
        SCOPED_TRACE(modeName(profi));
        setProfiMode(profi);
        startAt(0);
        Bytes expected = equipmentNow();
        setText("NMBu", "1");
        click("Command1");
        setRecord(expected, 1, recordOf(0, 1, 1));
        EXPECT_EQ(equipmentNow(), expected);
        std::vector<std::string> lines = names;
        lines[1] = "Name 0";
        EXPECT_EQ(namesNow(), nameListText(lines));
        EXPECT_EQ(takeMessages(), QStringList());
    }
}

TEST_F(SaveKeeps, FreezeAllAndFreezeCarryWhatTheyKeptIntoTheNextUnit) {
    for (const bool profi : {false, true}) {
        SCOPED_TRACE(modeName(profi));
        // Freeze All: everything but the name comes from unit 0; the name stays unit 1's line.
        startAt(0);
        setProfiMode(true);
        setTicked("ALF", true);
        setProfiMode(profi);
        click("NEXTu");
        Bytes expected = equipmentNow();
        click("Command1");
        setRecord(expected, 1, recordOf(0, 1, 1));
        EXPECT_EQ(equipmentNow(), expected);
        EXPECT_EQ(namesNow(), nameListText(names));
        setProfiMode(true);
        setTicked("ALF", false);
        setProfiMode(profi);

        // Freeze: the values and cost come from unit 0; what the form cannot show of unit 1
        // is kept.
        startAt(0);
        setTicked("Freeze", true);
        click("NEXTu");
        expected = equipmentNow();
        click("Command1");
        Unit carried = units[0];
        carried.unitNumber = 1;
        carried.unitClass = units[1].unitClass;
        carried.nation = units[1].nation;
        carried.sw1 = units[1].sw1;
        carried.sw2 = units[1].sw2;
        carried.characters = units[1].characters;
        setRecord(expected, 1, encodeRecord(carried, 1));
        EXPECT_EQ(equipmentNow(), expected);
        EXPECT_EQ(namesNow(), nameListText(names));
        setTicked("Freeze", false);
        EXPECT_EQ(takeMessages(), QStringList());
    }
}

TEST_F(SaveKeeps, CreateUnitAndReplaceKeepWhatTheFormCannotShowOfTheUnitCopied) {
    for (const bool profi : {false, true}) {
        SCOPED_TRACE(modeName(profi));
        setProfiMode(profi);
        startAt(1);
        Bytes expected = equipmentNow();
        click("CreateB");
        const Bytes copy = recordOf(1, 6, 1);
        expected.insert(expected.end(), copy.begin(), copy.end());
        expected[0] = 7;  // the unit counter
        EXPECT_EQ(equipmentNow(), expected);
        std::vector<std::string> lines = names;
        lines.push_back(kNameWithNul);
        EXPECT_EQ(namesNow(), nameListText(lines));
        EXPECT_EQ(takeMessages(), QStringList());
    }

    startAt(1);
    Bytes expected = equipmentNow();
    setText("Text9", "4");
    click("Command2");
    const Bytes copy = recordOf(1, 4, 1);
    std::copy(copy.begin(), copy.begin() + 71, expected.begin() + 2 + 73 * 4);
    EXPECT_EQ(equipmentNow(), expected) << "offsets 71 and 72 of unit 4 kept";
    std::vector<std::string> lines = names;
    lines[4] = kNameWithNul;
    EXPECT_EQ(namesNow(), nameListText(lines));
    EXPECT_EQ(takeMessages(), QStringList());
}

}  // namespace
}  // namespace varnel::test

namespace varnel::test {
namespace {

// A flush that fails after the data reached the files: the user is told the change may not
// survive a power cut, and what is stored is shown for what it is.
TEST_F(SaveUnit, AFailedFlushIsReportedForWhatItLeaves) {
    writeUnits(4);
    openAt("2");
    setText("Soft1", "77");
    setText("NAMEu", "Flushed");
    {
        // The journal's folder is flushed before anything changes; the flushes after the name
        // list took its place fail.
        class LaterFolderFlushesFail : public FailingFiles {
          public:
            data::SystemError syncFolder(const std::string& folder) override {
                return ++flushes_ > 1 ? data::errorIo() : FailingFiles::syncFolder(folder);
            }

          private:
            int flushes_ = 0;
        } faults;
        click("Command1");
    }
    QStringList reported = takeMessages();
    ASSERT_EQ(reported.size(), 1);
    EXPECT_TRUE(reported[0].contains("was stored")) << reported[0].toStdString();
    EXPECT_TRUE(reported[0].contains("power cut")) << reported[0].toStdString();
    EXPECT_EQ(text("HLP1"), "2") << "Read ran: the name is stored";
    EXPECT_EQ(equipmentNow()[2 + 73 * 2 + offset::soft], 77);

    setText("Soft1", "78");
    {
        FailingFiles faults;
        faults.failCall(FailingFiles::Call::Sync, data::errorIo());
        click("Command1");
    }
    // A flush that fails before anything changed (the journal's) leaves both files as they were.
    reported = takeMessages();
    ASSERT_EQ(reported.size(), 1);
    EXPECT_TRUE(reported[0].contains("Nothing was changed")) << reported[0].toStdString();
    EXPECT_EQ(equipmentNow()[2 + 73 * 2 + offset::soft], 77);
}

}  // namespace
}  // namespace varnel::test
