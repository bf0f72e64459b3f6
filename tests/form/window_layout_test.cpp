// The window as a user first sees it: every control where the layout puts it, with its caption,
// state and place in the focus order.

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <cmath>
#include <sstream>

#include "support/window_fixture.h"

namespace varnel::test {
namespace {

// Written out from the layout, control by control:
// name, kind, text, left, top, width, height (twips), enabled, shown, containing frame.
const char* const kExpectedControls[] = {
    "open1    button 'Open File'        120  120 1095 375 on  shown -",
    "ReadM    button 'Read'             120  600 1095 375 off shown -",
    "closeM   button 'Close'            120 1080 1095 375 off shown -",
    "finish   button 'Finish'           120 1560 1095 375 on  shown -",
    "EQP      field  'Equip97.eqp'     1680  120 1095 285 on  shown -",
    "TXT      field  'Equip97.txt'     1680  480 1095 285 on  shown -",
    "Command1 button 'Save'            2880    0  615 375 off shown -",
    "BACK     button 'Last'            3600    0  495 375 off shown -",
    "CreateB  button 'Create_Unit'     2880  480 1215 375 off shown -",
    "PREVu    button 'Previous_Unit'   1680  960 1095 495 off shown -",
    "NEXTu    button '___Next_Unit___' 2880  960 1215 495 off shown -",
    "Label3   label  'Type'            1920 1560  495 255 on  shown -",
    "UNIT     field  'Unit_Type'       2400 1560 1695 285 off shown -",
    "Label7   label  'Nationality:'    1080 2040  855 255 on  shown -",
    "NATION   field  'Nationality'      960 2280 1335 285 off shown -",
    "Label2   label  'Unit_Number'     2520 2040  975 255 on  shown -",
    "NMBu     field  '1'               3600 1920  495 285 on  shown -",
    "NAMEu    field  'Unit_Name'       2520 2280 1575 285 on  shown -",
    "CASH1    label  'Cost'            3000 3840  375 255 on  shown -",
    "CASH2    field  '0'               3600 3840  495 285 on  shown -",
    "Label4   label  'Max_Units'       3000 4680  615 375 on  shown -",
    // Wider than the 375 of the original layout, so that the highest unit number a file can
    // hold, 32766, shows whole.
    "MaxT1    label  '?\?\?'             3720 4680  615 375 on  shown -",
    "Label1   label  'Date:'           3600 2640  495 255 on  shown -",
    "Soft     label  'Soft'             240 2640  495 255 on  shown -",
    "Hard     label  'Hard'             240 3000  495 255 on  shown -",
    "AA       label  'Air_Att'          240 3360  495 255 on  shown -",
    "NA       label  'Naval'            240 3720  495 255 on  shown -",
    "GD       label  'Gr.Def'           240 4080  495 255 on  shown -",
    "I        label  'Initiative'      1680 2640  735 255 on  shown -",
    "R        label  'Range'           1680 3000  615 255 on  shown -",
    "S        label  'Spotting'        1680 3360  615 255 on  shown -",
    "RM       label  'RangeM'          1680 3720  615 255 on  shown -",
    "M        label  'Move'            1680 4080  615 255 on  shown -",
    "AD       label  'Ar.Def'           240 4440  495 255 on  shown -",
    "CD       label  'Cl.Def'           240 4800  495 255 on  shown -",
    "F        label  'Fuel'            1680 4440  615 255 on  shown -",
    "A        label  'Ammo'            1680 4800  615 255 on  shown -",
    "DM       label  'Month'           3000 3120  495 255 on  shown -",
    "DY       label  'Year'            3000 3480  495 255 on  shown -",
    "Soft1    field  '0'                840 2640  495 285 on  shown -",
    "Hard1    field  '0'                840 3000  495 285 on  shown -",
    "AA1      field  '0'                840 3360  495 285 on  shown -",
    "NA1      field  '0'                840 3720  495 285 on  shown -",
    "GD1      field  '0'                840 4080  495 285 on  shown -",
    "I1       field  '0'               2400 2640  495 285 on  shown -",
    "R1       field  '0'               2400 3000  495 285 on  shown -",
    "S1       field  '0'               2400 3360  495 285 on  shown -",
    "RM1      field  '0'               2400 3720  495 285 on  shown -",
    "M1       field  '0'               2400 4080  495 285 on  shown -",
    "AD1      field  '0'                840 4440  495 285 on  shown -",
    "CD1      field  '0'                840 4800  495 285 on  shown -",
    "F1       field  '0'               2400 4440  495 285 on  shown -",
    "A1       field  '0'               2400 4800  495 285 on  shown -",
    "DM1      field  '0'               3600 3120  495 285 on  shown -",
    "DY1      field  '0'               3600 3480  495 285 on  shown -",
    "Frame1   frame  'Switches'        4200 1200 1095 2175 on shown -",
    "SHIP     check  'Ship'             120  360  855 255 off shown Frame1",
    "CARRIER  check  'Carrier'          120  720  855 255 off shown Frame1",
    "FORT     check  'Fort'             120 1080  855 255 off shown Frame1",
    "AIR      check  'Air_Tran'         120 1440  855 255 off shown Frame1",
    "SEA      check  'Sea_Tr'           120 1800  855 255 off shown Frame1",
    "Text10   field  'Sw1'             1680 5640  495 285 off shown -",
    "Text11   field  'Sw2'             2160 5640  495 285 off shown -",
    "Text12   field  'Sw3'             2640 5640  495 285 off shown -",
    "Label8   label  'Source_File:'     240 5760  975 255 on  shown -",
    "Text1    field  'C1'               240 6000  255 285 off shown -",
    "Text2    field  'C2'               480 6000  255 285 off shown -",
    "Text3    field  'C3'               720 6000  255 285 off shown -",
    "Text4    field  'C4'               960 6000  255 285 off shown -",
    "Text5    field  'C5'              1200 6000  255 285 off shown -",
    "Text6    field  'C6'              1440 6000  255 285 off hidden -",
    "Text8    field  'NA'              1800 6000  375 285 off shown -",
    "Text7    field  'NA'              2160 6000  375 285 off shown -",
    "HLP1     field  'Control'         2520 6000  375 285 off shown -",
    "Label5   label  'Advanced_Options' 3360 5160 1335 255 on shown -",
    "Label9   label  'Freeze_All'      3360 5520  735 255 on  shown -",
    "ALF      check  'Check1'          4440 5520  255 255 off shown -",
    "Label6   label  'Freeze_Stats'    3360 5760  975 255 on  shown -",
    "Freeze   check  'Check2'          4440 5760  195 195 on  shown -",
    "Command2 button 'Replace_'        3360 6000  975 315 off shown -",
    "Text9    field  '1'               4440 6000  375 285 on  shown -",
    "Ja       frame  'Varnel'           120    0 5175 6375 on hidden -",
    "Label10  label  'To_contact_me_please_e-mail_me:' 240 360 2655 375 on shown Ja",
    "Command3 button 'OK,_I_Will'       360 5400 1215 375 on  shown Ja",
};

QString kindOf(QWidget* widget) {
    if (qobject_cast<QPushButton*>(widget))
        return "button";
    if (qobject_cast<QCheckBox*>(widget))
        return "check";
    if (qobject_cast<QLineEdit*>(widget))
        return "field";
    if (qobject_cast<QLabel*>(widget))
        return "label";
    if (qobject_cast<QGroupBox*>(widget))
        return "frame";
    return "other";
}

QString textOf(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* field = qobject_cast<QLineEdit*>(widget))
        return field->text();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* frame = qobject_cast<QGroupBox*>(widget))
        return frame->title();
    return {};
}

