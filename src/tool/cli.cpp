#include "cli.h"

#include <QCommandLineParser>
#include <QFile>

#include <algorithm>
#include <exception>
#include <optional>
#include <ostream>
#include <string_view>

#include "data/error.h"
#include "name_list_image.h"
#include "tool_commands.h"
#include "whole_files.h"

namespace varnel::tool {
namespace {

constexpr int kError = 2;

// What the overview says before and after the list of commands.
constexpr std::string_view kOverviewHead =
    "Usage: varnel-tool COMMAND [options] FILES\n"
    "Batch work on an equipment file and its name list.\n"
    "\n"
    "Commands:\n";
constexpr std::string_view kOverviewTail =
    "\n"
    "Without --names the name list is the equipment file's name ending in .txt.\n"
    "\"varnel-tool COMMAND --help\" tells more about a command.\n"
    "Exit status: 0 done, 1 findings (check) or differences (diff), 2 an error\n"
    "(nothing was written).\n";
// Where the summaries of the commands begin; a longer usage line has its summary on the next line.
constexpr std::size_t kSummaryColumn = 46;

std::string pathOf(const QString& argument) {
    return QFile::encodeName(argument).toStdString();
}

// One command's options and file names.
class CommandLine {
  public:
    CommandLine(const char* command, const char* description, const QStringList& arguments)
        : command_(QStringLiteral("varnel-tool ") + QLatin1String(command)), arguments_(arguments) {
        parser_.setApplicationDescription(QString::fromUtf8(description));
        parser_.addOption(help_);
    }

    QCommandLineParser& parser() { return parser_; }

    // Parses; prints help or a usage error. positional: how many file names the command takes
    // (-1: the caller counts them). An exit status when the program is to stop here.
    std::optional<int> parse(qsizetype positional, std::ostream& out, std::ostream& err) {
        QStringList all{command_};
        all += arguments_;
        if (!parser_.parse(all)) {
            return usageError(parser_.errorText(), err);
        }
        if (parser_.isSet(help_)) {
            out << parser_.helpText()
                       .replace(QStringLiteral("<executable_name>"), command_)
                       .toStdString();
            return 0;
        }
        if (positional >= 0 && parser_.positionalArguments().size() != positional) {
            return usageError(wrongFileNames(), err);
        }
        return std::nullopt;
    }

    void addFileName(const char* name, const char* description) {
        parser_.addPositionalArgument(QLatin1String(name), QString::fromUtf8(description));
        fileNames_ += QLatin1String(name);
    }
    QString wrongFileNames() const {
        return QStringLiteral("%1 takes the file names %2, but got %3.")
            .arg(command_, fileNames_.join(QLatin1Char(' ')))
            .arg(parser_.positionalArguments().size());
    }

    int usageError(const QString& text, std::ostream& err) const {
        err << text.toStdString() << "\n\"" << command_.toStdString()
            << " --help\" shows how to use it.\n";
        return kError;
    }

    std::string argument(qsizetype index) const {
        return pathOf(parser_.positionalArguments().at(index));
    }
    // The --names value, or the list beside the equipment file.
    std::string nameList(const QCommandLineOption& names, const std::string& equipment) const {
        return parser_.isSet(names) ? pathOf(parser_.value(names)) : defaultNameListFor(equipment);
    }

  private:
    QString command_;
    QStringList arguments_;
    QCommandLineParser parser_;
    QStringList fileNames_;
    QCommandLineOption help_{{QStringLiteral("h"), QStringLiteral("help")},
                             QStringLiteral("Show this help.")};
};

QCommandLineOption namesOption() {
    return {{QStringLiteral("n"), QStringLiteral("names")},
            QStringLiteral("The name list (default: EQP's name ending in .txt)."),
            QStringLiteral("TXT")};
}

int runExport(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    CommandLine line(
        "export",
        "Writes every unit of EQP as one CSV row (UTF-8, a header row), in unit order:\n"
        "its number, name, class, every value, the cost as the window shows it,\n"
        "nationality, switches, character codes and the bytes the editor gives no\n"
        "meaning, so that import can write back every byte. A Name, Class name or\n"
        "Nationality that begins with =, +, -, @, a tab, a CR or an apostrophe gets one\n"
        "apostrophe in front, so that a spreadsheet takes it for text, not a formula.\n"
        "On a terminal, control characters are shown as \\x1B.",
        arguments);
    const QCommandLineOption names = namesOption();
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Write the CSV to FILE, not to the output."),
                                    QStringLiteral("FILE"));
    line.parser().addOptions({names, output});
    line.addFileName("EQP", "The equipment file.");
    if (const auto stop = line.parse(1, out, err)) {
        return *stop;
    }
    const std::string equipment = line.argument(0);
    settleInterruptedChange(equipment, err, false);
    return exportUnits({equipment, line.nameList(names, equipment),
                        line.parser().isSet(output) ? pathOf(line.parser().value(output)) : ""},
                       out);
}

int runImport(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    CommandLine line(
        "import",
        "Writes the units that the rows of CSV name into EQP and their names into the\n"
        "name list. Columns may stand in any order and may be left out (the field then\n"
        "stays as it is); a row for the unit after the last adds a unit. Every cell is\n"
        "checked first: on any problem nothing is written. A value that check would\n"
        "report (a class outside 1-21, nationality bytes that name no nationality,\n"
        "switch bytes Save never writes, control characters in a name, ...) is refused\n"
        "unless the unit held it already; --force writes it anyway. One leading\n"
        "apostrophe of a Name, Class name or Nationality cell is taken off, as export\n"
        "adds one. A CSV larger than 64 MiB is refused.",
        arguments);
    const QCommandLineOption names = namesOption();
    const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                    QStringLiteral("Check and list the changes; write nothing."));
    const QCommandLineOption force(
        QStringLiteral("force"),
        QStringLiteral("Write values that check reports although the units did not hold them."));
    line.parser().addOptions({names, dryRun, force});
    line.addFileName("CSV", "The units, as export writes them.");
    line.addFileName("EQP", "The equipment file.");
    if (const auto stop = line.parse(2, out, err)) {
        return *stop;
    }
    const std::string equipment = line.argument(1);
    return importUnits({line.argument(0), equipment, line.nameList(names, equipment),
                        line.parser().isSet(dryRun), line.parser().isSet(force)},
                       out);
}

