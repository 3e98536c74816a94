#!/usr/bin/env bash
# Configures and builds the image, the host tool, the tests and the benchmarks in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
# A compiler cache, where the machine has one, makes rebuilds of other checkouts cheap.
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build -j"$(nproc)"