// The named controls placed directly on parent, the client area or a frame; lines among them.
QList<QWidget*> controlsOn(QWidget* parent) {
    QList<QWidget*> controls;
    for (QWidget* widget : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!widget->isWindow() && !widget->objectName().isEmpty())
            controls << widget;
    }
    return controls;
}

bool isLine(const QWidget* widget) {
    return widget->objectName().startsWith("Line");
}

// Where a frame's style draws its title.
QRect titleOf(QGroupBox& frame) {
    QStyleOptionGroupBox option;
    option.initFrom(&frame);
    option.text = frame.title();
    option.textAlignment = frame.alignment();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    return frame.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel,
                                         &frame);
}

class WindowLayout : public WindowTest {
  protected:
    // Pixels at the screen's logical DPI back to twips: 15 twips a pixel at 96 DPI.
    double twipsPerPixel() { return 1440.0 / window().logicalDpiX(); }
    // The client area and every frame on it.
    QList<QWidget*> parents() {
        QList<QWidget*> parents{window().centralWidget()};
        for (QWidget* widget : controlsOn(window().centralWidget())) {
            if (qobject_cast<QGroupBox*>(widget))
                parents << widget;
        }
        return parents;
    }
};

TEST_F(WindowLayout, EveryControlHasItsKindTextStateAndPlace) {
    for (const char* row : kExpectedControls) {
        // The text stands in quotes, with '_' for each blank.
        const std::string line = row;
        const auto open = line.find('\''), close = line.rfind('\'');
        std::istringstream head(line.substr(0, open)), tail(line.substr(close + 1));
        std::string name, kind, enabledWord, shownWord, frame;
        int left, top, width, height;
        head >> name >> kind;
        tail >> left >> top >> width >> height >> enabledWord >> shownWord >> frame;
        QString expectedText = QString::fromStdString(line.substr(open + 1, close - open - 1));
        expectedText.replace('_', ' ');
        SCOPED_TRACE(row);

        QWidget* widget = control(name.c_str());
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(kindOf(widget), QString::fromStdString(kind));
        EXPECT_EQ(textOf(widget), expectedText);
        EXPECT_EQ(enabled(name.c_str()), enabledWord == "on");
        EXPECT_EQ(shown(name.c_str()), shownWord == "shown");
        const QString parentName = widget->parentWidget()->objectName();
        EXPECT_EQ(parentName, frame == "-" ? QString("client") : QString::fromStdString(frame));

        const QRect g = widget->geometry();
        const double tolerance = twipsPerPixel();  // within a pixel
        EXPECT_NEAR(g.x() * twipsPerPixel(), left, tolerance);
        EXPECT_NEAR(g.y() * twipsPerPixel(), top, tolerance);
        EXPECT_NEAR(g.width() * twipsPerPixel(), width, tolerance);
        EXPECT_NEAR(g.height() * twipsPerPixel(), height, tolerance);
    }
}

