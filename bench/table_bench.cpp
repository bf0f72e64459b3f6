// The table of all units on an equipment file of 32767 units with a full name list, through the
// real windows (offscreen): opened from the View menu until it has painted, filtered one key at a
// time, refreshed after a Save, and the memory it holds with and without a second file compared.
// Each figure is the median of its runs, printed beside its target.
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QStringList>
#include <QTableView>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "commands/report.h"
#include "data/record_layout.h"
#include "data/unit_record.h"
#include "demo_units.h"
#include "form/editor_window.h"
#include "form/look.h"
#include "form/unit_table_model.h"
#include "form/unit_table_window.h"

namespace {

namespace layout = varnel::data::layout;
using varnel::form::EditorWindow;
using varnel::form::UnitTableModel;
using varnel::form::UnitTableWindow;

constexpr int kUnits = 32767;
// Runs per figure: each opening builds a fresh editor window, each Save run clicks three Saves.
constexpr int kOpenRuns = 30, kFilterRuns = 40, kSaveRuns = 30;
constexpr int kSavedUnit = 16000;  // the unit the Saves write, in the middle of the file
constexpr int kSoftOffset = varnel::data::recordField("soft").offset;
constexpr int kSoftColumn = 4;  // the first of the value columns

using Clock = std::chrono::steady_clock;

void check(bool ok, const std::string& what) {
    if (!ok) {
        throw std::runtime_error(what + ": " + std::strerror(errno));
    }
}

// A condition of the measurement itself: a figure taken on a window that did not do its work is
// no figure.
void require(bool ok, const std::string& what) {
    if (!ok) {
        throw std::runtime_error(what);
    }
}

void writeWhole(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    check(fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size()) &&
              ::fsync(fd) == 0 && ::close(fd) == 0,
          "write " + path);
}

// Equip97.eqp and Equip97.txt of kUnits units in folder: the demo units repeated, each with its
// own number and name. The file to compare with (other) has every tenth unit's soft attack one
// higher and every fiftieth name changed.
void writeGameFiles(const std::string& folder, bool other) {
    std::filesystem::create_directories(folder);
    const auto demo = varnel::demo::demoEquipmentFile();
    const std::string demoNames = varnel::demo::demoNameList();
    std::vector<std::string> demoName;
    for (std::size_t at = 0, end; (end = demoNames.find("\r\n", at)) != std::string::npos;
         at = end + 2) {
        demoName.push_back(demoNames.substr(at, end - at));
    }
    std::string equipment(layout::kHeaderSize, '\0');
    equipment[0] = char(kUnits & 0xFF);
    equipment[1] = char(kUnits >> 8);
    std::string names;
    for (int n = 0; n < kUnits; ++n) {
        const auto record = demo.begin() + layout::fileOffset(n % demoName.size(), 0);
        equipment.append(record, record + layout::kRecordSize);
        equipment[layout::fileOffset(n, 0)] = char(n & 0xFF);
        equipment[layout::fileOffset(n, 1)] = char(n >> 8);
        if (other && n % 10 == 0) {
            char& soft = equipment[layout::fileOffset(n, kSoftOffset)];
            soft = char(static_cast<unsigned char>(soft) + 1);
        }
        names += demoName[n % demoName.size()] + " " + std::to_string(n) +
                 (other && n % 50 == 0 ? " (revised)" : "") + "\r\n";
    }
    writeWhole(folder + "/Equip97.eqp", equipment);
    writeWhole(folder + "/Equip97.txt", names);
}

// ---- measuring ----------------------------------------------------------------------------------

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

template <typename Work>
double seconds(Work work) {
    const auto start = Clock::now();
    work();
    return secondsSince(start);
}

// Bytes malloc has handed out and not had back, in the heap and in blocks of their own.
double mallocMegabytes() {
    const struct mallinfo2 info = ::mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

// The resident set size, VmRSS of /proc/self/status.
double residentMegabytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
        }
    }
    return 0;
}

// Counts the paint events of a widget (the table view's viewport).
class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

