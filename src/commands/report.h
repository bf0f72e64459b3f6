#pragma once

#include <QString>
#include <cstdint>
#include <functional>

// The one way out for everything a command has to tell the user. The application shows it in a
// message box on the window; tests install a recorder and read the words.
namespace varnel::commands {

enum class Severity { Notice, Problem };

using ReportHandler = std::function<void(Severity, const QString&)>;

void report(Severity severity, const QString& message);

// How many problems have been reported since the program started: a command that reported one
// was refused, or stopped.
std::uint64_t problemsReported();

// Installs handler and returns the one installed before. Without a handler, reports go to the
// standard error stream.
ReportHandler setReportHandler(ReportHandler handler);

}  // namespace varnel::commands
