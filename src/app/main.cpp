#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <optional>
#include <string_view>

#include "commands/report.h"
#include "form/editor_window.h"
#include "form/look.h"

namespace {

constexpr std::string_view kHelp =
    "Usage: varneledit [options]\n"
    "Edit the units of an equipment file and its name list, one unit at a time.\n"
    "\n"
    "The editor opens the files named in its two file-name fields, Equip97.eqp and\n"
    "Equip97.txt, in the folder it was started from; File > Open Files... (Ctrl+O)\n"
    "chooses others.\n"
    "\n"
    "Options:\n"
    "  -h, --help     Show this help.\n"
    "  -v, --version  Show the version.\n"
    "\n"
    "Qt's own options, such as -platform NAME, are taken as well.\n";

// --help and --version are answered before the window system is asked for anything, so that they
// work without a display. The exit status when one was given.
std::optional<int> answerAsked(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        std::string_view answer;
        if (argument == "--help" || argument == "-h") {
            answer = kHelp;
        } else if (argument == "--version" || argument == "-v") {
            answer = "varneledit " VARNEL_VERSION "\n";
        } else {
            continue;
        }
        const bool written = std::fwrite(answer.data(), 1, answer.size(), stdout) == answer.size();
        return std::fflush(stdout) == 0 && written ? 0 : 2;
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (const auto status = answerAsked(argc, argv)) {
        return *status;
    }
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
