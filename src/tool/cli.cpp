#include "cli.h"

#include <algorithm>
#include <exception>
#include <iostream>
#include <iterator>
#include <optional>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string_view>

#include "data/error.h"
#include "data/name_list_image.h"
#include "data/system_files.h"
#include "data/whole_file.h"
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
    "\"varnel-tool COMMAND --help\" tells more about a command; \"varnel-tool --version\"\n"
    "prints the version.\n"
    "Exit status: 0 done, 1 findings (check), differences (diff) or nothing to\n"
    "change (sql, patch), 2 an error (nothing was written).\n";
// Where the summaries of the commands begin; a longer usage line has its summary on the next line.
constexpr std::size_t kSummaryColumn = 46;
// The width of a command's help: an option's description is wrapped to end before it.
constexpr std::size_t kHelpWidth = 79;

// An option of a command: "-n, --names <TXT>", or a switch without a value.
struct Option {
    char letter;                 // the short name; 0 for none
    std::string_view name;       // the long name
    std::string_view valueName;  // empty: a switch, which takes no value
    std::string_view description;
};

struct FileName {
    std::string_view name, description;
};

constexpr Option kHelp{'h', "help", "", "Show this help."};
constexpr Option kNames{'n', "names", "TXT", "The name list (default: EQP's name ending in .txt)."};

constexpr Option kExportOptions[] = {
    kHelp, kNames, {'o', "output", "FILE", "Write the CSV to FILE, not to the output."}};
constexpr FileName kExportFiles[] = {{"EQP", "The equipment file."}};

constexpr Option kImportOptions[] = {
    kHelp,
    kNames,
    {0, "dry-run", "", "Check and list the changes; write nothing."},
    {0, "force", "", "Write values that check reports although the units did not hold them."}};
constexpr FileName kImportFiles[] = {{"CSV", "The units, as export writes them."},
                                     {"EQP", "The equipment file."}};

constexpr Option kCheckOptions[] = {kHelp, kNames};
constexpr FileName kCheckFiles[] = {{"EQP", "The equipment file."}};

constexpr Option kDiffOptions[] = {
    kHelp,
    {'n', "names", "OLD.txt", "The name lists of OLD and NEW: --names OLD.txt NEW.txt."},
    {0, "csv", "", "Write the differences as CSV."},
    {0, "patch", "",
     "Write a mod patch (JSON) that varnel-tool patch applies to another version of OLD; "
     "names are compared, without --names in the lists beside the files."}};
constexpr FileName kDiffFiles[] = {{"OLD", "The equipment file before."},
                                   {"NEW", "The equipment file after."}};

constexpr Option kSqlOptions[] = {
    kHelp,
    kNames,
    {'f', "file", "FILE", "Read the statements from FILE (- for the input)."},
    {0, "csv", "", "Write the rows of a SELECT as CSV, not as an aligned table."},
    {0, "dry-run", "", "Run the statements and list the changes; write nothing."},
    {0, "force", "", "Write values that check reports although the units did not hold them."}};
constexpr FileName kSqlFiles[] = {
    {"EQP", "The equipment file."},
    {"STATEMENT...", "SQL statements; without them and -f, they are read from the input."}};

constexpr Option kPatchOptions[] = {
    kHelp,
    kNames,
    {0, "dry-run", "", "List the changes and conflicts; write nothing."},
    {0, "skip-conflicts", "", "Apply what does not conflict; leave the conflicting values."}};
constexpr FileName kPatchFiles[] = {{"PATCH", "The patch, as diff --patch writes it."},
                                    {"EQP", "The equipment file to apply it to."}};

// The largest file of statements that sql reads.
constexpr std::int64_t kLargestStatements = 16 * 1024 * 1024;

struct Subcommand;

// One command's options and file names as given: file names as the bytes given, never decoded.
class CommandLine {
  public:
    explicit CommandLine(const Subcommand& command);

