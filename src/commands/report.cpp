#include "report.h"

#include <cstdio>
#include <utility>

namespace varnel::commands {
namespace {

std::uint64_t problemCount = 0;

ReportHandler& installedHandler() {
    static ReportHandler handler;
    return handler;
}

}  // namespace

void report(Severity severity, const QString& message) {
    if (severity == Severity::Problem) {
        ++problemCount;
    }
    if (installedHandler()) {
        installedHandler()(severity, message);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", severity == Severity::Problem ? "Problem" : "Notice",
                 message.toLocal8Bit().constData());
}

std::uint64_t problemsReported() {
    return problemCount;
}

ReportHandler setReportHandler(ReportHandler handler) {
    return std::exchange(installedHandler(), std::move(handler));
}

}  // namespace varnel::commands
