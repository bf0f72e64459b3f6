// The keys, Open Files, the status bar and the tint of fields edited and not yet saved.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>

#include "support/unit_records.h"
#include "support/window_fixture.h"

namespace varnel::test {
namespace {

class KeysAndStatus : public WindowTest {
  protected:
    QString fileLine() {
        return window().findChild<QLineEdit*>(QStringLiteral("statusFile"))->text();
    }
    bool tinted(const char* name) {
        return control(name)->palette().color(QPalette::Base) !=
               QApplication::palette().color(QPalette::Base);
    }
};

TEST_F(KeysAndStatus, EachKeyDoesWhatItsButtonDoesAndNothingWhileItIsDisabled) {
    const Bytes files = writeUnits(5);
    control("EQP")->setFocus();
    const QStringList before = formSnapshot();
    for (const char* keys : {"Ctrl+S", "PgDown", "PgUp", "F5", "Ctrl+Z", "Ctrl+Y"}) {
        press(keys);
    }
    EXPECT_EQ(formSnapshot(), before);
    EXPECT_TRUE(takeMessages().isEmpty());

    openAt("1");
    control("Soft1")->setFocus();
    press("PgDown");
    EXPECT_EQ(text("NMBu"), "2");
    press("PgUp");
    press("PgUp");
    EXPECT_EQ(text("NMBu"), "4") << "Previous Unit wraps from 1 to the highest";
    setText("Hard1", "1");
    press("F5");
    EXPECT_EQ(text("Hard1"), QString::number(distinctUnit(4).hard));
    type("Hard1", "99");
    press("Ctrl+S");
    EXPECT_EQ(equipmentNow()[2 + 73 * 4 + offset::hard], 99);

    // Ctrl+Z takes back the typing in the field first, then the Save.
    type("Hard1", "12");
    press("Ctrl+Z");
    EXPECT_EQ(text("Hard1"), "99");
    press("Ctrl+Z");
    EXPECT_EQ(equipmentNow(), files);
    press("Ctrl+Shift+Z");
    EXPECT_EQ(equipmentNow()[2 + 73 * 4 + offset::hard], 99);

    // While the About panel covers the window, the buttons' keys do nothing.
    trigger("MTM");
    press("PgDown");
    EXPECT_EQ(text("NMBu"), "4");
    EXPECT_TRUE(takeMessages().isEmpty());
}

TEST_F(KeysAndStatus, EnterInUnitNumberReadsAndTheAboutPanelClosesOnItsKeys) {
    writeUnits(5);
    openAt("1");
    type("NMBu", "3");
    press("Return");
    EXPECT_EQ(text("NAMEu"), "Name 3");

    for (const char* keys : {"Esc", "Return", "Enter", "Space"}) {
        trigger("MTM");
        ASSERT_TRUE(shown("Ja"));
        press(keys);
        EXPECT_FALSE(shown("Ja")) << keys;
        EXPECT_EQ(QApplication::focusWidget(), control("NMBu")) << "the focus goes back";
    }
}

TEST_F(KeysAndStatus, OpenFilesTakesTheListBesideTheChosenFile) {
    const TempFolder mod;
    writeUnitFiles(mod, 4);
    const QString chosen = QString::fromStdString(mod.file("Mod.eqp"));
    QDir(QString::fromStdString(mod.path())).rename("Equip97.eqp", "Mod.eqp");
    QDir(QString::fromStdString(mod.path())).rename("Equip97.txt", "Mod.TXT");
    writeUnits(2);
    openAt("1");

    QString startedIn;
    window().setFileChooser([&](QWidget&, const QString& folder) {
        startedIn = folder;
        return QString();  // cancelled
    });
    trigger("actionOpenFiles");
    EXPECT_EQ(startedIn, QString::fromStdString(folder().path()));
    EXPECT_EQ(caption("MaxT1"), "1") << "a cancelled dialog changes nothing";

    window().setFileChooser([&](QWidget&, const QString&) { return chosen; });
    trigger("actionOpenFiles");
    EXPECT_EQ(text("EQP"), chosen);
    EXPECT_EQ(text("TXT"), QString::fromStdString(mod.file("Mod.TXT")));
    EXPECT_EQ(caption("MaxT1"), "3");
    EXPECT_EQ(text("NAMEu"), "Name 1");
    EXPECT_EQ(fileLine(), chosen);
    EXPECT_TRUE(takeMessages().isEmpty());

    // Without a list beside it, the list field names the one it would be, never a list of
    // another folder, and Open File says it is missing.
    QFile::remove(QString::fromStdString(mod.file("Mod.TXT")));
    trigger("actionOpenFiles");
    EXPECT_EQ(text("TXT"), QString::fromStdString(mod.file("Mod.txt")));
    const QStringList said = takeMessages();
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said[0].contains("There is no name list")) << said[0].toStdString();
}

TEST_F(KeysAndStatus, TheStatusBarSaysWhatEachCommandDidAndWhatIsNotSaved) {
    writeUnits(5);
    EXPECT_EQ(fileLine(), "No file open");
    openAt("1");
    EXPECT_EQ(fileLine(), QString::fromStdString(folder().file("Equip97.eqp")));
    EXPECT_EQ(status(), QString::fromUtf8("Opened; units 0 to 4. Read unit 1 “Name 1”."));

    type("Soft1", "50");
    type("CASH2", "24");
    EXPECT_EQ(status(), "Not saved: Soft, Cost");
    EXPECT_TRUE(tinted("Soft1"));
    EXPECT_TRUE(tinted("CASH2"));
    EXPECT_FALSE(tinted("Hard1"));

    type("Hard1", "x");
    click("Command1");
    takeMessages();
    EXPECT_EQ(status(), "Nothing was changed. Not saved: Soft, Hard, Cost");
    type("Hard1", "3");
    click("Command1");
    EXPECT_EQ(status(), QString::fromUtf8("Saved unit 1 “Name 1”."));
    EXPECT_FALSE(tinted("Soft1")) << "saved, the field is as read again";

    trigger("MPROF");
    click("CreateB");
    EXPECT_EQ(status(), "Created unit 5 from unit 1.");
    setText("NMBu", "2");
    click("ReadM");
    setText("Text9", "3");
    click("Command2");
    EXPECT_EQ(status(), "Unit 3 replaced by unit 2.");
    EXPECT_TRUE(takeMessages().isEmpty());
}

TEST_F(KeysAndStatus, AFileThatMayOnlyBeReadIsSaidSo) {
    writeUnits(3);
    QFile::setPermissions(QString::fromStdString(folder().file("Equip97.eqp")),
                          QFileDevice::ReadOwner | QFileDevice::ReadUser);
    openAt("1");
    EXPECT_EQ(fileLine(), QString::fromStdString(folder().file("Equip97.eqp")) + " (read-only)");
}

}  // namespace
}  // namespace varnel::test