    // Parses; prints help or a usage error. An exit status when the program is to stop here.
    std::optional<int> parse(const std::vector<std::string>& arguments, std::ostream& out,
                             std::ostream& err);

    bool isSet(std::string_view option) const { return set_[indexOf(option)]; }
    const std::vector<std::string>& values(std::string_view option) const {
        return values_[indexOf(option)];
    }
    // The last value given, or empty.
    std::string value(std::string_view option) const {
        const auto& given = values(option);
        return given.empty() ? std::string() : given.back();
    }
    std::vector<std::string>& files() { return files_; }
    const std::string& file(std::size_t index) const { return files_.at(index); }
    // The --names value, or the list beside the equipment file.
    std::string nameList(const std::string& equipment) const {
        return isSet("names") ? value("names") : data::defaultNameListFor(equipment);
    }

    std::string wrongFileNames() const;
    int usageError(std::string_view text, std::ostream& err) const;

  private:
    // The option of that short or long name; -1 for none.
    int find(std::string_view name) const;
    std::size_t indexOf(std::string_view name) const;
    bool found(std::string_view name);
    void takeValue(std::string_view name, const std::string& argument,
                   const std::vector<std::string>& arguments, std::size_t& at);
    std::string helpText() const;

    const Subcommand& command_;
    std::string title_;  // "varnel-tool export"
    std::vector<bool> set_;
    std::vector<std::vector<std::string>> values_;
    std::vector<std::string> files_;
    std::vector<std::string> unknown_;
    std::string error_;
};

struct Subcommand {
    std::string_view name;
    std::string_view arguments;  // what follows the name in the overview
    std::string_view summary;    // one line for the overview
    std::string_view description;
    std::span<const Option> options;
    std::span<const FileName> fileNames;
    int (*run)(CommandLine& line, std::ostream& out, std::ostream& err);
};

CommandLine::CommandLine(const Subcommand& command)
    : command_(command),
      title_("varnel-tool " + std::string(command.name)),
      set_(command.options.size()),
      values_(command.options.size()) {}

