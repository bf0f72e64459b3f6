// The editor's commands clicked on the real window (offscreen), each next to the raw cost of the
// same file work, on equipment files of 100 to 32767 units with full name lists. A command is
// timed around its button's click(); its raw limit runs in the same iteration, first or second in
// turn, so that both meet the same disk. The table after the benchmarks compares the medians.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "commands/report.h"
#include "data/record_layout.h"
#include "demo_units.h"
#include "form/editor_window.h"
#include "form/look.h"

namespace {

namespace layout = varnel::data::layout;

constexpr int kSizes[] = {100, 1000, 10000, 32767};
// Iterations per benchmark: medians of this many samples hold still from run to run.
constexpr int kClicks = 200, kPartRuns = 500;

void check(bool ok, const std::string& what) {
    if (!ok)
        throw std::runtime_error(what + ": " + std::strerror(errno));
}

void writeWhole(const std::string& path, const char* data, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    check(
        fd >= 0 && ::write(fd, data, size) == ssize_t(size) && ::fsync(fd) == 0 && ::close(fd) == 0,
        "write " + path);
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_CLOEXEC);
    check(fd >= 0 && ::fsync(fd) == 0 && ::close(fd) == 0, "fsync " + folder);
}

// The files of one size: the demo units repeated, each with its own number and name.
struct GameFiles {
    std::string folder;
    std::string equipment;               // every record, after the counter
    std::string names;                   // the list, CR LF after each name
    std::vector<std::size_t> lineStart;  // where each line starts, and the end

    GameFiles(const std::string& root, int units) : folder(root + "/" + std::to_string(units)) {
        std::filesystem::create_directories(folder);
        const auto demo = varnel::demo::demoEquipmentFile();
        const std::string demoNames = varnel::demo::demoNameList();
        std::vector<std::string> demoName;
        for (std::size_t at = 0, end; (end = demoNames.find("\r\n", at)) != std::string::npos;
             at = end + 2) {
            demoName.push_back(demoNames.substr(at, end - at));
        }
        equipment.assign(layout::kHeaderSize, '\0');
        for (int n = 0; n < units; ++n) {
            const auto record = demo.begin() + layout::fileOffset(n % demoName.size(), 0);
            equipment.append(record, record + layout::kRecordSize);
            equipment[layout::fileOffset(n, 0)] = char(n & 0xFF);
            equipment[layout::fileOffset(n, 1)] = char(n >> 8);
            lineStart.push_back(names.size());
            names += demoName[n % demoName.size()] + " " + std::to_string(n) + "\r\n";
        }
        lineStart.push_back(names.size());
    }

    std::string file(const char* name) const { return folder + "/" + name; }

    // Writes the files as holding their first `units` units, the counter included, to disk.
    void write(const std::string& eqp, const std::string& txt, int units) const {
        std::string prefix = equipment.substr(0, layout::fileOffset(units, 0));
        prefix[0] = char(units & 0xFF);
        prefix[1] = char(units >> 8);
        writeWhole(eqp, prefix.data(), prefix.size());
        writeWhole(txt, names.data(), lineStart[units]);
        syncFolder(folder);
    }
};

std::map<int, std::unique_ptr<GameFiles>> gFiles;

// ---- the window ---------------------------------------------------------------------------------

varnel::form::EditorWindow* gWindow = nullptr;
int gReports = 0;
QString gLastReport;
struct {
    int size = 0, units = 0;  // what the window has open; 0 for nothing
} gOpen;

QAbstractButton* button(const char* name) {
    auto* found = gWindow->findChild<QAbstractButton*>(QLatin1String(name));
    if (found == nullptr)
        throw std::runtime_error(std::string("no button ") + name);
    return found;
}

void setField(const char* name, int value) {
    gWindow->findChild<QLineEdit*>(QLatin1String(name))->setText(QString::number(value));
}

void closeIfOpen() {
    if (gOpen.size != 0)
        button("closeM")->click();
    gOpen = {};
}

