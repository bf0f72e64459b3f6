// varnel-tool timed as a real process on equipment files of 1000 and 32767 units with full name
// lists, each job next to the same file work done raw (tool_raw, bench/tool_raw.cpp) and by a
// Python script such as a modder would write (bench/tool_jobs.py). All three are started alike
// (posix_spawn, output to a file) and run in turn for each job within each repetition, so that
// they meet the same disk and page cache; the table compares the medians with the targets. The
// tool's peak memory in import (wait4's ru_maxrss) is set against the size of the CSV it reads.
//
// Before the timed repetitions, one untimed round checks that the three do the same work: the
// raw export equals the tool's byte for byte, check finds as many findings in each, diff lists the
// same units and fields; after every import the files hold what they must.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/record_layout.h"
#include "demo_units.h"

extern char** environ;

namespace {

namespace layout = varnel::data::layout;

// The sizes, each with its number of timed runs of every program and job after the untimed
// round: enough for the medians to hold still, few enough for a run of about a minute.
struct Size {
    int units, repetitions;
};
constexpr Size kSizes[] = {{1000, 15}, {32767, 9}};
// Runs of the tool that measure its memory, apart from the timed ones.
constexpr int kMemoryRuns = 3;
// Units that differ between the two equipment files of diff (and that check finds fault with).
constexpr int kDiffering = 100;
// The cell import changes: Soft (the fifth column) of the middle unit.
constexpr int kSoftColumn = 4, kSoftOffset = 3;

// A system call's failure, with the system's reason.
void check(bool ok, const std::string& what) {
    if (!ok)
        throw std::runtime_error(what + ": " + std::strerror(errno));
}

void require(bool ok, const std::string& what) {
    if (!ok)
        throw std::runtime_error(what);
}

// ---- files, read and written in small pieces ------------------------------------------------
//
// A program's ru_maxrss counts the pages the bench had written when it started it (see Start), so
// the bench never holds a large file: it builds the files in a child process of its own (inChild)
// and compares them piece by piece.

std::string readSmall(const std::string& path) {
    std::string text;
    char piece[4096];
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    check(fd >= 0, "open " + path);
    for (ssize_t got; (got = ::read(fd, piece, sizeof piece)) > 0;)
        text.append(piece, static_cast<std::size_t>(got));
    ::close(fd);
    return text;
}

void writeWhole(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    check(fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size()) &&
              ::fsync(fd) == 0 && ::close(fd) == 0,
          "write " + path);
}

// Copies a file, flushed to disk, so that a timed run does not meet its write-back.
void copyFile(const std::string& from, const std::string& to) {
    char piece[64 * 1024];
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    check(in >= 0 && out >= 0, "copy " + from);
    for (ssize_t got; (got = ::read(in, piece, sizeof piece)) > 0;)
        check(::write(out, piece, static_cast<std::size_t>(got)) == got, "write " + to);
    check(::fsync(out) == 0 && ::close(out) == 0 && ::close(in) == 0, "fsync " + to);
}

// The first byte at which two files differ, or -1 when they are equal.
long long firstDifference(const std::string& a, const std::string& b) {
    char pa[64 * 1024], pb[64 * 1024];
    const int fa = ::open(a.c_str(), O_RDONLY | O_CLOEXEC),
              fb = ::open(b.c_str(), O_RDONLY | O_CLOEXEC);
    check(fa >= 0 && fb >= 0, "open " + a + " and " + b);
    long long at = 0, found = -1;
    for (;;) {
        const ssize_t ga = ::read(fa, pa, sizeof pa), gb = ::read(fb, pb, sizeof pb);
        const ssize_t both = std::min(ga, gb);
        const auto mismatch = std::mismatch(pa, pa + std::max<ssize_t>(both, 0), pb);
        if (mismatch.first != pa + std::max<ssize_t>(both, 0) || ga != gb) {
            found = at + (mismatch.first - pa);
            break;
        }
        if (ga <= 0)
            break;
        at += ga;
    }
    ::close(fa);
    ::close(fb);
    return found;
}

void requireSame(const std::string& a, const std::string& b, const std::string& what) {
    if (const long long at = firstDifference(a, b); at >= 0)
        throw std::runtime_error(what + ": " + a + " and " + b + " differ at byte " +
                                 std::to_string(at));
}

