// Tooltips: every control, menu and menu item says what it does, with its keys and its byte.

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "form/control_table.h"
#include "form/hints.h"
#include "form/shortcuts.h"
#include "support/window_fixture.h"

namespace varnel::test {
namespace {

class Hints : public WindowTest {
  protected:
    // The window may apply them itself already; applying them again changes nothing.
    void SetUp() override { form::applyHints(window()); }
    QString tip(const char* name) {
        QWidget* widget = control(name);
        return widget != nullptr ? widget->toolTip() : QString();
    }
};

// A menu item's own tooltip, not the caption Qt shows for an item without one, naming every key
// of the item; a submenu's items as well.
void expectHint(QAction& item, int& items) {
    ++items;
    const QString name = item.objectName() + "/" + item.text();
    EXPECT_NE(item.toolTip(), QAction(item.text()).toolTip()) << name.toStdString();
    for (const QKeySequence& key : item.shortcuts()) {
        EXPECT_TRUE(item.toolTip().contains(key.toString(QKeySequence::NativeText)))
            << name.toStdString() << ": " << item.toolTip().toStdString();
    }
    if (QMenu* menu = item.menu()) {
        EXPECT_FALSE(menu->toolTip().isEmpty()) << name.toStdString();
        EXPECT_TRUE(menu->toolTipsVisible()) << name.toStdString();
        for (QAction* inner : menu->actions()) {
            if (!inner->isSeparator()) {
                expectHint(*inner, items);
            }
        }
    }
}

TEST_F(Hints, EveryControlOfTheTableHasOneAndApplyingAgainKeepsThem) {
    QStringList tips;
    for (const form::ControlSpec& row : form::controlTable()) {
        tips << tip(row.name.name);
        EXPECT_FALSE(tips.back().isEmpty()) << row.name.name;
    }
    form::applyHints(window());
    QStringList again;
    for (const form::ControlSpec& row : form::controlTable()) {
        again << tip(row.name.name);
    }
    EXPECT_EQ(again, tips);
}

TEST_F(Hints, EveryMenuAndMenuItemHasOneNamingItsKeys) {
    int items = 0;
    for (QAction* item : window().menuBar()->actions()) {
        expectHint(*item, items);
    }
    EXPECT_GE(items, 6) << "File, Specials, Proffi, Exit, Varnel, About Varnel at least";
}

TEST_F(Hints, EachButtonWithAKeyEndsWithIt) {
    for (const form::ButtonKey& key : form::kButtonKeys) {
        const QString keyText = form::keyText(key.button);
        ASSERT_FALSE(keyText.isEmpty()) << key.key;
        EXPECT_TRUE(tip(key.button.name).contains("  (" + keyText + ")"))
            << key.button.name << ": " << tip(key.button.name).toStdString();
    }
}

TEST_F(Hints, EachValueFieldNamesItsRecordByte) {
    for (const controls::ValueControl& value : controls::kValueControls) {
        const QString byte = QStringLiteral("byte %1 of the record").arg(value.field.offset);
        EXPECT_TRUE(tip(value.control.name).contains(byte))
            << value.control.name << ": " << tip(value.control.name).toStdString();
    }
}

}  // namespace
}  // namespace varnel::test
