#!/usr/bin/env bash
# Builds the benchmarks (when needed) and runs them on the simulated adapter,
# each inside sim/qevsim-run (private mount namespace, scratch /etc/X11 and
# HOME, its own Xorg server), printing figures and ratios. Goals are reported,
# never gated: the exit status is non-zero only when a measurement failed.
#
# Environment: QEV_BENCH_BUILD_DIR (default <repo>/build-bench; an optimised
# build without sanitizers). Needs root (or CAP_SYS_ADMIN), like the tests.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(dirname "$here")
build=${QEV_BENCH_BUILD_DIR:-$repo/build-bench}

usage() {
    cat <<EOF
usage: bench/run.sh [--quick] [--lib-only | --app-only] [--runs N] [--rounds N]
  --quick       fewer samples (3 start-up runs, 5 library rounds)
  --lib-only    only the library benchmark
  --app-only    only the program start-up benchmark
  --runs N      start-up runs per program (default 10)
  --rounds N    library samples per operation (default 15)
EOF
    exit "${1:-2}"
}

runs=10
rounds=15
do_lib=1
do_app=1
while (($#)); do
    case $1 in
    --quick) runs=3; rounds=5 ;;
    --lib-only) do_app=0 ;;
    --app-only) do_lib=0 ;;
    --runs) (($# >= 2)) || usage; runs=$2; shift ;;
    --rounds) (($# >= 2)) || usage; rounds=$2; shift ;;
    -h | --help) usage 0 ;;
    *) echo "run.sh: unknown option: $1" >&2; usage 2 ;;
    esac
    shift
done

# ---- build ------------------------------------------------------------------
if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQEV_SANITIZE=OFF >/dev/null || exit 1
fi
if grep -q '^QEV_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
    echo "run.sh: $build is a sanitized build; timings would mean little (set QEV_BENCH_BUILD_DIR)" >&2
    exit 1
fi
cmake --build "$build" -j2 --target qevsim_drv qevgfx QEVDisplayUtility qev_lib_bench qev_startup_bench \
    qev_empty_gtk2_window qev_gtk2_label_window qev_page_bench qev_rtcount \
    >"$build/bench-build.log" 2>&1 || {
    tail -30 "$build/bench-build.log" >&2
    echo "run.sh: build failed (log: $build/bench-build.log)" >&2
    exit 1
}

export QEVSIM_BUILD_DIR=$build
status=0
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"

# ---- library ------------------------------------------------------------------
# The output read on adapters with 1, 6 and 11 RandR outputs; the round trip
# figures come from the built-in profile (6 outputs).
if ((do_lib)); then
    for profile in minimal-crt default all-outputs; do
        echo
        echo "== profile $profile"
        "$repo/sim/qevsim-run" --profile "$repo/sim/profiles/$profile.conf" -- \
            "$build/bench/qev_lib_bench" --rounds "$rounds" || status=1
    done
fi

# ---- Display page ----------------------------------------------------------------
# One page build and one primary change, in round trips and microseconds.
if ((do_lib)); then
    echo
    echo "== Display page (profile default)"
    "$repo/sim/qevsim-run" -- "$build/bench/qev_page_bench" --rounds "$rounds" || status=1
fi

# ---- program start-up -----------------------------------------------------------
if ((do_app)); then
    echo
    programs=(--program QEVDisplayUtility "$build/app/QEVDisplayUtility"
        --floor "empty GTK2 window" "$build/bench/qev_empty_gtk2_window"
        --program "GTK2 window with one label" "$build/bench/qev_gtk2_label_window")
    for p in lxrandr arandr; do
        if command -v "$p" >/dev/null; then
            programs+=(--program "$p" "$p")
        else
            echo "($p is not installed: scripts/setup.sh installs it)"
            status=1
        fi
    done
    # The programs' own output goes to a log; GTK 3's accessibility bridge
    # would wait for a session bus that the sandbox does not have.
    log=$build/bench-programs.log
    : >"$log"
    "$repo/sim/qevsim-run" -- env NO_AT_BRIDGE=1 "$build/bench/qev_startup_bench" --runs "$runs" \
        --log "$log" "${programs[@]}" || status=1

    # Round trips of the program's start-up, counted on its connections (the
    # library's is the first): one run, ended after it has mapped its window.
    count_log=$build/bench-rtcount.log
    : >"$count_log"
    echo
    "$repo/sim/qevsim-run" -- "$build/bench/qev_startup_bench" --runs 1 --settle-ms 200 --log "$count_log" \
        --program QEVDisplayUtility env LD_PRELOAD="$build/bench/libqev_rtcount.so" QEV_RTCOUNT_ON_TERM=1 \
        "$build/app/QEVDisplayUtility" >/dev/null || status=1
    echo "Start-up round trips (counted run; connection 1 is the library's, 2 GDK's, up to the end of settling):"
    grep '^rtcount:' "$count_log" | tail -n 2
fi
exit $status