// Runs the event loop until the counter has seen a paint after `before` paints; false when none
// came within the time given.
bool waitForPaint(const PaintCounter& counter, int before, double limit = 5.0) {
    const auto start = Clock::now();
    while (counter.paints == before) {
        if (secondsSince(start) > limit) {
            return false;
        }
        QApplication::processEvents();
    }
    return true;
}

// Runs the event loop for a while: queued events, the file watcher's signals and the timer that
// lets a file settle before the table reads it again (50 ms) all run out of the timed parts.
void drain(double forSeconds = 0.12) {
    const auto start = Clock::now();
    while (secondsSince(start) < forSeconds) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

int gReports = 0;
QString gLastReport;

// Fails the benchmark when the editor reported anything: a figure of a failed command is no
// figure.
void checkNoReports(const char* during) {
    if (gReports != 0) {
        throw std::runtime_error(std::string("the editor reported during ") + during + ": " +
                                 gLastReport.toStdString());
    }
}

template <typename Widget>
Widget& child(QObject& parent, const char* name) {
    auto* found = parent.findChild<Widget*>(QLatin1String(name));
    if (found == nullptr) {
        throw std::runtime_error(std::string("no control ") + name);
    }
    return *found;
}

void click(EditorWindow& window, const char* name) {
    child<QAbstractButton>(window, name).click();
}

// The editor window, shown and open on the files of the current folder.
std::unique_ptr<EditorWindow> openEditor() {
    auto window = std::make_unique<EditorWindow>();
    window->show();
    QApplication::processEvents();
    click(*window, "open1");
    drain(0.02);
    checkNoReports("Open File");
    return window;
}

// ---- the figures --------------------------------------------------------------------------------

struct Row {
    std::string what;
    std::vector<double> samples;  // seconds
    double target = 0;            // seconds; 0 for a figure shown without a target
};

double median(std::vector<double> v) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

std::string timeText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, std::abs(seconds) < 1e-3 ? "%.1f us" : "%.2f ms",
                  std::abs(seconds) < 1e-3 ? seconds * 1e6 : seconds * 1e3);
    return text;
}

void printTimes(const char* heading, const std::vector<Row>& rows) {
    if (std::all_of(rows.begin(), rows.end(), [](const Row& row) { return row.samples.empty(); })) {
        return;
    }
    std::printf("\n%-58s %10s %10s %10s  %s\n", heading, "median", "min", "max", "target");
    for (const Row& row : rows) {
        if (row.samples.empty()) {
            continue;
        }
        const double time = median(row.samples);
        std::string verdict;
        if (row.target > 0) {
            verdict = (time <= row.target ? "met " : "MISSED ") + timeText(row.target);
        }
        // A figure made of other medians has no runs of its own to show.
        const auto [least, most] = std::minmax_element(row.samples.begin(), row.samples.end());
        const bool runs = row.samples.size() > 1;
        std::printf("%-58s %10s %10s %10s  %s\n", row.what.c_str(), timeText(time).c_str(),
                    runs ? timeText(*least).c_str() : "-", runs ? timeText(*most).c_str() : "-",
                    verdict.c_str());
    }
}

// ---- opening the table and comparing ------------------------------------------------------------

struct OpenFigures {
    Row firstShowing{"trigger to first paint, the table's first showing", {}, 0.100};
    Row shownAgain{"trigger to first paint, shown again after closing", {}, 0.100};
    Row compare{"compareWith(a second file of 32767 units) to painted", {}, 0};
    std::vector<double> mallocOpen, mallocComparing;  // MB above the window without the table
    double residentOpen = 0, residentComparing = 0;   // the same of the first run, VmRSS
};

