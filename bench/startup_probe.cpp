// Shows a window, and once its first paint is done prints the monotonic clock (nanoseconds) and
// exits. Built twice: as the editor (its look, window and report handler, as the application's
// main sets them up) and as a bare QMainWindow holding one label, to time both from process start
// (startup_timer).
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <cstdio>
#include <ctime>

#ifdef VARNEL_EDITOR_PROBE
#include "commands/report.h"
#include "form/editor_window.h"
#include "form/look.h"
#endif

namespace {

// The first paint of any widget: the quit is queued, so the whole paint pass and its flush to
// the window finish first.
class FirstPaint : public QObject {
  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            QTimer::singleShot(0, [] {
                timespec now{};
                clock_gettime(CLOCK_MONOTONIC, &now);
                std::printf("%lld\n",
                            static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

  private:
    bool seen_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    FirstPaint firstPaint;
    application.installEventFilter(&firstPaint);
#ifdef VARNEL_EDITOR_PROBE
    varnel::form::applyLook(application);
    varnel::form::EditorWindow window;
    varnel::commands::setReportHandler([](varnel::commands::Severity, const QString&) {});
#else
    // One label, so that the baseline draws text too: loading the fonts is part of any window
    // that shows a word.
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("Unit Name"), &window));
#endif
    window.show();
    return application.exec();
}