void inChild(const std::function<void()>& work) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    check(pid >= 0, "fork");
    if (pid == 0) {
        try {
            work();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "tool_bench: %s\n", error.what());
            std::_Exit(1);
        }
        std::_Exit(0);
    }
    int status = 0;
    require(::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0,
            "making the files");
}

// ---- the files of one size ---------------------------------------------------------------------

struct Folder {
    std::string root;
    std::string operator()(const std::string& name) const { return root + "/" + name; }
};

// The demo units repeated, each with its own number and name, the counter set: as the window's
// benchmark builds its files. Beside them: a copy in which kDiffering units spread over the file
// differ in one or more fields (some of them values check reports), with its own copy of the
// list. Runs in a child process (see above).
void makeGameFiles(const Folder& at, int units) {
    const auto demo = varnel::demo::demoEquipmentFile();
    const std::string demoNames = varnel::demo::demoNameList();
    std::vector<std::string> demoName;
    for (std::size_t from = 0, end; (end = demoNames.find("\r\n", from)) != std::string::npos;
         from = end + 2) {
        demoName.push_back(demoNames.substr(from, end - from));
    }
    std::string equipment(layout::kHeaderSize, '\0'), names;
    equipment[0] = char(units & 0xFF);
    equipment[1] = char(units >> 8);
    for (int n = 0; n < units; ++n) {
        const auto record = demo.begin() + layout::fileOffset(n % demoName.size(), 0);
        equipment.append(record, record + layout::kRecordSize);
        equipment[layout::fileOffset(n, 0)] = char(n & 0xFF);
        equipment[layout::fileOffset(n, 1)] = char(n >> 8);
        names += demoName[n % demoName.size()] + " " + std::to_string(n) + "\r\n";
    }
    writeWhole(at("Equip97.eqp"), equipment);
    writeWhole(at("Equip97.txt"), names);
    writeWhole(at("changed/Equip97.txt"), names);

    std::string changed = equipment;
    for (int i = 0; i < kDiffering; ++i) {
        const int unit = i * units / kDiffering + units / (2 * kDiffering);
        const auto byte = [&](int offset) -> char& {
            return changed[layout::fileOffset(unit, offset)];
        };
        switch (i % 5) {
            case 0:  // one value
                ++byte(3);
                break;
            case 1:  // the cost and the move
                ++byte(21), ++byte(17);
                break;
            case 2:  // a class code that names no class
                byte(2) = 0;
                break;
            case 3:  // two nationalities at once
                byte(30) = 1, byte(31) = 1, byte(32) = 0, byte(33) = 0;
                break;
            case 4:  // a switch pair the editor never writes, a control character, a spare byte
                byte(34) = 7, byte(35) = 7, byte(39) = 7, byte(60) = 0x5A;
                break;
        }
    }
    writeWhole(at("changed/Equip97.eqp"), changed);
}

// The middle unit's row of the exported CSV with its Soft cell one higher, and the equipment
// file that import must make of it. Runs in a child process.
void makeOneCellChange(const Folder& at, int units) {
    const std::string csv = readSmall(at("units.csv"));
    const int unit = units / 2;
    std::size_t row = 0;
    for (int line = 0; line <= unit; ++line)
        row = csv.find("\r\n", row) + 2;
    std::size_t cell = row;
    for (int column = 0; column < kSoftColumn; ++column)
        cell = csv.find(',', cell) + 1;
    const std::size_t end = csv.find(',', cell);
    require(csv.find('"', row) > end, "a quoted cell before Soft");
    const int soft = std::stoi(csv.substr(cell, end - cell));
    writeWhole(at("units-one-cell.csv"),
               csv.substr(0, cell) + std::to_string(soft + 1) + csv.substr(end));

    std::string expected = readSmall(at("Equip97.eqp"));
    require(static_cast<std::uint8_t>(expected[layout::fileOffset(unit, kSoftOffset)]) == soft,
            "the Soft cell of the CSV");
    ++expected[layout::fileOffset(unit, kSoftOffset)];
    writeWhole(at("expected/Equip97.eqp"), expected);
}

// ---- the programs and their jobs ---------------------------------------------------------------

enum Program { kTool, kRaw, kPython, kPrograms };
const char* const kProgramNames[] = {"tool", "raw", "python"};