// A fresh editor window each run, so that every first showing builds the table's window anew.
OpenFigures measureOpening(const std::string& compareFile) {
    OpenFigures figures;
    for (int run = 0; run < kOpenRuns; ++run) {
        auto window = openEditor();
        drain(0.05);
        const double mallocBefore = mallocMegabytes(), residentBefore = residentMegabytes();

        QAction& action = child<QAction>(*window, "actionUnitTable");
        PaintCounter counter;
        const auto start = Clock::now();
        action.trigger();
        // The view is made by the trigger; nothing has painted before the event loop runs.
        auto& table = child<UnitTableWindow>(*window, "UnitTable");
        auto& view = child<QTableView>(table, "unitTableView");
        view.viewport()->installEventFilter(&counter);
        require(waitForPaint(counter, 0), "the table never painted");
        figures.firstShowing.samples.push_back(secondsSince(start));
        require(table.isVisible() && view.model()->rowCount() == kUnits,
                "the table shows no units");
        drain(0.02);
        const double mallocOpen = mallocMegabytes(), residentOpen = residentMegabytes();

        table.close();
        drain(0.02);
        int paints = counter.paints;
        figures.shownAgain.samples.push_back(seconds([&] {
            action.trigger();
            require(waitForPaint(counter, paints), "the table never painted again");
        }));

        paints = counter.paints;
        figures.compare.samples.push_back(seconds([&] {
            table.compareWith(QString::fromStdString(compareFile));
            require(waitForPaint(counter, paints), "the table never painted the compare");
        }));
        require(table.model().comparing(), "the table compares with nothing");
        drain(0.02);
        const double mallocComparing = mallocMegabytes(), residentComparing = residentMegabytes();
        checkNoReports("opening the table");

        figures.mallocOpen.push_back(mallocOpen - mallocBefore);
        figures.mallocComparing.push_back(mallocComparing - mallocBefore);
        if (run == 0) {  // later runs reuse what the earlier ones freed
            figures.residentOpen = residentOpen - residentBefore;
            figures.residentComparing = residentComparing - residentBefore;
        }
        view.viewport()->removeEventFilter(&counter);
        window.reset();
        drain(0.02);
    }
    return figures;
}

// ---- the filter ---------------------------------------------------------------------------------

// A filter typed to its last character: the time of that last key until the proxy has re-filtered
// (setText returns after the re-filtering: the line edit's textChanged runs it), the same until
// the view has painted the rows, and the backspace that takes the key back.
std::vector<Row> measureFilter(UnitTableWindow& table, PaintCounter& counter, const QString& typed,
                               const char* sorted = "") {
    auto& filter = child<QLineEdit>(table, "unitFilter");
    const QAbstractItemModel& rows = *child<QTableView>(table, "unitTableView").model();
    const QString before = typed.chopped(1);
    const std::string name = QStringLiteral("filter \"%1\"%2").arg(typed, sorted).toStdString();
    Row key{name + ", last key", {}, 0.030};
    Row painted{name + ", last key to painted", {}, 0};
    Row back{name + ", backspace", {}, 0.030};
    for (int run = 0; run < kFilterRuns; ++run) {
        filter.setText(before);
        drain(0.01);
        const int paints = counter.paints;
        const auto start = Clock::now();
        filter.setText(typed);
        key.samples.push_back(secondsSince(start));
        if (waitForPaint(counter, paints, 0.25)) {  // a filter that changes no row paints nothing
            painted.samples.push_back(secondsSince(start));
        }
        drain(0.01);
        back.samples.push_back(seconds([&] { filter.setText(before); }));
        if (run == 0 && rows.rowCount() == 0 && typed.size() > 1) {
            std::printf("(\"%s\" lets no row pass)\n", before.toStdString().c_str());
        }
    }
    filter.setText(typed);
    std::printf("filter \"%s\"%s: %d of %d units\n", typed.toStdString().c_str(), sorted,
                rows.rowCount(), kUnits);
    filter.clear();
    drain(0.02);
    return {key, painted, back};
}

// ---- the refresh after a Save -------------------------------------------------------------------

enum class SaveMode { TableOpen, TableClosed, RefreshAlone };

