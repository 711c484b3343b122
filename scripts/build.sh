#!/usr/bin/env bash
# Configures and builds NUVIR in ./build (Release with debug info), with as many jobs as
# the first argument says (default: one per core). NUVIR_WERROR=ON in the environment
# makes compiler warnings errors (as CI does). Usage: build.sh [jobs]
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNUVIR_WERROR="${NUVIR_WERROR:-OFF}" \
      "${launcher[@]}" >/dev/null
cmake --build build --parallel "${1:-$(nproc)}"
