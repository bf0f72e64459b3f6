// Renders the editor's window to a PNG, for the README and for looking at the layout.
//   screenshot OUT.png [--open FOLDER] [--profi] [--about]
// --open runs Open File with FOLDER as the working folder.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <cstdio>

#include "commands/report.h"
#include "form/editor_window.h"
#include "form/look.h"

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
    for (qsizetype i = 2; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--open") && i + 1 < arguments.size()) {
            QDir::setCurrent(arguments[++i]);
            window.findChild<QAbstractButton*>(QStringLiteral("open1"))->click();
        } else if (arguments[i] == QLatin1String("--profi")) {
            window.findChild<QAction*>(QStringLiteral("MPROF"))->trigger();
        } else if (arguments[i] == QLatin1String("--about")) {
            window.findChild<QAction*>(QStringLiteral("MTM"))->trigger();
        }
    }
    QApplication::processEvents();
    const QPixmap shot = window.grab();
    if (!shot.save(output)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(output));
        return 1;
    }
    return 0;
}
