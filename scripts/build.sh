#!/usr/bin/env bash
# Configures and builds NUVIR in ./build (Release with debug info). NUVIR_WERROR=ON in
# the environment makes compiler warnings errors (as CI does).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNUVIR_WERROR="${NUVIR_WERROR:-OFF}" >/dev/null
cmake --build build --parallel "$(nproc)"