enum Job { kExport, kImportUnchanged, kImportOneCell, kCheck, kDiff, kJobs };
const char* const kJobNames[] = {"export", "import unchanged", "import one cell", "check", "diff"};
// The exit status each program gives: check reports findings, diff differences.
const int kStatus[] = {0, 0, 0, 1, 1};
// tool/raw at most, by job; python/tool at least kPythonTarget for every job.
const double kToolTarget[] = {1.5, 2.0, 2.0, 1.5, 1.5};
constexpr double kPythonTarget = 5.0;

// Import writes into the copy in work/; check reads the changed copy, whose units give it
// findings to report.
std::vector<std::string> commandLine(Program program, Job job, const Folder& at) {
    const std::string eqp = at("Equip97.eqp"), changed = at("changed/Equip97.eqp");
    const std::string work = at("work/Equip97.eqp");
    const std::string csv = at(job == kImportOneCell ? "units-one-cell.csv" : "units.csv");
    const std::string exported = at(std::string("out/") + kProgramNames[program] + ".csv");
    if (program == kTool) {
        switch (job) {
            case kExport:
                return {VARNEL_TOOL_PATH, "export", eqp, "-o", exported};
            case kImportUnchanged:
            case kImportOneCell:
                return {VARNEL_TOOL_PATH, "import", csv, work};
            case kCheck:
                return {VARNEL_TOOL_PATH, "check", changed};
            default:
                return {VARNEL_TOOL_PATH, "diff", eqp, changed};
        }
    }
    std::vector<std::string> line = program == kRaw
                                        ? std::vector<std::string>{TOOL_RAW_PATH}
                                        : std::vector<std::string>{PYTHON_PATH, TOOL_JOBS_PATH};
    switch (job) {
        case kExport:
            line.insert(line.end(), {"export", eqp, at("Equip97.txt"), exported});
            break;
        case kImportUnchanged:
        case kImportOneCell:
            line.insert(line.end(), {"import", csv, work, at("work/Equip97.txt")});
            break;
        case kCheck:
            line.insert(line.end(), {"check", changed, at("changed/Equip97.txt")});
            break;
        default:
            line.insert(line.end(), {"diff", eqp, changed});
            break;
    }
    return line;
}

struct Run {
    double seconds;
    long peakKib;
};

// How a program is started. Timed runs use posix_spawn, the cheapest start there is. Under it the
// child runs on the bench's memory until it starts the program, and the system carries the
// bench's peak into the child's ru_maxrss, so memory is measured in runs started by fork and
// exec: a forked child holds only the few pages the bench wrote, and the program's own peak
// shows (a program that does nothing, /bin/true, reads about 1 MiB).
enum class Start { Spawn, Fork };

// Starts a program with its output going to a file, and waits for it: the wall time from the
// start to its end, and its peak resident memory. A status other than the one expected stops the
// bench with what the program wrote to its error output.
Run runProgram(const std::vector<std::string>& line, const std::string& output, int expected,
               const std::string& errors, Start how = Start::Spawn) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<char*> argv;
    for (const std::string& argument : line)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    timespec start{}, end{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t pid = -1;
    int failure = 0;
    if (how == Start::Spawn) {
        failure = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        pid = failure == 0 ? pid : -1;
    } else if ((pid = ::fork()) == 0) {
        // Only calls that are safe in a forked child, up to exec.
        const int in = ::open("/dev/null", O_RDONLY),
                  out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644),
                  err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in >= 0 && out >= 0 && err >= 0 && ::dup2(in, 0) == 0 && ::dup2(out, 1) == 1 &&
            ::dup2(err, 2) == 2) {
            ::execv(argv[0], argv.data());
        }
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    const bool waited = pid > 0 && ::wait4(pid, &status, 0, &usage) == pid;
    failure = waited ? 0 : failure != 0 ? failure : errno;
    ::clock_gettime(CLOCK_MONOTONIC, &end);
    posix_spawn_file_actions_destroy(&actions);
    std::string command;
    for (const std::string& argument : line)
        command += argument + " ";
    if (!waited)
        throw std::runtime_error(command + "could not be started: " + std::strerror(failure));
    if (!WIFEXITED(status) || WEXITSTATUS(status) != expected) {
        throw std::runtime_error(command + "gave status " + std::to_string(WEXITSTATUS(status)) +
                                 ", not " + std::to_string(expected) + ":\n" + readSmall(errors));
    }
    return {double(end.tv_sec - start.tv_sec) + 1e-9 * double(end.tv_nsec - start.tv_nsec),
            usage.ru_maxrss};
}