std::vector<Row> measureSave(EditorWindow& window, UnitTableWindow& table, PaintCounter& counter,
                             bool editName) {
    QAction& action = child<QAction>(window, "actionUnitTable");
    const std::string edit = editName ? "a name edited" : "a value edited";
    Row open{"Save, " + edit + ", table open", {}, 0};
    Row closed{"Save, " + edit + ", table closed", {}, 0};
    Row alone{"refresh() after a Save, " + edit, {}, 0.020};
    int value = 0;
    for (int run = 0; run < kSaveRuns; ++run) {
        for (int m = 0; m < 3; ++m) {
            // Each run starts with another of the three, so that a drift meets all of them.
            const auto mode = static_cast<SaveMode>((run + m) % 3);
            const bool tableShown = mode == SaveMode::TableOpen;
            if (tableShown && !table.isVisible()) {
                const int paints = counter.paints;
                action.trigger();
                waitForPaint(counter, paints);
            } else if (!tableShown && table.isVisible()) {
                table.close();
            }
            child<QLineEdit>(window, "NMBu").setText(QString::number(kSavedUnit));
            click(window, "ReadM");
            // Every Save really changes the unit: the value or the name goes back and forth.
            value = 1 - value;
            if (editName) {
                child<QLineEdit>(window, "NAMEu").setText(value ? "Saved name A" : "Saved name B");
            } else {
                child<QLineEdit>(window, "Soft1").setText(QString::number(40 + value));
            }
            drain();
            QAbstractButton& save = child<QAbstractButton>(window, "Command1");
            if (mode == SaveMode::RefreshAlone) {
                save.click();
                // Shown again without its own refresh: it shows the file as before the Save.
                table.show();
                alone.samples.push_back(seconds([&] { table.refresh(kSavedUnit); }));
                waitForPaint(counter, counter.paints, 0.25);
            } else {
                (tableShown ? open : closed).samples.push_back(seconds([&] { save.click(); }));
            }
            checkNoReports("Save");
            if (mode != SaveMode::TableClosed) {
                const UnitTableModel& model = table.model();
                const QString shown = model.text(kSavedUnit, UnitTableModel::kNameColumn);
                const QString soft = model.text(kSavedUnit, kSoftColumn);
                require(editName ? shown == (value ? "Saved name A" : "Saved name B")
                                 : soft == QString::number(40 + value),
                        "the table does not show the Save");
            }
        }
    }
    drain();
    Row share{"table's share of Save, " + edit + " (open - closed)", {}, 0.020};
    share.samples = {median(open.samples) - median(closed.samples)};
    return {open, closed, share, alone};
}

// ---- memory
// ---------------------------------------------------------------------------------------

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    check(in.good() || in.eof(), "read " + path);
    bytes.shrink_to_fit();
    return bytes;
}

// What the table's parts hold, on their own: a sheet of both files read afresh (the bytes whole
// and every name decoded), and a second one of the same files that borrows the first one's names,
// as the sheet of the file as opened and the sheet shown do.
std::pair<double, double> sheetMegabytes(const std::string& folder) {
    const double before = mallocMegabytes();
    varnel::form::UnitSheet first(fileBytes(folder + "/Equip97.eqp"),
                                  fileBytes(folder + "/Equip97.txt"));
    const double afterFirst = mallocMegabytes();
    varnel::form::UnitSheet second(fileBytes(folder + "/Equip97.eqp"),
                                   fileBytes(folder + "/Equip97.txt"), &first);
    const double afterSecond = mallocMegabytes();
    require(first.units() == kUnits && second.units() == kUnits, "the sheets hold no units");
    return {afterFirst - before, afterSecond - afterFirst};
}

void printMemory(const OpenFigures& opening, std::pair<double, double> sheets) {
    constexpr double kMemoryTarget = 20;  // MB
    const auto row = [&](const char* what, double mallocMedian, double mallocFirst,
                         double resident) {
        const double most = std::max({mallocMedian, mallocFirst, resident});
        std::printf("%-52s %8.1f MB %8.1f MB %8.1f MB  %s %.0f MB\n", what, mallocMedian,
                    mallocFirst, resident, most <= kMemoryTarget ? "met" : "MISSED", kMemoryTarget);
    };
    std::printf("\n%-52s %11s %11s %11s  %s\n", "memory above the window without the table",
                "malloc med", "malloc 1st", "VmRSS 1st", "target");
    row("the table open", median(opening.mallocOpen), opening.mallocOpen.front(),
        opening.residentOpen);
    row("the table open, comparing with a second file", median(opening.mallocComparing),
        opening.mallocComparing.front(), opening.residentComparing);
    std::printf("%-52s %8.1f MB\n", "  a sheet: both files read, every name decoded", sheets.first);
    std::printf("%-52s %8.1f MB\n", "  a second sheet of the same files, names borrowed",
                sheets.second);
    std::printf(
        "(MB: 2^20 bytes. malloc: bytes in use by mallinfo2, the median of the runs and the first "
        "run; VmRSS: the first run only, as later runs reuse freed pages. The target is held "
        "against all three.)\n");
}

}  // namespace

