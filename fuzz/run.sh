#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and UBSan in build-fuzz, then
# runs each for FUZZ_SECONDS (default 60) starting from its committed corpus. New inputs go to
# build-fuzz/corpus/<target>, a failing input to build-fuzz/crashes/<target>/. Prints the
# executions and the time of every target; exits non-zero when any target found a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
build=${FUZZ_BUILD:-build-fuzz}
targets=${FUZZ_TARGETS:-"name_list numbers commands csv_table patch_reader"}

if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
        -DVARNEL_SANITIZE=ON -DVARNEL_FUZZ=ON
fi
# Absolute paths: the command-sequence target works inside a folder of its own.
build=$(realpath -m "$build")
cmake --build "$build" --target $(for t in $targets; do printf 'fuzz_%s ' "$t"; done)

# The targets write real files; in memory a flush to disk costs nothing.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export QT_QPA_PLATFORM=offscreen
# A small quarantine keeps the memory of a long run of the window target in bounds.
export ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=64
export LSAN_OPTIONS=suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=0
for t in $targets; do
    mkdir -p "$build/corpus/$t" "$build/crashes/$t"
    log=$build/fuzz_$t.log
    start=$SECONDS
    if ! "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/crashes/$t/" "$build/corpus/$t" "$PWD/fuzz/corpus/$t" >"$log" 2>&1; then
        failed=1
        echo "fuzz_$t FAILED; see $log and $build/crashes/$t/"
    fi
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
    rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
    inputs=$(ls "$build/corpus/$t" "fuzz/corpus/$t" | grep -vc ':$' || true)
    printf '%-10s %10s executions in %4d s (%s/s), corpus now %s inputs\n' \
        "$t" "$runs" $((SECONDS - start)) "$rate" "$inputs"
done
exit $failed
