// The About panel: a red frame over the whole working area, shown from the menu.

#include <QApplication>
#include <QLabel>
#include <QTest>

#include "support/window_fixture.h"

namespace varnel::test {
namespace {

class AboutPanel : public WindowTest {
  protected:
    void SetUp() override {
        writeGameFiles(makeEquipmentFile(2, {patternRecord(0), patternRecord(1)}),
                       nameListText({"First", "Second"}));
        click("open1");
        takeMessages();  // the pattern's codes need no names here
    }
    QWidget* panel() { return control("Ja"); }
    bool onPanel(QWidget* widget) { return widget == panel() || panel()->isAncestorOf(widget); }
};

TEST_F(AboutPanel, ShowsOverEveryControlAndHidesAgainLeavingTheFieldsAsTheyWere) {
    EXPECT_FALSE(shown("Ja"));
    const QStringList before = formSnapshot();
    trigger("MTM");
    ASSERT_TRUE(panel()->isVisible());
    int covered = 0;
    for (QWidget* widget : window().centralWidget()->findChildren<QWidget*>()) {
        const QString name = widget->objectName();
        if (onPanel(widget) || !widget->isVisible() || name.isEmpty() || name.startsWith("Line"))
            continue;
        const QPoint centre = widget->mapTo(&window(), widget->rect().center());
        QWidget* hit = window().childAt(centre);
        EXPECT_TRUE(hit != nullptr && onPanel(hit)) << name.toStdString() << " is not covered";
        ++covered;
    }
    EXPECT_GE(covered, 75) << "every control beneath was looked at";
    EXPECT_EQ(formSnapshot(), before);

    trigger("MTM");
    EXPECT_TRUE(panel()->isVisible()) << "a second About Varnel leaves it shown";
    click("Command3");
    EXPECT_FALSE(panel()->isVisible());
    EXPECT_EQ(formSnapshot(), before);
    EXPECT_EQ(takeMessages(), QStringList());
}

TEST_F(AboutPanel, IsRedWithTheContactLineInYellowTwelvePointType) {
    trigger("MTM");
    // Colours as "#rrggbb".
    const QString red = QColor(255, 0, 0).name();
    EXPECT_EQ(panel()->palette().color(panel()->backgroundRole()).name(), red);
    const QImage image = panel()->grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2).name(), red)
        << "the empty middle of the panel";

    auto* label10 = qobject_cast<QLabel*>(control("Label10"));
    auto* label11 = qobject_cast<QLabel*>(control("Label11"));
    ASSERT_NE(label10, nullptr);
    ASSERT_NE(label11, nullptr);
    EXPECT_EQ(label10->palette().color(label10->backgroundRole()).name(), red);
    EXPECT_EQ(label10->palette().color(label10->foregroundRole()).name(), "#000000");
    EXPECT_EQ(label11->palette().color(label11->backgroundRole()).name(), red);
    EXPECT_EQ(label11->palette().color(label11->foregroundRole()).name(), "#ffff00");
    EXPECT_FALSE(label11->text().isEmpty());
    EXPECT_EQ(label11->font().pointSizeF(), 12.0);
    EXPECT_EQ(label11->font().weight(), QFont::Normal);
    EXPECT_FALSE(label11->font().italic());
}

TEST_F(AboutPanel, TheKeyboardReachesOnlyThePanelsButton) {
    control("NMBu")->setFocus();
    trigger("MTM");
    QWidget* ok = control("Command3");
    EXPECT_EQ(QApplication::focusWidget(), ok);
    for (int press = 0; press < 5; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), ok) << "after Tab " << press + 1;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), ok) << "after Shift+Tab " << press + 1;
    }
    EXPECT_EQ(text("NMBu"), "1");
    QTest::keyClick(ok, Qt::Key_Space);
    EXPECT_FALSE(panel()->isVisible());
}

TEST_F(AboutPanel, TheMenusKeepWorkingWhileItIsShown) {
    trigger("MTM");
    trigger("MPROF");
    EXPECT_TRUE(enabled("ALF"));
    EXPECT_TRUE(panel()->isVisible());
    trigger("MEXIT");
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(window().editor().file(), nullptr);
}

}  // namespace
}  // namespace varnel::test
