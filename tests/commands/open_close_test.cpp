// Open File, Close, Finish, Exit and the window frame, through the real window.

#include <sys/stat.h>

#include <QCloseEvent>
#include <QDir>

#include "support/window_fixture.h"

namespace varnel::test {
namespace {

const char* const kFileCommands[] = {"closeM",   "ReadM", "PREVu",  "NEXTu",
                                     "Command1", "BACK",  "CreateB"};

class OpenClose : public WindowTest {
  protected:
    void expectFileOpenState(bool open) {
        EXPECT_EQ(enabled("open1"), !open);
        for (const char* name : kFileCommands)
            EXPECT_EQ(enabled(name), open) << name;
        EXPECT_TRUE(enabled("finish"));
    }
    // A refused Open File leaves every control as it was.
    void expectRefusal(const std::string& words) {
        const QStringList before = formSnapshot();
        click("open1");
        const QStringList reported = takeMessages();
        ASSERT_EQ(reported.size(), 1);
        EXPECT_TRUE(reported[0].contains(QString::fromStdString(words)))
            << reported[0].toStdString();
        EXPECT_EQ(formSnapshot(), before);
        expectFileOpenState(false);
        EXPECT_TRUE(window().isVisible()) << "the program keeps running";
    }
};

TEST_F(OpenClose, OpenFileSwitchesToFileOpenAndShowsTheHighestUnit) {
    writeUnits(100, patternRecord);
    click("open1");
    EXPECT_EQ(caption("MaxT1"), "99");
    expectFileOpenState(true);
    EXPECT_NE(window().editor().file(), nullptr);
}

TEST_F(OpenClose, TheHighestUnitNumberFollowsTheFileLength) {
    const std::pair<std::size_t, const char*> cases[] = {{0, "-1"},  {72, "-1"},  {73, "0"},
                                                         {218, "1"}, {219, "2"},  {220, "2"},
                                                         {221, "2"}, {7302, "99"}};
    for (const auto& [length, shown] : cases) {
        writeFile(folder().file("Equip97.eqp"), Bytes(length, 1));
        click("open1");
        EXPECT_EQ(caption("MaxT1"), shown) << length << " bytes";
        click("closeM");
    }
}

TEST_F(OpenClose, CloseKeepsTheFormAndMaxUnitsAndTheNextOpenUsesTheNewName) {
    writeUnits(5, patternRecord);
    click("open1");
    setText("Soft1", "42");
    setText("NMBu", "3");
    const QStringList before = formSnapshot();
    click("closeM");
    expectFileOpenState(false);
    EXPECT_EQ(window().editor().file(), nullptr);
    QStringList after = formSnapshot();
    // Only the enabled states of the eight buttons differ.
    after.replaceInStrings(" enabled", " ?").replaceInStrings(" disabled", " ?");
    QStringList expected = before;
    expected.replaceInStrings(" enabled", " ?").replaceInStrings(" disabled", " ?");
    EXPECT_EQ(after, expected);
    EXPECT_EQ(caption("MaxT1"), "4");

    writeFile(folder().file("Other.eqp"), makeEquipmentFile(1, {patternRecord(0)}));
    setText("EQP", "Other.eqp");
    click("open1");
    EXPECT_EQ(caption("MaxT1"), "0");
    EXPECT_EQ(window().editor().file()->path(), folder().file("Other.eqp"));
}

TEST_F(OpenClose, ChangingTheNameWhileOpenHasNoEffectOnTheOpenFile) {
    writeUnits(3, patternRecord);
    click("open1");
    setText("EQP", "Nothing.eqp");
    EXPECT_EQ(window().editor().file()->path(), folder().file("Equip97.eqp"));
    EXPECT_EQ(window().editor().file()->length(), 2 + 73 * 3);
}

TEST_F(OpenClose, AFolderIsRefusedWithItsPath) {
    QDir(QString::fromStdString(folder().path())).mkdir("Equip97.eqp");
    expectRefusal("Could not open " + folder().file("Equip97.eqp") + ": it is a folder.");
}

TEST_F(OpenClose, AnEmptyNameNamesTheWorkingFolderAndIsRefused) {
    setText("EQP", "");
    expectRefusal("it is a folder");
}

TEST_F(OpenClose, AMissingFileIsReportedAndNotCreated) {
    setText("EQP", "Equip98.eqp");
    expectRefusal("There is no file \"Equip98.eqp\" in " + folder().path());
    EXPECT_FALSE(fileExists(folder().file("Equip98.eqp")));
}

TEST_F(OpenClose, AnAbsolutePathOpensThatFile) {
    TempFolder elsewhere;
    writeFile(elsewhere.file("Game.eqp"),
              makeEquipmentFile(2, {patternRecord(0), patternRecord(1)}));
    setText("EQP", QString::fromStdString(elsewhere.file("Game.eqp")));
    click("open1");
    EXPECT_EQ(caption("MaxT1"), "1");
    ASSERT_NE(window().editor().file(), nullptr);
    EXPECT_EQ(window().editor().file()->path(), elsewhere.file("Game.eqp"));
}

TEST_F(OpenClose, AReadOnlyFileOpensForReadingWithOneNotice) {
    writeUnits(4, patternRecord);
    ASSERT_EQ(::chmod(folder().file("Equip97.eqp").c_str(), 0444), 0);
    click("open1");
    expectFileOpenState(true);
    EXPECT_EQ(caption("MaxT1"), "3");
    ASSERT_NE(window().editor().file(), nullptr);
    EXPECT_TRUE(window().editor().file()->readOnly());
    const QStringList reported = takeMessages();
    ASSERT_EQ(reported.size(), 1);
    EXPECT_TRUE(reported[0].contains("can only be read")) << reported[0].toStdString();
}

TEST_F(OpenClose, FinishExitAndTheWindowFrameCloseTheFileAndTheWindow) {
    writeUnits(2, patternRecord);
    for (const char* how : {"finish", "MEXIT", "frame"}) {
        SCOPED_TRACE(how);
        if (!window().isVisible())
            window().show();
        if (window().editor().file() == nullptr && enabled("open1"))
            click("open1");
        ASSERT_NE(window().editor().file(), nullptr);
        setText("Soft1", "200");  // an unsaved edit is not written
        if (std::string(how) == "finish") {
            click("finish");
        } else if (std::string(how) == "MEXIT") {
            trigger("MEXIT");
        } else {
            window().close();
        }
        EXPECT_FALSE(window().isVisible());
        EXPECT_EQ(window().editor().file(), nullptr);
        EXPECT_EQ(equipmentNow(), makeEquipmentFile(2, {patternRecord(0), patternRecord(1)}));
        click("closeM");  // back to No file open for the next round
    }
}

}  // namespace
}  // namespace varnel::test
