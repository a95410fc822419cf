#!/usr/bin/env bash
# Builds everything twice (plain and ASan+UBSan) and runs the whole test suite
# on both builds. Tests start their own Xorg servers with the simulated driver
# inside a private mount namespace, so they need root (or CAP_SYS_ADMIN).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
# A test binary that fails is run once more: several X servers start side by
# side under -j, and a start-up timing slip must not hide the real results.
# A fault shows in both runs; the first failure is still printed.
retry="--repeat until-pass:2"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure $retry -j"$jobs" --timeout 300)
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQEV_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ctest --output-on-failure $retry -j"$jobs" --timeout 600)