int runCheck(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    CommandLine line(
        "check",
        "Reports what may trouble the game in EQP and its name list: short records, the\n"
        "unit counter, unit numbers, class, nationality, switch and character codes,\n"
        "the list's length, line ends and names. Exit status 1 when it finds something.",
        arguments);
    const QCommandLineOption names = namesOption();
    line.parser().addOption(names);
    line.addFileName("EQP", "The equipment file.");
    if (const auto stop = line.parse(1, out, err)) {
        return *stop;
    }
    const std::string equipment = line.argument(0);
    settleInterruptedChange(equipment, err, false);
    return checkFiles({equipment, line.nameList(names, equipment)}, out);
}

int runDiff(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    CommandLine line(
        "diff",
        "Lists the units added or removed and, for every unit in both files, each field\n"
        "that differs, with both values; names too when --names gives both lists. Exit\n"
        "status 1 when the files differ.",
        arguments);
    const QCommandLineOption names(
        {QStringLiteral("n"), QStringLiteral("names")},
        QStringLiteral("The name lists of OLD and NEW: --names OLD.txt NEW.txt."),
        QStringLiteral("OLD.txt"));
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("Write the differences as CSV."));
    line.parser().addOptions({names, csv});
    line.addFileName("OLD", "The equipment file before.");
    line.addFileName("NEW", "The equipment file after.");
    if (const auto stop = line.parse(-1, out, err)) {
        return *stop;
    }
    // "--names OLD.txt NEW.txt": the parser takes NEW.txt for a file name.
    QStringList files = line.parser().positionalArguments();
    QStringList lists = line.parser().values(names);
    if (lists.size() == 1 && files.size() == 3) {
        lists += files.takeLast();
    }
    if (!lists.isEmpty() && lists.size() != 2) {
        return line.usageError(QStringLiteral("--names takes two name lists, OLD.txt and NEW.txt."),
                               err);
    }
    if (files.size() != 2) {
        return line.usageError(line.wrongFileNames(), err);
    }
    settleInterruptedChange(pathOf(files.at(0)), err, false);
    settleInterruptedChange(pathOf(files.at(1)), err, false);
    return diffFiles(
        {pathOf(files.at(0)), pathOf(files.at(1)), lists.isEmpty() ? "" : pathOf(lists.at(0)),
         lists.isEmpty() ? "" : pathOf(lists.at(1)), line.parser().isSet(csv)},
        out);
}

struct Subcommand {
    std::string_view name;
    std::string_view arguments;  // what follows the name in the overview
    std::string_view summary;    // one line for the overview
    int (*run)(const QStringList& arguments, std::ostream& out, std::ostream& err);
};

constexpr Subcommand kSubcommands[] = {
    {"export", "EQP [--names TXT] [-o FILE]", "Write the units as CSV, one row per unit.",
     runExport},
    {"import", "CSV EQP [--names TXT] [--dry-run] [--force]",
     "Write the units of a CSV into the files.", runImport},
    {"check", "EQP [--names TXT]", "Report what may trouble the game.", runCheck},
    {"diff", "OLD NEW [--names OLD.txt NEW.txt] [--csv]", "List what differs between two files.",
     runDiff},
};

std::string overview() {
    std::string text(kOverviewHead);
    for (const Subcommand& command : kSubcommands) {
        std::string line = "  ";
        line.append(command.name).append(" ").append(command.arguments);
        line += line.size() < kSummaryColumn ? std::string(kSummaryColumn - line.size(), ' ')
                                             : "\n" + std::string(kSummaryColumn, ' ');
        text.append(line).append(command.summary).append("\n");
    }
    return text.append(kOverviewTail);
}

// "export, import, check and diff".
std::string commandNames() {
    std::string names;
    const std::size_t count = std::size(kSubcommands);
    for (std::size_t i = 0; i < count; ++i) {
        names += i == 0 ? "" : i + 1 == count ? " and " : ", ";
        names += kSubcommands[i].name;
    }
    return names;
}

}  // namespace

int runTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    QStringList given;
    for (const std::string& argument : arguments) {
        given += QFile::decodeName(argument.c_str());
    }
    if (given.isEmpty()) {
        err << overview();
        return kError;
    }
    const std::string command = given.takeFirst().toStdString();
    const auto* const found =
        std::find_if(std::begin(kSubcommands), std::end(kSubcommands),
                     [&](const Subcommand& subcommand) { return subcommand.name == command; });
    if (found != std::end(kSubcommands)) {
        try {
            return found->run(given, out, err);
        } catch (const data::Error& error) {
            err << error.what() << "\n";
            return kError;
        } catch (const std::exception& error) {
            err << "varnel-tool stopped: " << error.what() << ". Nothing was written.\n";
            return kError;
        }
    }
    if (command == "--help" || command == "-h" || command == "help") {
        out << overview();
        return 0;
    }
    err << "varnel-tool has no command \"" << command << "\"; the commands are " << commandNames()
        << ".\n\n"
        << overview();
    return kError;
}

}  // namespace varnel::tool
