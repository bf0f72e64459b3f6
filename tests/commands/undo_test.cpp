// Undo and redo of Save, Create Unit and Replace: both files back byte for byte, and never over a
// change another program made since.

#include <QAction>
#include <QLabel>

#include "support/unit_records.h"
#include "support/window_fixture.h"

namespace varnel::test {
namespace {

class UndoRedo : public WindowTest {
  protected:
    struct Files {
        Bytes equipment;
        std::string names;
        friend bool operator==(const Files&, const Files&) = default;
    };
    Files filesNow() { return {equipmentNow(), namesNow()}; }

    QAction* item(const char* name) { return window().findChild<QAction*>(QLatin1String(name)); }

    // Undo, then redo, then undo again: each time both files are exactly as before or after.
    void expectUndoAndRedo(const Files& before, const Files& after, const QString& undoText) {
        EXPECT_EQ(item("actionUndo")->text(), undoText);
        trigger("actionUndo");
        EXPECT_EQ(filesNow(), before);
        EXPECT_FALSE(item("actionUndo")->isEnabled());
        trigger("actionRedo");
        EXPECT_EQ(filesNow(), after);
        trigger("actionUndo");
        EXPECT_EQ(filesNow(), before);
        EXPECT_TRUE(takeMessages().isEmpty());
    }
};

// A list written by another editor, LF alone and one name short: Save rewrites every line end,
// and undo puts each one back.
std::string shortLfList(int names) {
    std::string text;
    for (int n = 0; n < names; ++n) {
        text += "Name " + std::to_string(n) + "\n";
    }
    return text;
}

TEST_F(UndoRedo, SaveIsTakenBackAndMadeAgainInBothFiles) {
    Bytes equipment = writeUnits(6);
    writeGameFiles(equipment, shortLfList(5));
    openAt("2");
    const Files before = filesNow();
    type("Soft1", "77");
    type("NAMEu", "Renamed");
    click("Command1");
    const Files after = filesNow();
    ASSERT_NE(after, before);
    expectUndoAndRedo(before, after, "&Undo Save of unit 2");
    EXPECT_EQ(text("NMBu"), "2");
    EXPECT_EQ(text("Soft1"), QString::number(distinctUnit(2).soft)) << "Read shows the unit";
    EXPECT_EQ(status(), "Undone: Save of unit 2.");
    EXPECT_EQ(item("actionRedo")->text(), "&Redo Save of unit 2");
}

TEST_F(UndoRedo, CreateUnitAtTheLastFreeNumberIsTakenBackWithCounterLengthAndList) {
    writeUnits(32766, unitRecord, 32760);
    openAt("12");
    const Files before = filesNow();
    trigger("MPROF");
    click("CreateB");
    const Files after = filesNow();
    ASSERT_EQ(after.equipment.size(), before.equipment.size() + 73);
    EXPECT_EQ(caption("MaxT1"), "32766");
    auto* highest = window().findChild<QLabel*>(QStringLiteral("MaxT1"));
    EXPECT_LE(highest->fontMetrics().horizontalAdvance(highest->text()),
              highest->contentsRect().width())
        << "Max Units shows the number whole";
    expectUndoAndRedo(before, after, "&Undo Create Unit of unit 32766");
    EXPECT_EQ(caption("MaxT1"), "32765");
    EXPECT_EQ(text("NMBu"), "12") << "the unit copied is shown once the new one is gone";
}

TEST_F(UndoRedo, ReplaceIsTakenBackAndMadeAgain) {
    writeUnits(5);
    openAt("1");
    const Files before = filesNow();
    trigger("MPROF");
    setText("Text9", "3");
    click("Command2");
    const Files after = filesNow();
    ASSERT_NE(after, before);
    expectUndoAndRedo(before, after, "&Undo Replace of unit 3");
    EXPECT_EQ(text("NMBu"), "3");
}

TEST_F(UndoRedo, ChangesAnotherProgramMadeSinceAreNeverOverwritten) {
    writeUnits(5);
    openAt("2");
    type("Hard1", "9");
    type("NAMEu", "Mine");
    click("Command1");

    // Another program changes the saved unit: undo leaves it and its change as they are.
    Bytes theirs = equipmentNow();
    setByte(theirs, 2, offset::hard, 123);
    writeFile(folder().file("Equip97.eqp"), theirs);
    const std::string names = namesNow();
    trigger("actionUndo");
    EXPECT_EQ(equipmentNow(), theirs);
    EXPECT_EQ(namesNow(), names);
    QStringList said = takeMessages();
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said[0].contains("another program has changed")) << said[0].toStdString();
    EXPECT_EQ(status(), "Nothing was changed.");
    EXPECT_TRUE(item("actionUndo")->isEnabled()) << "the change stays on the history";

    // Put back, the record can be undone; a name line changed meanwhile refuses it the same way.
    setByte(theirs, 2, offset::hard, 9);
    writeFile(folder().file("Equip97.eqp"), theirs);
    std::string renamed = names;
    renamed.replace(renamed.find("Mine"), 4, "Yours");
    writeFile(folder().file("Equip97.txt"), renamed);
    trigger("actionUndo");
    EXPECT_EQ(equipmentNow(), theirs);
    EXPECT_EQ(namesNow(), renamed);
    said = takeMessages();
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said[0].contains("name list")) << said[0].toStdString();
}

TEST_F(UndoRedo, TheHistoryEndsWithTheOpenFile) {
    writeUnits(3);
    openAt("1");
    type("Soft1", "5");
    click("Command1");
    ASSERT_TRUE(item("actionUndo")->isEnabled());
    click("closeM");
    EXPECT_FALSE(item("actionUndo")->isEnabled());
    EXPECT_EQ(item("actionUndo")->text(), "&Undo");

    openAt("1");
    type("Soft1", "6");
    click("Command1");
    trigger("actionUndo");
    ASSERT_TRUE(item("actionRedo")->isEnabled());
    type("Soft1", "7");
    click("Command1");
    EXPECT_FALSE(item("actionRedo")->isEnabled()) << "a new change ends what could be redone";
}

}  // namespace
}  // namespace varnel::test
