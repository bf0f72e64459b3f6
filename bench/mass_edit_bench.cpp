// varnel-tool's mass edits timed as real processes on a file of 32767 units, each next to the
// import that makes the same change from a CSV (the spreadsheet round trip they replace):
//   sql    "every Tank costs 10 % more", one UPDATE;
//   patch  a mod patch of 1000 changed units, made by diff --patch.
// Every run starts from a fresh copy of the base files; the jobs alternate within each
// repetition so that they meet the same disk and page cache. After the untimed first round the
// files each job leaves are compared: the sql and its import, the patch and its import, must
// write the same bytes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kRepetitions = 9;
constexpr double kTargetRatio = 2.0;

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

// Runs a command line; throws when it fails. Its output goes to a file, not to the terminal.
double run(const std::string& command, const std::string& output = "/dev/null") {
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system((command + " >" + quoted(output) + " 2>&1").c_str());
    const auto end = std::chrono::steady_clock::now();
    if (status != 0 && !(WIFEXITED(status) && WEXITSTATUS(status) == 1)) {
        throw std::runtime_error("failed: " + command);
    }
    return std::chrono::duration<double, std::milli>(end - start).count();
}

std::string contentOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void freshCopy(const fs::path& from, const fs::path& to) {
    fs::remove_all(to);
    fs::create_directories(to);
    for (const char* name : {"Equip97.eqp", "Equip97.txt"}) {
        fs::copy_file(from / name, to / name);
    }
    run("sync");
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Job {
    std::string name;
    std::string command;  // with WORK standing for the folder of the fresh copy
    std::vector<double> times;
    std::string result;  // the equipment file and the list it left, after the first round
};

std::string withWork(std::string command, const fs::path& work) {
    const std::string marker = "WORK";
    for (std::size_t at; (at = command.find(marker)) != std::string::npos;) {
        command.replace(at, marker.size(), work.string());
    }
    return command;
}

}  // namespace

int main() {
    const fs::path root = fs::temp_directory_path() / "varnel-mass-edit-bench";
    fs::remove_all(root);
    const std::string tool = quoted(VARNEL_TOOL_PATH);
    run(quoted(MAKE_DEMO_PATH) + " " + quoted((root / "base").string()) + " --units 32767");
    const fs::path base = root / "base", work = root / "work";
    const std::string update = "UPDATE units SET cost = cost * 1.1 WHERE class_name = 'Tank'";

    // The CSV of the same change as the UPDATE: the file it leaves, exported.
    freshCopy(base, work);
    run(tool + " sql " + quoted((work / "Equip97.eqp").string()) + " " + quoted(update));
    run(tool + " export " + quoted((work / "Equip97.eqp").string()) + " -o " +
        quoted((root / "tanks.csv").string()));
    // A mod of 1000 changed units (one value and the name of every 32nd unit), its patch and its
    // CSV.
    freshCopy(base, root / "mod");
    const std::string mod = quoted((root / "mod" / "Equip97.eqp").string());
    run(tool + " sql " + mod + " " +
        quoted("UPDATE units SET soft = (soft + 1) % 200, name = name || ' v2' WHERE unit IN "
               "(SELECT unit FROM units WHERE unit % 32 = 0 LIMIT 1000)"));
    run(tool + " diff " + quoted((base / "Equip97.eqp").string()) + " " + mod + " --patch",
        (root / "mod.json").string());
    run(tool + " export " + mod + " -o " + quoted((root / "mod.csv").string()));

    const std::string target = quoted((work / "Equip97.eqp").string());
    std::vector<Job> jobs = {
        {"sql UPDATE of every Tank's cost", tool + " sql " + target + " " + quoted(update), {}, {}},
        {"import of the same change (CSV)",
         tool + " import " + quoted((root / "tanks.csv").string()) + " " + target,
         {},
         {}},
        {"patch of 1000 changed units",
         tool + " patch " + quoted((root / "mod.json").string()) + " " + target,
         {},
         {}},
        {"import of the same 1000 units (CSV)",
         tool + " import " + quoted((root / "mod.csv").string()) + " " + target,
         {},
         {}},
    };
    for (int round = 0; round <= kRepetitions; ++round) {
        for (Job& job : jobs) {
            freshCopy(base, work);
            const double time = run(withWork(job.command, work));
            if (round == 0) {
                job.result = contentOf(work / "Equip97.eqp") + contentOf(work / "Equip97.txt");
            } else {
                job.times.push_back(time);
            }
        }
    }
    if (jobs[0].result != jobs[1].result || jobs[2].result != jobs[3].result) {
        std::fprintf(stderr, "The mass edit and its import left different files.\n");
        return 1;
    }
    std::printf("Mass edits at 32767 units, median of %d runs each (process start included):\n",
                kRepetitions);
    std::printf("%-38s %10s %12s %8s\n", "job", "ms", "ratio", "target");
    for (std::size_t i = 0; i < jobs.size(); i += 2) {
        const double edit = median(jobs[i].times), import = median(jobs[i + 1].times);
        std::printf("%-38s %10.1f %12s %8s\n", jobs[i + 1].name.c_str(), import, "", "");
        std::printf("%-38s %10.1f %11.2fx %7.1fx %s\n", jobs[i].name.c_str(), edit, edit / import,
                    kTargetRatio, edit / import <= kTargetRatio ? "met" : "MISSED");
    }
    fs::remove_all(root);
    return 0;
}
