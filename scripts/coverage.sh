#!/usr/bin/env bash
# Measures line coverage of src/ by the whole test suite: builds in ./build-cov with
# --coverage, runs every test, and prints gcovr's summary (the per-file table goes to
# build-cov/coverage.txt). Then counts test and code lines. Needs gcovr.
# Usage: scripts/coverage.sh [parallel jobs, default 4]
# COVERAGE_FILTER (a gcovr regular expression, default 'src/') limits the files counted,
# for example 'src/(runtime|numerics)/'; COVERAGE_LABELS (a ctest label expression,
# default all but app) limits the tests run, for example 'runtime|numerics'.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="${1:-4}"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-cov -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNUVIR_BUILD_BENCH=OFF \
      -DCMAKE_CXX_FLAGS="--coverage -O0 -fprofile-update=atomic" -DCMAKE_EXE_LINKER_FLAGS="--coverage" "${launcher[@]}" >/dev/null
cmake --build build-cov --parallel "$jobs"
find build-cov -name '*.gcda' -delete
(cd build-cov && QT_QPA_PLATFORM=offscreen ctest --parallel "$jobs" --timeout 300 --output-on-failure \
      ${COVERAGE_LABELS:+-L "$COVERAGE_LABELS"} -LE app >/dev/null) \
  || echo "warning: some tests failed; coverage below counts what ran" >&2
gcovr --root . --filter "${COVERAGE_FILTER:-src/}" --exclude '.*_autogen/.*' --gcov-ignore-parse-errors \
      --object-directory build-cov --txt build-cov/coverage.txt --print-summary -j "$jobs" | tail -3
scripts/count_lines.py