TEST_F(WindowLayout, TheWindowHasItsNameCaptionAndFixedClientArea) {
    EXPECT_EQ(window().objectName(), "VarnelEdit");
    EXPECT_EQ(window().windowTitle(), "Varnel's Kordex 2 Tools");
    QWidget* client = window().centralWidget();
    EXPECT_NEAR(client->width() * twipsPerPixel(), 5385, twipsPerPixel());
    EXPECT_NEAR(client->height() * twipsPerPixel(), 6405, twipsPerPixel());
    EXPECT_EQ(window().minimumSize(), window().maximumSize()) << "the window must not resize";
}

// Value field i and its label i stand on one row, the label the nearest control left of the
// field and ending where the field begins; "Date:" heads the two date fields and labels no field
// of its own.
TEST_F(WindowLayout, ValueFieldsAndTheirLabelsCarryTheirIndex) {
    const char* fields[] = {"Soft1", "Hard1", "AA1", "NA1", "GD1", "I1", "R1",  "S1",
                            "RM1",   "M1",    "AD1", "CD1", "F1",  "A1", "DM1", "DY1"};
    const char* labels[] = {"Soft", "Hard", "AA", "NA", "GD", "I", "R",  "S",
                            "RM",   "M",    "AD", "CD", "F",  "A", "DM", "DY"};
    const QList<QWidget*> controls = controlsOn(window().centralWidget());
    // The name of the control nearest to the left of widget, among those on its row.
    auto leftNeighbour = [&](QWidget* widget) {
        const QRect g = widget->geometry();
        QWidget* nearest = nullptr;
        for (QWidget* other : controls) {
            const QRect o = other->geometry();
            const bool onRow = o.top() <= g.bottom() && o.bottom() >= g.top();
            if (other == widget || isLine(other) || other->objectName() == "Ja" || !onRow ||
                o.left() >= g.left())
                continue;
            if (nearest == nullptr || o.left() > nearest->geometry().left())
                nearest = other;
        }
        return nearest != nullptr ? nearest->objectName() : QString();
    };
    for (int index = 0; index < 16; ++index) {
        SCOPED_TRACE(fields[index]);
        QWidget* field = control(fields[index]);
        QWidget* label = control(labels[index]);
        EXPECT_EQ(label->geometry().top(), field->geometry().top()) << "on one row";
        EXPECT_EQ(leftNeighbour(field), labels[index]);
        EXPECT_LE(label->geometry().right(), field->geometry().left());
    }

    const QRect date = control("Label1")->geometry();
    EXPECT_EQ(date.left(), control("DM1")->geometry().left());
    EXPECT_EQ(date.left(), control("DY1")->geometry().left());
    EXPECT_LE(date.bottom(), control("DM1")->geometry().top()) << "above the date fields";
    for (const char* field : fields)
        EXPECT_NE(leftNeighbour(control(field)), "Label1") << field;
}