// Opens the window on fresh files of `size` that hold `units` of its units.
void openOn(int size, int units) {
    closeIfOpen();
    const GameFiles& files = *gFiles.at(size);
    files.write(files.file("Equip97.eqp"), files.file("Equip97.txt"), units);
    check(::chdir(files.folder.c_str()) == 0, "chdir");
    button("open1")->click();
    gOpen = {size, units};
}

void setProfiMode(bool on) {
    if (gWindow->findChild<QWidget*>(QStringLiteral("ALF"))->isEnabled() != on) {
        gWindow->findChild<QAction*>(QStringLiteral("MPROF"))->trigger();
    }
}

// ---- the raw limits -----------------------------------------------------------------------------

// Line `line` (1-based) of a list by a buffered scan: open, read 64 KiB blocks, find LFs, close.
std::string scanLine(const std::string& path, std::int64_t line) {
    static std::vector<char> block(64 * 1024);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    check(fd >= 0, "open " + path);
    std::string found;
    std::int64_t in = 1;  // the line the scan is in
    for (ssize_t got; (got = ::read(fd, block.data(), block.size())) > 0;) {
        const char *at = block.data(), *const end = at + got;
        auto nextLf = [&] { return static_cast<const char*>(std::memchr(at, '\n', end - at)); };
        for (const char* lf; in < line && (lf = nextLf()) != nullptr; ++in)
            at = lf + 1;
        if (in < line)
            continue;
        const char* const lf = nextLf();
        found.append(at, lf != nullptr ? lf : end);
        if (lf != nullptr)
            break;
    }
    check(::close(fd) == 0, "close " + path);
    return found;
}

// The raw file work of one limit, on copies beside the editor's files ("raw.eqp", "raw.txt").
// The durable limits ("durable save", "durable create") make the sequence a change to both files
// needs to survive a power cut: the journal written and flushed with its folder, the record
// written in place and flushed (an appended record before the counter that counts it), the list
// read whole, the unit's line put anew, and renamed into place with its folder flushed (the other
// names must stay, so reading them is part of the work), the journal removed and the folder
// flushed again.
class RawWork {
  public:
    RawWork(int size, std::string what, int unit)
        : files_(*gFiles.at(size)), what_(std::move(what)), size_(size), unit_(unit) {
        append_ = what_ == "raw create" || what_ == "durable create";
        durable_ = what_.starts_with("durable");
        files_.write(eqp_, txt_, append_ ? size - 1 : size);
        fd_ = ::open(eqp_.c_str(), O_RDWR | O_CLOEXEC);
        check(fd_ >= 0, "open " + eqp_);
        at_ = layout::fileOffset(append_ ? size - 1 : unit, 0);
    }
    ~RawWork() { ::close(fd_); }

    // Outside the timing: the append starts from a file one record short, the close from an
    // open file.
    void prepare() {
        if (append_)
            check(::ftruncate(fd_, at_) == 0 && ::fsync(fd_) == 0, "ftruncate");
        if (what_ == "raw close")
            check((other_ = ::open(eqp_.c_str(), O_RDWR)) >= 0, "open");
        ::unlink(journal_.c_str());  // one that an earlier run wrote
        if (what_ == "journal remove + folder")
            writeJournal();
    }