// ---- checking that the three do the same work ------------------------------------------------

// What check says it found: "80 findings in …", "1 finding in …", "No findings: …", "80 findings".
long findingsIn(const std::string& output) {
    const std::size_t last = output.rfind('\n', output.size() - 2) + 1;
    return output.compare(last, 3, "No ") == 0 ? 0 : std::atol(output.c_str() + last);
}

// The units diff shows and the fields under them.
std::pair<int, int> diffLines(const std::string& output) {
    std::pair<int, int> counted{0, 0};
    for (std::size_t at = 0, end; at < output.size(); at = end + 1) {
        end = std::min(output.find('\n', at), output.size());
        counted.first += output.compare(at, 5, "unit ") == 0;
        counted.second += output.compare(at, 4, "    ") == 0;
    }
    return counted;
}

void compareOutputs(Job job, const Folder& at) {
    const auto output = [&](Program program) {
        return readSmall(at(std::string("out/") + kProgramNames[program] + "-" + kJobNames[job]));
    };
    if (job == kExport)
        requireSame(at("out/tool.csv"), at("out/raw.csv"), "the raw export is not the tool's");
    if (job == kCheck) {
        const long tool = findingsIn(output(kTool));
        if (tool == 0 || tool != findingsIn(output(kRaw)) || tool != findingsIn(output(kPython)))
            throw std::runtime_error(
                "check: the tool, raw and python findings differ in number, or there are none");
    }
    if (job == kDiff) {
        const auto tool = diffLines(output(kTool));
        if (tool != diffLines(output(kRaw)) || tool != diffLines(output(kPython)) ||
            tool.first != kDiffering) {
            throw std::runtime_error("diff: the tool, raw and python list different changes");
        }
    }
}

// ---- the measurement ---------------------------------------------------------------------------

struct Sizes {
    std::map<std::pair<Job, Program>, std::vector<double>> seconds;
    long importPeakKib[2] = {0, 0};  // unchanged, one cell
    long long csvBytes = 0;
};

// One run of a job by a program: the import's files put back first and looked at after.
Run runJob(Program program, Job job, const Folder& at, Start how = Start::Spawn) {
    const bool import = job == kImportUnchanged || job == kImportOneCell;
    if (import) {
        copyFile(at("Equip97.eqp"), at("work/Equip97.eqp"));
        copyFile(at("Equip97.txt"), at("work/Equip97.txt"));
    }
    const Run run =
        runProgram(commandLine(program, job, at),
                   at(std::string("out/") + kProgramNames[program] + "-" + kJobNames[job]),
                   kStatus[job], at("out/errors"), how);
    if (import) {
        const std::string what = std::string(kProgramNames[program]) + " " + kJobNames[job];
        requireSame(at("work/Equip97.eqp"),
                    at(job == kImportOneCell ? "expected/Equip97.eqp" : "Equip97.eqp"), what);
        requireSame(at("work/Equip97.txt"), at("Equip97.txt"), what);
    }
    return run;
}

Sizes measure(const Folder& at, const Size& size) {
    const int units = size.units;
    for (const char* folder : {"work", "changed", "expected", "out"})
        std::filesystem::create_directories(at(folder));
    inChild([&] { makeGameFiles(at, units); });
    runProgram({VARNEL_TOOL_PATH, "export", at("Equip97.eqp"), "-o", at("units.csv")}, "/dev/null",
               0, at("out/errors"));
    inChild([&] { makeOneCellChange(at, units); });

    Sizes found;
    found.csvBytes = static_cast<long long>(std::filesystem::file_size(at("units.csv")));
    for (int job = 0; job < kJobs; ++job) {
        for (int program = 0; program < kPrograms; ++program)
            runJob(Program(program), Job(job), at);
        compareOutputs(Job(job), at);
    }
    std::fprintf(stderr, "tool_bench: %d units, %d runs of each job\n", units, size.repetitions);
    for (int repetition = 0; repetition < size.repetitions; ++repetition) {
        for (int job = 0; job < kJobs; ++job) {
            // Each program goes first in turn.
            for (int i = 0; i < kPrograms; ++i) {
                const auto program = Program((repetition + i) % kPrograms);
                found.seconds[{Job(job), program}].push_back(runJob(program, Job(job), at).seconds);
            }
        }
    }
    // The tool's peak memory in import, in runs of its own (see Start); the highest is shown.
    for (int run = 0; run < kMemoryRuns; ++run) {
        for (const Job job : {kImportUnchanged, kImportOneCell}) {
            long& peak = found.importPeakKib[job == kImportOneCell];
            peak = std::max(peak, runJob(kTool, job, at, Start::Fork).peakKib);
        }
    }
    return found;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string shownTime(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, seconds < 1 ? "%.2f ms" : "%.3f s",
                  seconds < 1 ? seconds * 1e3 : seconds);
    return text;
}

