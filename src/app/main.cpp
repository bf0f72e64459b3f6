#include <QApplication>
#include <QMessageBox>

#include "commands/report.h"
#include "form/editor_window.h"
#include "form/look.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    varnel::form::applyLook(application);

    varnel::form::EditorWindow window;
    varnel::commands::setReportHandler(
        [&window](varnel::commands::Severity severity, const QString& message) {
            if (severity == varnel::commands::Severity::Problem) {
                QMessageBox::warning(&window, window.windowTitle(), message);
            } else {
                QMessageBox::information(&window, window.windowTitle(), message);
            }
        });
    window.show();
    return application.exec();
}