// Arguments: the parts to measure, of open (opening, comparing, memory), filter and save; all of
// them when none is given (one part alone suits a profiler).
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    varnel::form::applyLook(application);
    varnel::commands::setReportHandler([](varnel::commands::Severity, const QString& message) {
        ++gReports;
        gLastReport = message;
    });
    // The offscreen platform says at every showing that it cannot raise a window.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
        if (!message.startsWith(QLatin1String("This plugin does not support"))) {
            std::fprintf(stderr, "%s\n", qPrintable(message));
        }
    });
    const QStringList parts = QApplication::arguments().mid(1);
    const auto measured = [&](const char* part) {
        return parts.isEmpty() || parts.contains(QLatin1String(part));
    };

    const char* tmp = std::getenv("TMPDIR");
    std::string root = std::string(tmp && *tmp ? tmp : "/tmp") + "/varnel-table-bench-XXXXXX";
    check(::mkdtemp(root.data()) != nullptr, "mkdtemp");
    int status = 0;
    try {
        writeGameFiles(root + "/open", false);
        writeGameFiles(root + "/other", true);
        check(::chdir((root + "/open").c_str()) == 0, "chdir");
        std::printf(
            "The table of all units at %d units, offscreen, Qt %s; medians of %d runs "
            "(opening), %d (filter), %d (Save).\n",
            kUnits, qVersion(), kOpenRuns, kFilterRuns, kSaveRuns);

        std::optional<OpenFigures> opening;
        std::pair<double, double> sheets;
        if (measured("open")) {
            opening = measureOpening(root + "/other/Equip97.eqp");
            sheets = sheetMegabytes(root + "/open");
        }

        auto window = openEditor();
        child<QAction>(*window, "actionUnitTable").trigger();
        auto& table = child<UnitTableWindow>(*window, "UnitTable");
        auto& view = child<QTableView>(table, "unitTableView");
        PaintCounter counter;
        view.viewport()->installEventFilter(&counter);
        require(waitForPaint(counter, 0), "the table never painted");
        drain(0.05);

        std::vector<Row> filterRows;
        if (measured("filter")) {
            for (const char* typed :
                 {"t", "tank", "class:tank cost>=200", "soft>10 nation=Germany"}) {
                for (Row& row : measureFilter(table, counter, QString::fromLatin1(typed))) {
                    filterRows.push_back(std::move(row));
                }
            }
            Row sortByName{"sort by Name (from sorted by Unit)", {}, 0};
            for (int run = 0; run < 5; ++run) {
                view.sortByColumn(UnitTableModel::kUnitColumn, Qt::AscendingOrder);
                drain(0.01);
                sortByName.samples.push_back(seconds(
                    [&] { view.sortByColumn(UnitTableModel::kNameColumn, Qt::AscendingOrder); }));
            }
            filterRows.push_back(sortByName);
            for (Row& row : measureFilter(table, counter, "tank", " sorted by Name")) {
                filterRows.push_back(std::move(row));
            }
            view.sortByColumn(UnitTableModel::kUnitColumn, Qt::AscendingOrder);
            drain(0.05);
        }

        std::vector<Row> saveRows;
        if (measured("save")) {
            for (const bool editName : {false, true}) {
                for (Row& row : measureSave(*window, table, counter, editName)) {
                    saveRows.push_back(std::move(row));
                }
            }
        }
        view.viewport()->removeEventFilter(&counter);
        window.reset();

        if (opening) {
            printTimes("opening (from QAction::trigger until the view has painted)",
                       {opening->firstShowing, opening->shownAgain, opening->compare});
        }
        printTimes("a filter key (setText until the proxy has re-filtered)", filterRows);
        printTimes("the refresh after a Save (unit 16000)", saveRows);
        if (opening) {
            printMemory(*opening, sheets);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "table_bench: %s\n", error.what());
        status = 1;
    }
    std::filesystem::remove_all(root);
    return status;
}
