#!/usr/bin/env bash
# Runs clang-tidy over every source in src/ with the checks of .clang-tidy, in parallel,
# from the compile commands of ./build (configured here when missing). Every finding is
# an error; the exit status is 1 when there is one.
# Usage: scripts/tidy.sh [parallel jobs, default all cores] [source files...]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="${1:-$(nproc)}"
shift || true
tidy=$(command -v clang-tidy || command -v clang-tidy-14 || true)
[ -n "$tidy" ] || { echo "tidy: clang-tidy is not installed" >&2; exit 2; }
[ -f build/compile_commands.json ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# The sources Qt's moc generates must exist for the files that include them.
cmake --build build --parallel "$jobs" --target nuvir >/dev/null
if [ $# -gt 0 ]; then
  printf '%s\n' "$@"
else
  find src -name '*.cpp' | sort
# A build configured for GCC may carry warning options clang does not know (-Wno-restrict).
fi | { xargs -P "$jobs" -n 4 "$tidy" -p build --quiet --extra-arg=-Wno-unknown-warning-option 2>/dev/null || true; } \
  >build/tidy.log
# Findings listed in scripts/tidy-known.txt are shown but do not fail the run.
known=$(grep -v -E '^(#|$)' scripts/tidy-known.txt || true)
findings=$(grep -E '(error|warning): ' build/tidy.log | sort -u || true)
new=$(printf '%s\n' "$findings" | grep -v -E "${known:-^$}" | grep . || true)
accepted=$(printf '%s\n' "$findings" | grep -E "${known:-^$}" | grep . || true)
[ -z "$accepted" ] || printf 'tidy: known, accepted for now (scripts/tidy-known.txt):\n%s\n' "$accepted"
if [ -n "$new" ]; then
  cat build/tidy.log
  echo "tidy: $(printf '%s\n' "$new" | wc -l) finding(s)" >&2
  exit 1
fi
echo "tidy: no findings beyond the known ones"