TEST_F(WindowLayout, EveryControlLiesInsideTheClientAreaOrItsFrame) {
    int checked = 0;
    for (QWidget* parent : parents()) {
        for (QWidget* widget : controlsOn(parent)) {
            EXPECT_TRUE(parent->rect().contains(widget->geometry()))
                << widget->objectName().toStdString() << " reaches outside "
                << parent->objectName().toStdString();
            ++checked;
        }
    }
    EXPECT_EQ(checked, 85 + 8) << "the controls of the layout and its lines";
}

// The neighbours the layout sets one pixel into each other.
// clang-format off
const std::pair<const char*, const char*> kTouching[] = {
    // Fields in a row share the border between them: the six characters, the switch bytes, and
    // the class, nationality and control fields.
    {"Text1", "Text2"}, {"Text2", "Text3"}, {"Text3", "Text4"}, {"Text4", "Text5"},
    {"Text5", "Text6"}, {"Text10", "Text11"}, {"Text11", "Text12"}, {"Text8", "Text7"},
    {"Text7", "HLP1"},
    // Labels whose box ends one pixel inside the control beside or below them.
    {"Label3", "UNIT"}, {"I", "I1"}, {"Label7", "NATION"}, {"Label2", "NAMEu"},
    {"Label8", "Text1"}, {"Label8", "Text2"}, {"Label8", "Text3"}, {"Label8", "Text4"},
    {"Label8", "Text5"}, {"Label9", "Label6"}, {"Label6", "Command2"},
    // The Freeze All box ends one pixel inside the Freeze Stats box below it.
    {"ALF", "Freeze"},
};
// clang-format on