    void run() {
        if (what_ == "pread 73" || what_ == "raw read") {
            check(::pread(fd_, record_, sizeof record_, at_) == sizeof record_, "pread");
        }
        if (what_.starts_with("pwrite 73") || what_ == "raw save" || what_ == "raw create") {
            check(::pwrite(fd_, files_.equipment.data() + at_, sizeof record_, at_) == 73, "write");
            if (what_ != "pwrite 73")
                check(::fsync(fd_) == 0, "fsync");
        }
        if (what_ == "scan line" || what_ == "raw read") {
            benchmark::DoNotOptimize(scanLine(txt_, unit_ + 1));
        }
        if (what_ == "raw open") {  // the file opened, its length, a record, every name counted
            struct stat info {};
            const int fd = ::open(eqp_.c_str(), O_RDWR | O_CLOEXEC);
            check(fd >= 0 && ::fstat(fd, &info) == 0, "open");
            check(::pread(fd, record_, sizeof record_, at_) == sizeof record_, "pread");
            benchmark::DoNotOptimize(scanLine(txt_, size_ + 1));
            check(::close(fd) == 0, "close");
        }
        if (what_ == "raw close")
            check(::fsync(other_) == 0 && ::close(other_) == 0, "close");
        if (what_.starts_with("rewrite list")) {
            rewriteList(what_ != "rewrite list", what_.ends_with("folder"));
        }
        if (what_ == "raw save" || what_ == "raw create")
            rewriteList(true, true);
        if (what_ == "journal write + fsync + folder")
            writeJournal();
        if (what_ == "journal remove + folder")
            removeJournal();
        if (durable_) {
            writeJournal();
            check(::pwrite(fd_, files_.equipment.data() + at_, sizeof record_, at_) == 73 &&
                      ::fsync(fd_) == 0,
                  "write");
            if (append_) {
                const char counter[2] = {char(size_ & 0xFF), char(size_ >> 8)};
                check(::pwrite(fd_, counter, 2, 0) == 2 && ::fsync(fd_) == 0, "counter");
            }
            spliceList();
            removeJournal();
        }
    }

  private:
    // A journal of the size a change of one record writes (its header, the paths, the old bytes
    // and a checksum), created new beside the file and made durable with its folder.
    void writeJournal() {
        static const std::string bytes(320, 'j');
        const int fd = ::open(journal_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        check(fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size()),
              "write journal");
        check(::fsync(fd) == 0 && ::close(fd) == 0, "fsync journal");
        syncFolder(files_.folder);
    }
    void removeJournal() {
        check(::unlink(journal_.c_str()) == 0, "unlink journal");
        syncFolder(files_.folder);
    }