int CommandLine::find(std::string_view name) const {
    for (std::size_t i = 0; i < command_.options.size(); ++i) {
        const Option& option = command_.options[i];
        if ((name.size() == 1 && option.letter != 0 && name[0] == option.letter) ||
            name == option.name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::size_t CommandLine::indexOf(std::string_view name) const {
    const int index = find(name);
    if (index < 0) {
        throw std::logic_error("varnel-tool " + std::string(command_.name) + " has no option " +
                               std::string(name));
    }
    return static_cast<std::size_t>(index);
}

bool CommandLine::found(std::string_view name) {
    const int index = find(name);
    if (index < 0) {
        unknown_.emplace_back(name);
        return false;
    }
    set_[static_cast<std::size_t>(index)] = true;
    return true;
}

// The value of the option named in argument: after "=" in it, else the next argument.
void CommandLine::takeValue(std::string_view name, const std::string& argument,
                            const std::vector<std::string>& arguments, std::size_t& at) {
    const int index = find(name);
    if (index < 0) {
        return;
    }
    const std::size_t assign = argument.find('=');
    if (!command_.options[static_cast<std::size_t>(index)].valueName.empty()) {
        if (assign == std::string::npos) {
            if (++at == arguments.size()) {
                error_ = "Missing value after '" + argument + "'.";
                return;
            }
            values_[static_cast<std::size_t>(index)].push_back(arguments[at]);
        } else {
            values_[static_cast<std::size_t>(index)].push_back(argument.substr(assign + 1));
        }
    } else if (assign != std::string::npos) {
        error_ = "Unexpected value after '" + argument.substr(0, assign) + "'.";
    }
}

// The bytes of the character that begins at, in UTF-8: one for a stray byte.
std::size_t characterLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    for (std::size_t i = 1; i < length; ++i) {
        if (at + i >= text.size() || (static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    return length;
}

// "--name", "--name=value", "--name value"; "-n value", "-nvalue", "-n=value", and switches
// run together ("-ab"); "--" ends the options; "-" alone is a file name. Options may follow file
// names. Every unknown option is reported, not only the first.
std::optional<int> CommandLine::parse(const std::vector<std::string>& arguments, std::ostream& out,
                                      std::ostream& err) {
    bool optionsEnded = false;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string& argument = arguments[at];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            files_.push_back(argument);
        } else if (argument[1] == '-') {
            if (argument.size() == 2) {
                optionsEnded = true;
                continue;
            }
            const std::string_view name =
                std::string_view(argument).substr(2, argument.find('=', 2) - 2);
            if (found(name)) {
                takeValue(name, argument, arguments, at);
            }
        } else {
            std::string_view name;
            bool valueFound = false;
            for (std::size_t pos = 1; pos < argument.size(); pos += name.size()) {
                name = std::string_view(argument).substr(pos, characterLength(argument, pos));
                if (!found(name)) {
                    continue;
                }
                const std::size_t next = pos + name.size();
                const Option& option = command_.options[static_cast<std::size_t>(find(name))];
                if (!option.valueName.empty()) {
                    if (next < argument.size()) {
                        values_[static_cast<std::size_t>(find(name))].push_back(
                            argument.substr(next + (argument[next] == '=' ? 1 : 0)));
                        valueFound = true;
                    }
                    break;
                }
                if (next < argument.size() && argument[next] == '=') {
                    break;
                }
            }
            if (!valueFound) {
                takeValue(name, argument, arguments, at);
            }
        }
    }
    if (!error_.empty()) {
        return usageError(error_, err);
    }
    if (unknown_.size() == 1) {
        return usageError("Unknown option '" + unknown_.front() + "'.", err);
    }
    if (!unknown_.empty()) {
        std::string names;
        for (const std::string& name : unknown_) {
            names.append(names.empty() ? "" : ", ").append(name);
        }
        return usageError("Unknown options: " + names + ".", err);
    }
    if (isSet("help")) {
        out << helpText();
        return 0;
    }
    return std::nullopt;
}

std::string CommandLine::wrongFileNames() const {
    std::string names;
    for (const FileName& file : command_.fileNames) {
        names.append(names.empty() ? "" : " ").append(file.name);
    }
    return title_ + " takes the file names " + names + ", but got " +
           std::to_string(files_.size()) + ".";
}

int CommandLine::usageError(std::string_view text, std::ostream& err) const {
    err << text << "\n\"" << title_ << " --help\" shows how to use it.\n";
    return kError;
}

// An option or a file name with its description beside it, the description wrapped at blanks so
// that no line is longer than kHelpWidth.
void appendEntry(std::string& text, std::string_view name, std::size_t nameWidth,
                 std::string_view description) {
    const std::size_t room = kHelpWidth - (2 + nameWidth + 1);
    const auto line = [&](std::string_view left, std::string_view right) {
        text.append("  ").append(left).append(nameWidth - left.size(), ' ');
        text.append(" ").append(right).append("\n");
    };
    if (description.empty()) {
        text.append("  ").append(name).append("\n");
        return;
    }
    std::string_view left = name;
    while (!description.empty()) {
        std::size_t end = description.find('\n');
        end = end == std::string_view::npos ? description.size() : end;
        std::size_t next = end + 1;
        if (end > room) {
            const std::size_t blank = description.rfind(' ', room);
            end = blank == std::string_view::npos || blank == 0 ? room : blank;
            next = blank == std::string_view::npos || blank == 0 ? room : blank + 1;
        }
        line(left, description.substr(0, end));
        left = {};
        description.remove_prefix(std::min(next, description.size()));
    }
}

std::string CommandLine::helpText() const {
    std::string text = "Usage: " + title_ + " [options]";
    for (const FileName& file : command_.fileNames) {
        text.append(" ").append(file.name);
    }
    text.append("\n").append(command_.description).append("\n\nOptions:\n");
    std::vector<std::string> names;
    std::size_t width = 0;
    for (const Option& option : command_.options) {
        std::string name;
        if (option.letter != 0) {
            name = std::string("-") + option.letter + ", ";
        }
        name.append("--").append(option.name);
        if (!option.valueName.empty()) {
            name.append(" <").append(option.valueName).append(">");
        }
        width = std::max(width, name.size());
        names.push_back(std::move(name));
    }
    width += 1;
    for (std::size_t i = 0; i < names.size(); ++i) {
        appendEntry(text, names[i], width, command_.options[i].description);
    }
    text += "\nArguments:\n";
    for (const FileName& file : command_.fileNames) {
        appendEntry(text, file.name, width, file.description);
    }
    return text;
}

int runExport(CommandLine& line, std::ostream& out, std::ostream& err) {
    if (line.files().size() != 1) {
        return line.usageError(line.wrongFileNames(), err);
    }
    const std::string& equipment = line.file(0);
    settleInterruptedChange(equipment, err, false);
    return exportUnits(
        {equipment, line.nameList(equipment), line.isSet("output") ? line.value("output") : ""},
        out);
}

int runImport(CommandLine& line, std::ostream& out, std::ostream& err) {
    if (line.files().size() != 2) {
        return line.usageError(line.wrongFileNames(), err);
    }
    const std::string& equipment = line.file(1);
    return importUnits({line.file(0), equipment, line.nameList(equipment), line.isSet("dry-run"),
                        line.isSet("force")},
                       out);
}

int runCheck(CommandLine& line, std::ostream& out, std::ostream& err) {
    if (line.files().size() != 1) {
        return line.usageError(line.wrongFileNames(), err);
    }
    const std::string& equipment = line.file(0);
    settleInterruptedChange(equipment, err, false);
    return checkFiles({equipment, line.nameList(equipment)}, out);
}

int runDiff(CommandLine& line, std::ostream& out, std::ostream& err) {
    // "--names OLD.txt NEW.txt": the parser takes NEW.txt for a file name.
    std::vector<std::string>& files = line.files();
    std::vector<std::string> lists = line.values("names");
    if (lists.size() == 1 && files.size() == 3) {
        lists.push_back(files.back());
        files.pop_back();
    }
    if (!lists.empty() && lists.size() != 2) {
        return line.usageError("--names takes two name lists, OLD.txt and NEW.txt.", err);
    }
    if (files.size() != 2) {
        return line.usageError(line.wrongFileNames(), err);
    }
    settleInterruptedChange(files[0], err, false);
    settleInterruptedChange(files[1], err, false);
    if (line.isSet("csv") && line.isSet("patch")) {
        return line.usageError("--csv and --patch cannot be given together.", err);
    }
    return diffFiles({files[0], files[1], lists.empty() ? "" : lists[0],
                      lists.empty() ? "" : lists[1], line.isSet("csv"), line.isSet("patch")},
                     out);
}

// The statements: those given after EQP, else the file of -f, else the input.
std::string statementsOf(CommandLine& line) {
    std::string text;
    for (std::size_t i = 1; i < line.files().size(); ++i) {
        text.append(line.file(i)).append("\n;\n");
    }
    if (!line.isSet("file") && !text.empty()) {
        return text;
    }
    const std::string path = line.isSet("file") ? line.value("file") : "-";
    if (path == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        const auto status = data::systemFiles().statusOfPath(path);
        if (status.ok() && status.value.exists && status.value.length > kLargestStatements) {
            throw data::Error("The file of statements " + path + " is larger than " +
                              std::to_string(kLargestStatements / (1024 * 1024)) +
                              " MiB. Nothing was written.");
        }
        text = data::readWholeFile(path, "file of statements");
    }
    return text;
}

int runSql(CommandLine& line, std::ostream& out, std::ostream& err) {
    if (line.files().empty()) {
        return line.usageError("varnel-tool sql takes the equipment file EQP first.", err);
    }
    if (line.isSet("file") && line.files().size() > 1) {
        return line.usageError("Give the statements after EQP or with -f, not both.", err);
    }
    const std::string& equipment = line.file(0);
    SqlRequest request{equipment,           line.nameList(equipment),
                       statementsOf(line),  line.isSet("dry-run"),
                       line.isSet("force"), line.isSet("csv")};
    if (request.statements.find_first_not_of(" \t\r\n;") == std::string::npos) {
        return line.usageError("There are no statements to run.", err);
    }
    return runStatements(request, out);
}

int runPatch(CommandLine& line, std::ostream& out, std::ostream& err) {
    if (line.files().size() != 2) {
        return line.usageError(line.wrongFileNames(), err);
    }
    const std::string& equipment = line.file(1);
    return applyPatch({line.file(0), equipment, line.nameList(equipment), line.isSet("dry-run"),
                       line.isSet("skip-conflicts")},
                      out);
}

constexpr Subcommand kSubcommands[] = {
    {"export", "EQP [--names TXT] [-o FILE]", "Write the units as CSV, one row per unit.",
     "Writes every unit of EQP as one CSV row (UTF-8, a header row), in unit order:\n"
     "its number, name, class, every value, the cost as the window shows it,\n"
     "nationality, switches, character codes and the bytes the editor gives no\n"
     "meaning, so that import can write back every byte. A Name, Class name or\n"
     "Nationality that begins with =, +, -, @, a tab, a CR or an apostrophe gets one\n"
     "apostrophe in front, so that a spreadsheet takes it for text, not a formula.\n"
     "On a terminal, control characters are shown as \\x1B.",
     kExportOptions, kExportFiles, runExport},
    {"import", "CSV EQP [--names TXT] [--dry-run] [--force]",
     "Write the units of a CSV into the files.",
     "Writes the units that the rows of CSV name into EQP and their names into the\n"
     "name list. Columns may stand in any order and may be left out (the field then\n"
     "stays as it is); a row for the unit after the last adds a unit. Every cell is\n"
     "checked first: on any problem nothing is written. A value that check would\n"
     "report (a class outside 1-21, nationality bytes that name no nationality,\n"
     "switch bytes Save never writes, control characters in a name, ...) is refused\n"
     "unless the unit held it already; --force writes it anyway. One leading\n"
     "apostrophe of a Name, Class name or Nationality cell is taken off, as export\n"
     "adds one. A CSV larger than 64 MiB is refused.",
     kImportOptions, kImportFiles, runImport},
    {"check", "EQP [--names TXT]", "Report what may trouble the game.",
     "Reports what may trouble the game in EQP and its name list: short records, the\n"
     "unit counter, unit numbers, class, nationality, switch and character codes,\n"
     "the list's length, line ends and names. Exit status 1 when it finds something.",
     kCheckOptions, kCheckFiles, runCheck},
    {"diff", "OLD NEW [--names OLD.txt NEW.txt] [--csv] [--patch]",
     "List what differs between two files.",
     "Lists the units added or removed and, for every unit in both files, each field\n"
     "that differs, with both values; names too when --names gives both lists. Exit\n"
     "status 1 when the files differ.\n"
     "\n"
     "With --patch it writes a mod patch instead: JSON that records the sizes of both\n"
     "files, a SHA-256 of OLD, and per unit each changed field and name with its old\n"
     "and new value, and the whole record of every unit NEW adds. varnel-tool patch\n"
     "applies it to another version of OLD. Units removed, and bytes after the last\n"
     "unit, cannot go into a patch: diff says so and writes none.\n"
     "\n"
     "Examples:\n"
     "  varnel-tool diff Equip97.eqp mod/Equip97.eqp\n"
     "  varnel-tool diff base/Equip97.eqp modA/Equip97.eqp --patch > modA.json",
     kDiffOptions, kDiffFiles, runDiff},
    {"sql", "EQP [--names TXT] [--dry-run] [--force] [-f FILE] [STATEMENT...]",
     "Run SQL on the units: SELECT, UPDATE, INSERT.",
     "Puts every unit of EQP into the table units of an in-memory SQLite database,\n"
     "one row per unit, and runs the statements on it. The columns are those of\n"
     "export in SQL style: unit, name, class, class_name, soft, hard, air_att, naval,\n"
     "gr_def, ar_def, cl_def, initiative, range, spotting, range_m, move, fuel, ammo,\n"
     "cost (as the window shows it), month, year, nation1 to nation4, nationality,\n"
     "sw1, sw2, c1 to c6, unit_number and unassigned (a blob); unit is the key.\n"
     "\n"
     "SELECT prints its rows as a table (--csv: as CSV). UPDATE may change any column\n"
     "but unit; a new class_name sets class, a new nationality the nation bytes.\n"
     "INSERT adds units right after the last, as Create Unit does (a column left out\n"
     "is 0, unit_number the unit's own number). DELETE, renumbering and a gap are\n"
     "refused. Every changed unit is then checked as import checks a row, the changes\n"
     "are listed, and both files are written at once; on any problem nothing is\n"
     "written. Exit status 0 done (or only read), 1 nothing changed, 2 an error.\n"
     "\n"
     "Examples:\n"
     "  varnel-tool sql Equip97.eqp \"SELECT unit, name, cost FROM units\n"
     "      WHERE class_name = 'Tank' ORDER BY cost DESC LIMIT 5\"\n"
     "  varnel-tool sql Equip97.eqp --dry-run \"UPDATE units SET cost = cost * 1.1\n"
     "      WHERE class_name = 'Tank'\"\n"
     "  varnel-tool sql Equip97.eqp \"UPDATE units SET initiative = initiative + 1\n"
     "      WHERE nationality = 'Finland' AND initiative < 255\"\n"
     "  varnel-tool sql Equip97.eqp -f rebalance.sql",
     kSqlOptions, kSqlFiles, runSql},
    {"patch", "PATCH EQP [--names TXT] [--dry-run] [--skip-conflicts]",
     "Apply a mod patch made by diff --patch.",
     "Applies PATCH to EQP and its name list, field by field: a value that EQP holds\n"
     "as the patch's base held it takes the patch's new value; one that holds the new\n"
     "value already stays; any other value is a conflict, listed with the unit, the\n"
     "field, the value found and both sides of the patch. With a conflict nothing is\n"
     "written unless --skip-conflicts, which applies the rest. Units the patch adds\n"
     "are appended when EQP has as many units as the patch's base. The result is\n"
     "checked as import checks a row. Exit status 0 done, 1 nothing to change, 2 an\n"
     "error or conflicts (nothing was written).\n"
     "\n"
     "Examples (two mods of one game file, merged):\n"
     "  varnel-tool diff base/Equip97.eqp modA/Equip97.eqp --patch > modA.json\n"
     "  varnel-tool patch modA.json modB/Equip97.eqp --dry-run\n"
     "  varnel-tool patch modA.json modB/Equip97.eqp",
     kPatchOptions, kPatchFiles, runPatch},
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
    if (arguments.empty()) {
        err << overview();
        return kError;
    }
    const std::string& command = arguments.front();
    const auto* const found =
        std::find_if(std::begin(kSubcommands), std::end(kSubcommands),
                     [&](const Subcommand& subcommand) { return subcommand.name == command; });
    if (found != std::end(kSubcommands)) {
        try {
            CommandLine line(*found);
            if (const auto stop = line.parse({arguments.begin() + 1, arguments.end()}, out, err)) {
                return *stop;
            }
            return found->run(line, out, err);
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
    if (command == "--version") {
        out << "varnel-tool " VARNEL_VERSION "\n";
        return 0;
    }
    err << "varnel-tool has no command \"" << command << "\"; the commands are " << commandNames()
        << ".\n\n"
        << overview();
    return kError;
}

}  // namespace varnel::tool
