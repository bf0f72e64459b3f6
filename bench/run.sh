#!/usr/bin/env bash
# Builds the benchmark in release mode in its own folder, then runs the command benchmark, the
# table of all units at 32767 units (offscreen), the start-up measurement (offscreen and under
# Xvfb) and varnel-tool's jobs as processes. Arguments go to the command benchmark, e.g.
# --benchmark_filter=/32767/; STARTUP_RUNS sets the number of starts of each program (15).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BENCH_BUILD:-build-bench}
runs=${STARTUP_RUNS:-15}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNEL_SANITIZE=OFF \
      -DVARNEL_TESTS=OFF -DVARNEL_BENCH=ON >/dev/null
cmake --build "$build"

folder=${TMPDIR:-/tmp}
echo "Machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)," \
     "temporary folder $folder on $(df -T "$folder" | awk 'NR == 2 {print $2 " (" $1 ")"}')"
"$build/bench/varnel_bench" "$@" | tee "$build/bench-commands.txt"

# The table of all units: opening, a filter key, the refresh after a Save, memory.
echo
QT_QPA_PLATFORM=offscreen "$build/bench/table_bench" | tee "$build/bench-table.txt"

probes=("$build/bench/startup_editor" "$build/bench/startup_bare")
{
  echo
  echo "Start-up to the shown window, offscreen:"
  QT_QPA_PLATFORM=offscreen "$build/bench/startup_timer" "$runs" "${probes[@]}"
  echo
  echo "Start-up to the shown window, under Xvfb:"
  xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb \
    "$build/bench/startup_timer" "$runs" "${probes[@]}"
} | tee "$build/bench-startup.txt"

# varnel-tool's jobs against the raw file work and a Python script (bench/tool_bench.cpp).
echo
"$build/bench/tool_bench" | tee "$build/bench-tool.txt"

# The mass edits: sql and patch at 32767 units, each next to the import of the same change.
echo
"$build/bench/mass_edit_bench" | tee "$build/bench-mass-edit.txt"