    // The list as a change must rewrite it: read whole, since every other name stays as it is;
    // the unit's line found and put anew; the whole written to a new file, flushed, renamed over
    // the list, and the folder flushed.
    void spliceList() {
        const int in = ::open(txt_.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        check(in >= 0 && ::fstat(in, &info) == 0, "open list");
        std::string old(static_cast<std::size_t>(info.st_size), '\0');
        check(::pread(in, old.data(), old.size(), 0) == ssize_t(old.size()) && ::close(in) == 0,
              "read list");
        const char *at = old.data(), *const end = at + old.size();
        for (int line = 0; line < unit_ && at < end; ++line) {
            const auto* lf = static_cast<const char*>(std::memchr(at, '\n', end - at));
            at = lf != nullptr ? lf + 1 : end;
        }
        const auto* lineEnd = static_cast<const char*>(std::memchr(at, '\r', end - at));
        std::string content;
        content.reserve(old.size() + 16);
        content.append(old.data(), static_cast<std::size_t>(at - old.data())).append("Stored name");
        const char* rest = lineEnd != nullptr ? lineEnd : end;
        content.append(rest, static_cast<std::size_t>(end - rest));
        if (lineEnd == nullptr)
            content += "\r\n";
        const std::string temporary = files_.file("raw.tmp");
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        check(fd >= 0 && ::write(fd, content.data(), content.size()) == ssize_t(content.size()),
              "write");
        check(::fsync(fd) == 0 && ::close(fd) == 0, "fsync");
        check(::rename(temporary.c_str(), txt_.c_str()) == 0, "rename");
        syncFolder(files_.folder);
    }

    // The whole list of size units to a temporary file, renamed over the list.
    void rewriteList(bool sync, bool syncTheFolder) {
        const std::string temporary = files_.file("raw.tmp");
        const std::size_t bytes = files_.lineStart[size_];
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        check(fd >= 0 && ::write(fd, files_.names.data(), bytes) == ssize_t(bytes), "write");
        check((!sync || ::fsync(fd) == 0) && ::close(fd) == 0, "fsync");
        check(::rename(temporary.c_str(), txt_.c_str()) == 0, "rename");
        if (syncTheFolder)
            syncFolder(files_.folder);
    }

    const GameFiles& files_;
    const std::string what_;
    const int size_, unit_;
    const std::string eqp_ = files_.file("raw.eqp"), txt_ = files_.file("raw.txt");
    const std::string journal_ = files_.file("raw.eqp-journal");
    bool append_ = false, durable_ = false;
    int fd_ = -1, other_ = -1;
    std::int64_t at_ = 0;
    char record_[layout::kRecordSize] = {};
};

// ---- the benchmarks -----------------------------------------------------------------------------

std::map<std::string, std::vector<double>> gSamples;  // seconds per iteration, by row

std::vector<double>& samples(int size, const std::string& what, int unit) {
    return gSamples[std::to_string(size) + "|" + what + "|" + std::to_string(unit)];
}

template <typename Work>
double seconds(Work work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A part of the raw limits on its own.
void rawPart(benchmark::State& state, int size, const std::string& what, int unit) {
    auto& times = samples(size, what, unit);
    times.clear();
    RawWork work(size, what, unit);
    for (auto _ : state) {
        work.prepare();
        times.push_back(seconds([&] { work.run(); }));
        state.SetIterationTime(times.back());
    }
}

struct Command {
    const char* name;
    const char* button;
    const char* limit;  // the raw benchmark it is held against
    int from;           // the unit number before the click, from the unit the command lands on
    double target;      // the greatest ratio allowed at 32767 units; 0 for none
};
constexpr Command kCommands[] = {
    {"Open File", "open1", "raw open", 0, 0},
    {"Close", "closeM", "raw close", 0, 0},
    {"Read", "ReadM", "raw read", 0, 1.0},
    {"Next Unit", "NEXTu", "raw read", -1, 1.0},
    {"Previous Unit", "PREVu", "raw read", 1, 1.0},
    {"Last", "BACK", "raw read", 0, 1.0},
    {"Save", "Command1", "durable save", 0, 1.3},
    {"Replace", "Command2", "durable save", -1, 1.3},
    {"Create Unit", "CreateB", "durable create", 0, 1.3},
};

// Clicks the command's button so that it lands on `unit`; a message from the editor fails it.
void clickCommand(benchmark::State& state, int size, const Command& command, int unit) {
    auto& times = samples(size, command.name, unit);
    auto& limitTimes = samples(size, std::string(command.name) + " raw", unit);
    times.clear();
    limitTimes.clear();
    const std::string name = command.name;
    const bool create = name == "Create Unit";
    if (!create && (gOpen.size != size || gOpen.units != size))
        openOn(size, size);
    setProfiMode(name == "Replace");
    if (name == "Replace")
        setField("Text9", unit);  // the unit replaced
    RawWork limit(size, command.limit, unit);
    QAbstractButton* const target = button(command.button);
    bool limitFirst = false;
    for (auto _ : state) {
        if (create)
            openOn(size, size - 1);  // Create Unit brings it back to size units
        if (name == "Open File")
            closeIfOpen();
        if (name == "Close" && gOpen.size == 0)
            button("open1")->click();
        setField("NMBu", unit + command.from);
        // Save and its kin write the unit shown; Next and Previous step from a unit shown, so
        // that every field they fill really changes.
        if (name == "Save" || name == "Replace" || create || command.from != 0)
            button("ReadM")->click();
        QApplication::processEvents();
        limit.prepare();
        if ((limitFirst = !limitFirst))
            limitTimes.push_back(seconds([&] { limit.run(); }));
        const int reportsBefore = gReports;
        times.push_back(seconds([target] { target->click(); }));
        state.SetIterationTime(times.back());
        if (!limitFirst)
            limitTimes.push_back(seconds([&] { limit.run(); }));
        if (gReports != reportsBefore) {
            state.SkipWithError(("the editor reported: " + gLastReport.toStdString()).c_str());
            times.clear();
            break;
        }
        gOpen = name == "Close" ? decltype(gOpen){} : decltype(gOpen){size, size};
    }
    QApplication::processEvents();
}

// ---- the table ----------------------------------------------------------------------------------

double median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

std::string timeText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, seconds < 1e-3 ? "%.1f us" : "%.2f ms",
                  seconds < 1e-3 ? seconds * 1e6 : seconds * 1e3);
    return text;
}

