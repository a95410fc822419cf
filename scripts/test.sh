#!/usr/bin/env bash
# Builds everything twice (plain and ASan+UBSan) and runs the whole test suite
# on both builds. Tests start their own Xorg servers with the simulated driver
# inside a private mount namespace, so they need root (or CAP_SYS_ADMIN).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs" --timeout 300)
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQEV_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ctest --output-on-failure -j"$jobs" --timeout 600)
