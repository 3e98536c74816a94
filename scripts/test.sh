#!/usr/bin/env bash
# Fresh machine to a passed test suite: unit and end-to-end tests, then a short fuzz run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
(cd build && ctest --output-on-failure -j"$(nproc)" --timeout 600)

# Fuzz targets need clang's libFuzzer; they get a build of their own.
if command -v clang++ >/dev/null; then
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DLIFEBOAT_FUZZ=ON \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build-fuzz -j"$(nproc)"
    (cd build-fuzz && ctest --output-on-failure -L fuzz)
else
    echo "clang++ not found: fuzz targets not built"
fi