constexpr const char* kParts[] = {"pread 73",
                                  "pwrite 73",
                                  "pwrite 73 + fsync",
                                  "scan line",
                                  "rewrite list",
                                  "rewrite list + fsync",
                                  "rewrite list + fsync + folder",
                                  "journal write + fsync + folder",
                                  "journal remove + folder",
                                  "raw save",
                                  "raw create"};

// A unit near the start and one near the end.
std::vector<int> unitsOf(int size) {
    return {1, size - 2};
}
// Parts that do not depend on the unit are measured once, as unit 0.
std::vector<int> unitsOf(int size, const std::string& part) {
    return part.starts_with("p") || part == "scan line" ? unitsOf(size) : std::vector<int>{0};
}

void printTable() {
    std::printf("\n%-6s %-14s %6s %10s %10s %7s %10s  %s\n", "units", "command", "unit", "median",
                "raw limit", "ratio", "gap", "target at 32767 units");
    for (const int size : kSizes) {
        for (const Command& command : kCommands) {
            for (const int unit : unitsOf(size)) {
                const double time = median(samples(size, command.name, unit));
                const double limit =
                    median(samples(size, std::string(command.name) + " raw", unit));
                if (time == 0)
                    continue;
                std::string verdict;
                // The reads are held to their limit at the end of the list, where finding the
                // name is the work; near its start the limit is a single pread.
                const bool read = std::string_view(command.limit) == "raw read";
                if (size == 32767 && command.target > 0 && (!read || unit > 1)) {
                    const bool met = time / limit <= command.target;
                    char target[16];
                    std::snprintf(target, sizeof target, "%.1fx", command.target);
                    verdict = (met ? "met " : "MISSED ") + std::string(target);
                }
                std::printf("%-6d %-14s %6d %10s %10s %6.2fx %10s  %s\n", size, command.name, unit,
                            timeText(time).c_str(), timeText(limit).c_str(), time / limit,
                            timeText(time - limit).c_str(), verdict.c_str());
            }
        }
    }
    std::printf("\n%-6s %-30s %6s %10s\n", "units", "part of the raw limits", "unit", "median");
    for (const int size : kSizes) {
        for (const char* part : kParts) {
            for (const int unit : unitsOf(size, part)) {
                const auto& times = samples(size, part, unit);
                if (!times.empty()) {
                    std::printf("%-6d %-30s %6d %10s\n", size, part, unit,
                                timeText(median(times)).c_str());
                }
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    varnel::form::applyLook(application);
    varnel::commands::setReportHandler([](varnel::commands::Severity, const QString& message) {
        ++gReports;
        gLastReport = message;
    });

    const char* tmp = std::getenv("TMPDIR");
    std::string root = std::string(tmp && *tmp ? tmp : "/tmp") + "/varnel-bench-XXXXXX";
    check(::mkdtemp(root.data()) != nullptr, "mkdtemp");
    for (const int size : kSizes)
        gFiles[size] = std::make_unique<GameFiles>(root, size);

    varnel::form::EditorWindow window;
    gWindow = &window;
    window.show();
    QApplication::processEvents();

    for (const int size : kSizes) {
        const std::string units = std::to_string(size) + "/";
        for (const std::string part : kParts) {
            for (const int unit : unitsOf(size, part)) {
                benchmark::RegisterBenchmark(
                    ("raw/" + units + part + "/unit:" + std::to_string(unit)).c_str(),
                    [=](benchmark::State& state) { rawPart(state, size, part, unit); })
                    ->UseManualTime()
                    ->Iterations(kPartRuns);
            }
        }
        for (const Command& command : kCommands) {
            for (const int unit : unitsOf(size)) {
                benchmark::RegisterBenchmark(
                    ("click/" + units + command.name + "/unit:" + std::to_string(unit)).c_str(),
                    [=, &command](benchmark::State& state) {
                        clickCommand(state, size, command, unit);
                    })
                    ->UseManualTime()
                    ->Iterations(kClicks);
            }
        }
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    closeIfOpen();
    printTable();
    std::filesystem::remove_all(root);
    return 0;
}
