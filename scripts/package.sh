#!/usr/bin/env bash
# Builds the Debian packages libqevgfx1, libqevgfx-dev, qev-display-utility
# and qevgfx-tools into out/deb/ (or OUT_DIR), from a build of their own
# configured for /usr (build-deb/, or BUILD_DIR).
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$repo/build-deb}
out=${OUT_DIR:-$repo/out/deb}

cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
      -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null  # cpack installs what the line below built
cmake --build "$build" -j2 --target qevgfx QEVDisplayUtility qevgfx-cli qev_data
mkdir -p "$out"
rm -f "$out"/*.deb
(cd "$build" && cpack -G DEB -B "$build/cpack")
cp "$build"/cpack/*.deb "$out"/
ls -1 "$out"