// No two controls of one parent overlap, but where the layout means them to: the About panel
// "Ja" covers the whole working area once shown (the About panel test shows it covers every
// control); the lines lie beneath the controls they cross and meet one another at the corners
// of their boxes; and the neighbours of kTouching overlap by a pixel.
TEST_F(WindowLayout, NoTwoControlsOfOneParentOverlapButWhereTheLayoutMeansThem) {
    auto touching = [](const QString& a, const QString& b) {
        for (const auto& [first, second] : kTouching) {
            if ((a == first && b == second) || (a == second && b == first))
                return true;
        }
        return false;
    };
    int crossings = 0;
    for (QWidget* parent : parents()) {
        const QList<QWidget*> controls = controlsOn(parent);
        for (qsizetype i = 0; i < controls.size(); ++i) {
            for (qsizetype j = i + 1; j < controls.size(); ++j) {
                QWidget* a = controls[i];
                QWidget* b = controls[j];
                const QRect overlap = a->geometry() & b->geometry();
                if (overlap.isEmpty() || a->objectName() == "Ja" || b->objectName() == "Ja")
                    continue;
                SCOPED_TRACE((a->objectName() + " and " + b->objectName()).toStdString());
                if (isLine(a) && isLine(b)) {
                    EXPECT_EQ(overlap.size(), QSize(1, 1)) << "lines meet only at a corner";
                } else if (isLine(a) || isLine(b)) {
                    QWidget* above = isLine(a) ? b : a;
                    QWidget* shown = parent->childAt(overlap.center());
                    EXPECT_TRUE(shown == above || above->isAncestorOf(shown))
                        << "the line is not beneath";
                    ++crossings;
                } else if (touching(a->objectName(), b->objectName())) {
                    EXPECT_LE(std::min(overlap.width(), overlap.height()), 1);
                } else {
                    ADD_FAILURE() << "they overlap";
                }
            }
        }
    }
    EXPECT_GT(crossings, 0) << "controls standing on lines were looked at";
}

TEST_F(WindowLayout, TheLinesDrawTwoBoxesAlongTheBottom) {
    struct Line {
        const char* name;
        int x1, y1, x2, y2;
    };
    const Line lines[] = {{"Line1", 120, 5160, 4920, 5160},  {"Line2", 120, 6360, 120, 5160},
                          {"Line3", 3240, 6360, 120, 6360},  {"Line4", 4920, 5160, 4920, 6360},
                          {"Line5", 4920, 5400, 3240, 5400}, {"Line6", 3240, 5160, 3240, 6360},
                          {"Line7", 120, 5640, 3240, 5640},  {"Line8", 3240, 6360, 4920, 6360}};
    const double t = twipsPerPixel();
    for (const Line& line : lines) {
        SCOPED_TRACE(line.name);
        const QRect g = control(line.name)->geometry();
        EXPECT_NEAR(g.left() * t, std::min(line.x1, line.x2), t);
        EXPECT_NEAR(g.top() * t, std::min(line.y1, line.y2), t);
        EXPECT_NEAR(g.right() * t, std::max(line.x1, line.x2), t);
        EXPECT_NEAR(g.bottom() * t, std::max(line.y1, line.y2), t);
        EXPECT_TRUE(g.width() == 1 || g.height() == 1) << "one pixel wide";
    }
}

TEST_F(WindowLayout, StartsWithMaxUnitsUnknownAndFocusOnOpenFile) {
    EXPECT_EQ(caption("MaxT1"), "???");
    EXPECT_EQ(text("NMBu"), "1");
    EXPECT_EQ(QApplication::focusWidget(), control("open1"));
}

