// Renders the editor's window to a PNG, for the README and for looking at the layout.
//   screenshot OUT.png [--open FOLDER] [--profi] [--about] [--type FIELD=TEXT]... [--tooltip NAME]
//   [--click BUTTON]... [--table] [--filter TEXT] [--compare EQP]
// --click clicks a button of the window (after --open); --table shows the unit table and takes it
// instead of the window, --filter types into its filter, --compare compares it with another
// equipment file.
// --open runs Open File with FOLDER as the working folder; --type types into a field as a user
// would, without saving; --tooltip shows the tooltip of a control and takes the screen around the
// window and the tooltip (on a display server such as Xvfb, where a tooltip is a window of its
// own).

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <cstdio>

#include "commands/report.h"
#include "form/editor_window.h"
#include "form/look.h"
#include "form/unit_table_window.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    varnel::form::applyLook(application);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: screenshot OUT.png [--open FOLDER] [--profi] [--about]\n");
        return 2;
    }
    varnel::commands::setReportHandler([](varnel::commands::Severity, const QString& message) {
        std::fprintf(stderr, "message: %s\n", qPrintable(message));
    });

    // --open changes the working folder; the output path is meant from where we started.
    const QString output = QFileInfo(arguments[1]).absoluteFilePath();
    varnel::form::EditorWindow window;
    window.show();
    QWidget* tipped = nullptr;
    QWidget* shown = &window;
    for (qsizetype i = 2; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--open") && i + 1 < arguments.size()) {
            QDir::setCurrent(arguments[++i]);
            window.findChild<QAbstractButton*>(QStringLiteral("open1"))->click();
        } else if (arguments[i] == QLatin1String("--profi")) {
            window.findChild<QAction*>(QStringLiteral("MPROF"))->trigger();
        } else if (arguments[i] == QLatin1String("--about")) {
            window.findChild<QAction*>(QStringLiteral("MTM"))->trigger();
        } else if (arguments[i] == QLatin1String("--type") && i + 1 < arguments.size()) {
            const QString field = arguments[++i].section(QLatin1Char('='), 0, 0);
            if (auto* edit = window.findChild<QLineEdit*>(field)) {
                edit->setFocus();
                edit->selectAll();
                edit->insert(arguments[i].section(QLatin1Char('='), 1));
            }
        } else if (arguments[i] == QLatin1String("--click") && i + 1 < arguments.size()) {
            window.findChild<QAbstractButton*>(arguments[++i])->click();
        } else if (arguments[i] == QLatin1String("--table")) {
            window.findChild<QAction*>(QStringLiteral("actionUnitTable"))->trigger();
            shown = window.findChild<QWidget*>(QStringLiteral("UnitTable"));
        } else if (arguments[i] == QLatin1String("--filter") && i + 1 < arguments.size()) {
            shown->findChild<QLineEdit*>(QStringLiteral("unitFilter"))->setText(arguments[++i]);
        } else if (arguments[i] == QLatin1String("--compare") && i + 1 < arguments.size()) {
            static_cast<varnel::form::UnitTableWindow*>(shown)->compareWith(
                QFileInfo(arguments[++i]).absoluteFilePath());
        } else if (arguments[i] == QLatin1String("--tooltip") && i + 1 < arguments.size()) {
            tipped = window.findChild<QWidget*>(arguments[++i]);
        }
    }
    QApplication::processEvents();
    QPixmap shot;
    if (tipped != nullptr) {
        const QPoint at = tipped->mapToGlobal(tipped->rect().center());
        QToolTip::showText(at, tipped->toolTip(), tipped);
        QEventLoop settle;
        QTimer::singleShot(600, &settle, &QEventLoop::quit);
        settle.exec();
        QRect area = window.frameGeometry();
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->isVisible() && top->inherits("QTipLabel")) {
                area = area.united(top->frameGeometry());
            }
        }
        shot = window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    } else {
        shot = shown->grab();
    }
    if (!shot.save(output)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(output));
        return 1;
    }
    return 0;
}
