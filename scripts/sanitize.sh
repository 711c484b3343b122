#!/usr/bin/env bash
# Builds the suite with AddressSanitizer and UndefinedBehaviorSanitizer in ./build-asan and
# runs every test there. Any report of either sanitizer fails the test that made it.
# NUVIR_WERROR=ON in the environment makes compiler warnings errors here too (as CI does).
# Usage: scripts/sanitize.sh [parallel jobs, default all cores]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="${1:-$(nproc)}"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNUVIR_BUILD_BENCH=OFF \
      -DNUVIR_WERROR="${NUVIR_WERROR:-OFF}" \
      -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
      "${launcher[@]}" >/dev/null
cmake --build build-asan --parallel "$jobs"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
cd build-asan
# A test still running after 2000 s hangs: the longest takes about 20 s, and a busy
# machine may make it a good deal slower.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$jobs" --timeout 2000