TEST_F(WindowLayout, TheMenusCarryTheirNamesCaptionsAndAccessLetters) {
    // The window's own menus and items keep their names and order; Open Files and the Edit menu
    // are added around them.
    QMenuBar* bar = window().menuBar();
    const QList<QAction*> top = bar->actions();
    ASSERT_EQ(top.size(), 4);
    EXPECT_EQ(top[0]->text(), "&File");
    EXPECT_EQ(top[0]->menu()->objectName(), "MFILE");
    EXPECT_EQ(top[1]->text(), "&Edit");
    EXPECT_EQ(top[1]->menu()->objectName(), "menuEdit");
    EXPECT_EQ(top[2]->text(), "&View");
    EXPECT_EQ(top[2]->menu()->objectName(), "menuView");
    EXPECT_EQ(top[3]->text(), "&Varnel");
    EXPECT_EQ(top[3]->menu()->objectName(), "MTOM");

    const QList<QAction*> file = top[0]->menu()->actions();
    ASSERT_EQ(file.size(), 3);
    EXPECT_EQ(file[0]->text(), QString::fromUtf8("&Open Files\u2026"));
    EXPECT_EQ(file[0]->objectName(), "actionOpenFiles");
    EXPECT_EQ(file[1]->text(), "&Specials");
    ASSERT_NE(file[1]->menu(), nullptr);
    EXPECT_EQ(file[1]->menu()->objectName(), "MSPEC");
    EXPECT_EQ(file[2]->text(), "E&xit");
    EXPECT_EQ(file[2]->objectName(), "MEXIT");

    const QList<QAction*> specials = file[1]->menu()->actions();
    ASSERT_EQ(specials.size(), 1);
    EXPECT_EQ(specials[0]->text(), "&Proffi");
    EXPECT_EQ(specials[0]->objectName(), "MPROF");
    EXPECT_FALSE(specials[0]->isChecked());

    const QList<QAction*> edit = top[1]->menu()->actions();
    ASSERT_EQ(edit.size(), 2);
    EXPECT_EQ(edit[0]->text(), "&Undo");
    EXPECT_EQ(edit[0]->objectName(), "actionUndo");
    EXPECT_FALSE(edit[0]->isEnabled());
    EXPECT_EQ(edit[1]->text(), "&Redo");
    EXPECT_EQ(edit[1]->objectName(), "actionRedo");

    const QList<QAction*> view = top[2]->menu()->actions();
    ASSERT_EQ(view.size(), 1);
    EXPECT_EQ(view[0]->text(), "Unit &Table");
    EXPECT_EQ(view[0]->objectName(), "actionUnitTable");

    const QList<QAction*> varnel = top[3]->menu()->actions();
    ASSERT_EQ(varnel.size(), 1);
    EXPECT_EQ(varnel[0]->text(), "About Varnel");
    EXPECT_EQ(varnel[0]->objectName(), "MTM");
}

// The order Tab walks, written out from the layout; disabled and hidden controls are skipped.
const char* const kFocusOrder[] = {
    "open1",   "ReadM",  "closeM", "finish",  "EQP",   "TXT",    "Soft1",  "Hard1",    "AA1",
    "NA1",     "GD1",    "I1",     "R1",      "S1",    "RM1",    "M1",     "AD1",      "CD1",
    "F1",      "A1",     "DM1",    "DY1",     "NEXTu", "PREVu",  "NAMEu",  "Command1", "BACK",
    "CreateB", "NMBu",   "UNIT",   "Freeze",  "HLP1",  "CASH2",  "NATION", "Text1",    "Text2",
    "Text3",   "Text4",  "Text5",  "Text6",   "Text7", "Text8",  "ALF",    "Command2", "Text9",
    "SHIP",    "Text10", "Text11", "CARRIER", "FORT",  "Text12", "AIR",    "SEA",      "Command3"};

QStringList tabWalk(QWidget* start, int steps) {
    QStringList names;
    start->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < steps; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        names << QApplication::focusWidget()->objectName();
    }
    return names;
}

// The controls of the focus order that can take the focus now.
QStringList reachable(QWidget& window) {
    QStringList names;
    for (const char* name : kFocusOrder) {
        QWidget* w = window.findChild<QWidget*>(name);
        if (w->isVisibleTo(&window) && w->isEnabled()) {
            names << name;
        }
    }
    return names;
}

