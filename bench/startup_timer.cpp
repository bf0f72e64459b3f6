// startup_timer RUNS EDITOR BARE
// Starts the two probe programs alternately RUNS times each (after one unmeasured start each),
// and prints the median time from process start to the shown window and the median peak resident
// memory. The clock is read just before the child is spawned; the child prints the same
// system-wide monotonic clock after its first paint.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Start {
    double shownMs = 0;
    double peakMb = 0;
};

long long nowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

Start startOnce(const char* program) {
    int out[2];
    if (pipe(out) != 0)
        std::exit(2);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>(program), nullptr};
    pid_t child = 0;
    const long long started = nowNs();
    if (posix_spawn(&child, program, &actions, nullptr, argv, environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", program);
        std::exit(2);
    }
    close(out[1]);
    std::string text;
    char buffer[64];
    for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, got);
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || text.empty()) {
        std::fprintf(stderr, "%s did not show its window\n", program);
        std::exit(2);
    }
    return {(std::atoll(text.c_str()) - started) / 1e6, usage.ru_maxrss / 1024.0};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: startup_timer RUNS EDITOR BARE\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    std::vector<double> shown[2], peak[2];
    startOnce(argv[2]);
    startOnce(argv[3]);
    for (int run = 0; run < runs; ++run) {
        for (int p = 0; p < 2; ++p) {
            const Start start = startOnce(argv[2 + p]);
            shown[p].push_back(start.shownMs);
            peak[p].push_back(start.peakMb);
        }
    }
    const char* names[] = {"editor", "window + 1 label"};
    std::printf("%-17s %12s %12s %12s %14s\n", "program", "median", "fastest", "slowest",
                "peak RSS");
    for (int p = 0; p < 2; ++p) {
        std::printf("%-17s %9.1f ms %9.1f ms %9.1f ms %11.1f MB\n", names[p], median(shown[p]),
                    *std::min_element(shown[p].begin(), shown[p].end()),
                    *std::max_element(shown[p].begin(), shown[p].end()), median(peak[p]));
    }
    const double ratio = median(shown[0]) / median(shown[1]);
    const double extra = median(peak[0]) - median(peak[1]);
    std::printf(
        "editor / window with one label: %.2fx (target 1.2x: %s); peak memory +%.1f MB (target "
        "15 MB: %s); %d runs each\n",
        ratio, ratio <= 1.2 ? "met" : "MISSED", extra, extra <= 15 ? "met" : "MISSED", runs);
    return 0;
}
