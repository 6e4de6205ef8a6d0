#!/usr/bin/env bash
# Installs what is missing, builds the Debug configuration with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test headless. Extra arguments go to ctest
# (e.g. -L platform).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/deps.sh

build=${STEWARD_BUILD_DIR:-build/debug}
jobs=$(nproc)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DSTEWARD_SANITIZE=ON >/dev/null
cmake --build "$build" -j "$jobs"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tools/lsan.supp:print_suppressions=0}
ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@"
