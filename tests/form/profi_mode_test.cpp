// Profi mode: the menu item "&Proffi" unlocks the locked controls and locks them again.

#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QLineEdit>
#include <QTest>

#include "support/unit_records.h"
#include "support/window_fixture.h"

namespace varnel::test {
namespace {

// The controls that follow the mode, the flag ALF among them.
const char* const kProfiControls[] = {"ALF",     "NATION", "UNIT",  "Text1", "Text2",
                                      "Text3",   "Text4",  "Text5", "Text6", "SHIP",
                                      "CARRIER", "FORT",   "AIR",   "SEA",   "Command2"};

// Units whose six characters are all set, so that Read shows Text6.
const auto kSixCharacters =
    unitRecords([](Unit& unit, int) { unit.characters = {'V', 'a', 'r', 'n', 'e', 'l'}; });

class ProfiMode : public WindowTest {
  protected:
    bool profiTicked() { return window().findChild<QAction*>("MPROF")->isChecked(); }

    // The snapshot with the mode's controls set for the mode, CreateB enabled and Text6 shown
    // in the mode, hidden out of it; every text and tick as it was.
    QStringList inMode(QStringList snapshot, bool on) {
        auto replace = [&](const QString& from, const QString& to) {
            const qsizetype at = snapshot.indexOf(from);
            if (at >= 0)
                snapshot[at] = to;
        };
        for (const char* name : kProfiControls)
            replace(QString(name) + (on ? " disabled" : " enabled"),
                    QString(name) + (on ? " enabled" : " disabled"));
        replace("CreateB disabled", "CreateB enabled");
        for (QString& line : snapshot) {
            if (line.startsWith("Text6=")) {
                line.remove(" hidden");
                if (!on)
                    line += " hidden";
            }
        }
        snapshot.sort();
        return snapshot;
    }
    void expectMode(bool on) {
        EXPECT_EQ(profiTicked(), on);
        for (const char* name : kProfiControls)
            EXPECT_EQ(enabled(name), on) << name;
        EXPECT_EQ(shown("Text6"), on);
        EXPECT_TRUE(enabled("CreateB"));
    }
};

TEST_F(ProfiMode, WithoutAFileOneClickUnlocksAndTheSecondLocksAgainButCreateUnit) {
    setText("Soft1", "12");
    setText("NATION", "Germany");
    setTicked("Freeze", true);
    const QStringList before = formSnapshot();
    ASSERT_FALSE(enabled("CreateB"));

    trigger("MPROF");
    expectMode(true);
    EXPECT_EQ(formSnapshot(), inMode(before, true));

    trigger("MPROF");
    expectMode(false);
    EXPECT_EQ(formSnapshot(), inMode(before, false)) << "only CreateB differs from the start";
    EXPECT_EQ(takeMessages(), QStringList());
}

TEST_F(ProfiMode, WithAFileOpenTheSecondClickHidesTheSixthCharacterReadHadShown) {
    writeUnits(3, kSixCharacters);
    click("open1");
    ASSERT_TRUE(shown("Text6"));
    ASSERT_EQ(text("Text6"), "l");
    const QStringList before = formSnapshot();

    trigger("MPROF");
    expectMode(true);
    EXPECT_EQ(formSnapshot(), inMode(before, true));

    trigger("MPROF");
    expectMode(false);
    EXPECT_EQ(formSnapshot(), inMode(before, false));
    EXPECT_EQ(text("Text6"), "l");
    EXPECT_EQ(takeMessages(), QStringList());
}

TEST_F(ProfiMode, ATickedFreezeAllStaysTickedAndFrozenAfterSwitchingOff) {
    writeUnits(5, kSixCharacters);
    click("open1");
    trigger("MPROF");
    click("ALF");
    ASSERT_TRUE(ticked("ALF"));
    trigger("MPROF");
    EXPECT_FALSE(enabled("ALF"));
    EXPECT_TRUE(ticked("ALF"));
    click("ALF");  // locked: the click changes nothing
    EXPECT_TRUE(ticked("ALF"));

    setText("NMBu", "3");
    QStringList before = formSnapshot();
    click("ReadM");
    before.replaceInStrings("NAMEu=Name 1", "NAMEu=Name 3");
    EXPECT_EQ(formSnapshot(), before) << "only the name follows the unit";
}

TEST_F(ProfiMode, ClassAndNationalityOfferTheTableNamesAsTheUserTypes) {
    writeUnits(3, kSixCharacters);
    click("open1");
    trigger("MPROF");
    struct Case {
        const char* field;
        const char* typed;
        QStringList offered;
        int chosen;
    };
    const Case cases[] = {
        {"UNIT", "tank", {"Tank", "Anti-tank"}, 0},
        {"UNIT", "CRUISER", {"BattleCruiser", "Cruiser", "Light Cruiser"}, 2},
        {"NATION", "land", {"Poland", "Finland", "England"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        auto* field = qobject_cast<QLineEdit*>(control(c.field));
        ASSERT_NE(field, nullptr) << "still a text field";
        type(c.field, c.typed);
        QCompleter* names = field->completer();
        ASSERT_NE(names, nullptr);
        ASSERT_TRUE(names->popup()->isVisible());
        QStringList offered;
        const QAbstractItemModel* shown = names->completionModel();
        for (int row = 0; row < shown->rowCount(); ++row)
            offered << shown->index(row, 0).data().toString();
        EXPECT_EQ(offered, c.offered);
        for (int down = 0; down <= c.chosen; ++down)
            QTest::keyClick(names->popup(), Qt::Key_Down);
        QTest::keyClick(names->popup(), Qt::Key_Return);
        EXPECT_FALSE(names->popup()->isVisible());
        EXPECT_EQ(field->text(), c.offered[c.chosen]);
    }
    click("Command1");
    EXPECT_EQ(text("Text8"), "21") << "Light Cruiser";
    EXPECT_EQ(text("NATION"), "Finland");
    EXPECT_EQ(takeMessages(), QStringList());
}

}  // namespace
}  // namespace varnel::test
