#!/usr/bin/env bash
# Kills the editor (the save driver, which clicks Save in the real window in a loop) with SIGKILL at
# random moments, ROUNDS times (default 200), then in place of every file system call of one Save,
# one Create Unit and one Replace, and checks the files after every kill. Prints the figures.
#   tools/kill_test.sh [ROUNDS]      BUILD=folder picks the build (default build-test, as make test)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-200}
build=${BUILD:-build-test}
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVARNEL_SANITIZE=ON
fi
cmake --build "$build" --target kill_check save_driver
export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS=suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0
start=$SECONDS
"$build/tests/reliability/kill_check" "$build/tests/reliability/save_driver" "$rounds" \
    2> >(grep -v 'XDG_RUNTIME_DIR' >&2)
echo "kill test: $rounds random kills and the kills at every call took $((SECONDS - start)) s"