std::string verdict(bool met, const char* format, double target) {
    char text[32];
    std::snprintf(text, sizeof text, format, target);
    return (met ? "met " : "MISSED ") + std::string(text);
}

}  // namespace

int main() {
    const char* tmp = std::getenv("TMPDIR");
    std::string root =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/varnel-tool-bench.XXXXXX";
    try {
        check(::mkdtemp(root.data()) != nullptr, "mkdtemp");

        std::map<int, Sizes> results;
        for (const Size& size : kSizes)
            results[size.units] = measure(Folder{root + "/" + std::to_string(size.units)}, size);
        // The tool's memory when it does no file work at all, and the least this measure shows.
        const auto peakOf = [&](const std::vector<std::string>& line) {
            std::vector<double> peaks;
            for (int run = 0; run < kMemoryRuns; ++run)
                peaks.push_back(double(
                    runProgram(line, "/dev/null", 0, root + "/errors", Start::Fork).peakKib));
            return median(peaks) / 1024;
        };
        const double baseline = peakOf({VARNEL_TOOL_PATH, "--help"}), least = peakOf({"/bin/true"});
        std::filesystem::remove_all(root);

        std::printf(
            "varnel-tool, its raw file work (tool_raw) and a Python script, each a process;\n"
            "the median of");
        for (const Size& size : kSizes) {
            std::printf("%s %d runs at %d units", &size == kSizes ? "" : " and", size.repetitions,
                        size.units);
        }
        std::printf(", the three in turn for each job\n\n");
        std::printf("%-16s %6s %10s %10s %10s %9s %-13s %11s %s\n", "job", "units", "tool", "raw",
                    "python", "tool/raw", " target", "python/tool", " target");
        for (const auto& [units, sizes] : results) {
            for (int job = 0; job < kJobs; ++job) {
                const double tool = median(sizes.seconds.at({Job(job), kTool}));
                const double raw = median(sizes.seconds.at({Job(job), kRaw}));
                const double python = median(sizes.seconds.at({Job(job), kPython}));
                std::printf(
                    "%-16s %6d %10s %10s %10s %8.2fx %-13s %10.2fx %s\n", kJobNames[job], units,
                    shownTime(tool).c_str(), shownTime(raw).c_str(), shownTime(python).c_str(),
                    tool / raw,
                    verdict(tool / raw <= kToolTarget[job], "%.1fx", kToolTarget[job]).c_str(),
                    python / tool,
                    verdict(python / tool >= kPythonTarget, "%.0fx", kPythonTarget).c_str());
            }
        }

        std::printf(
            "\nPeak resident memory of varnel-tool import (ru_maxrss, the highest of %d runs each)"
            "\nagainst the CSV's size and the tool's own (varnel-tool --help: %.1f MiB);"
            "\ntarget < 4 x CSV + own\n",
            kMemoryRuns, baseline);
        std::printf("%6s %10s %16s %16s %12s\n", "units", "CSV", "import unchanged",
                    "import one cell", "limit");
        for (const auto& [units, sizes] : results) {
            const double csv = double(sizes.csvBytes) / (1024 * 1024), limit = 4 * csv + baseline;
            const double unchanged = sizes.importPeakKib[0] / 1024.0;
            const double oneCell = sizes.importPeakKib[1] / 1024.0;
            std::printf("%6d %6.2f MiB %12.1f MiB %12.1f MiB %8.1f MiB  %s\n", units, csv,
                        unchanged, oneCell, limit,
                        std::max(unchanged, oneCell) < limit ? "met" : "MISSED");
        }
        std::printf("(The least this measure shows: /bin/true reads %.1f MiB.)\n", least);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "\ntool_bench: %s\n", error.what());
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
        return 1;
    }
}