TEST_F(WindowLayout, TabWalksTheFocusOrderSkippingDisabledControls) {
    const QStringList expected = reachable(window());
    ASSERT_EQ(expected.first(), "open1");
    QStringList walk = tabWalk(control("open1"), static_cast<int>(expected.size()));
    QStringList expectedWalk = expected.mid(1);
    expectedWalk << "open1";  // wraps from the highest place to the lowest
    EXPECT_EQ(walk, expectedWalk);

    control("TXT")->setFocus();
    QTest::keyClick(control("TXT"), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), control("Soft1"));
    control("DY1")->setFocus();
    QTest::keyClick(control("DY1"), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), control("NAMEu")) << "NEXTu and PREVu are disabled";
    QTest::keyClick(control("NAMEu"), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), control("DY1"));
}

TEST_F(WindowLayout, TabReachesEveryFocusableControlInOrderWhenAllAreEnabled) {
    for (const char* name : kFocusOrder) {
        control(name)->setEnabled(true);
        control(name)->show();
    }
    const int count = static_cast<int>(std::size(kFocusOrder));
    QStringList chain;
    QWidget* widget = control("open1");
    for (int i = 0; i < count; ++i) {
        chain << widget->objectName();
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty()) {
            widget = widget->nextInFocusChain();
        }
    }
    QStringList expected;
    for (const char* name : kFocusOrder)
        expected << name;
    EXPECT_EQ(chain, expected);
}

TEST_F(WindowLayout, EveryCaptionFitsItsControlAndEveryFieldShowsItsTextWholeInHeight) {
    for (QWidget* widget : window().centralWidget()->findChildren<QWidget*>()) {
        const QString name = widget->objectName();
        const QFontMetrics metrics(widget->font());
        SCOPED_TRACE(name.toStdString());
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            const QRect needed =
                metrics.boundingRect(QRect(0, 0, label->width(), 10000),
                                     Qt::TextWordWrap | Qt::AlignLeft, label->text());
            EXPECT_LE(needed.width(), label->width());
            EXPECT_LE(needed.height(), label->height());
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            // Room for the caption plus the button's bevel on both sides.
            EXPECT_LE(metrics.horizontalAdvance(button->text()) + 6, button->width());
            EXPECT_LE(metrics.height() + 4, button->height());
        } else if (auto* field = qobject_cast<QLineEdit*>(widget)) {
            EXPECT_LE(metrics.height() + 4, field->height());
        } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
            // The title within the frame, and no control of the frame over it.
            const QRect title = titleOf(*frame);
            EXPECT_TRUE(frame->rect().contains(title));
            EXPECT_LE(metrics.horizontalAdvance(frame->title()), title.width());
            EXPECT_LE(metrics.height(), title.height());
            for (QWidget* inside : controlsOn(frame)) {
                EXPECT_FALSE(inside->geometry().intersects(title))
                    << inside->objectName().toStdString() << " covers the title";
            }
        } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
            if (name == "ALF" || name == "Freeze") {
                continue;  // only their tick squares show; the labels beside them name them
            }
            QStyle* style = box->style();
            const int drawn = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) +
                              style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box) +
                              metrics.horizontalAdvance(box->text());
            EXPECT_LE(drawn, box->width());
            EXPECT_LE(metrics.height(), box->height());
        }
    }
}

}  // namespace
}  // namespace varnel::test

namespace varnel::test {
namespace {

TEST_F(WindowLayout, ATextSetWithANulKeepsOnlyWhatComesBeforeIt) {
    commands::FormAccess& form = window().editor().form();
    form.setText(controls::kCharacters[0], QString(QChar(u'\0')));
    EXPECT_EQ(text("Text1"), "");
    form.setText(controls::kUnitName, QString::fromUtf16(u"Tank\0Rest", 9));
    EXPECT_EQ(text("NAMEu"), "Tank");
    const QString longName(40000, QChar(u'x'));
    form.setText(controls::kUnitName, longName);
    EXPECT_EQ(text("NAMEu"), longName) << "no text field has a maximum length";
    form.setText(controls::kClassName, "Infantry");  // a disabled field shows what a command writes
    EXPECT_EQ(text("UNIT"), "Infantry");
}

}  // namespace
}  // namespace varnel::test
