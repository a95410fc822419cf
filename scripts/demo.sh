#!/usr/bin/env bash
# Builds the program and the simulated adapter, starts a fresh Xorg server with
# the simulated driver (sim/qevsim-run: private mount namespace, scratch
# /etc/X11 and HOME), runs QEVDisplayUtility on it and takes a short tour of
# its notebook pages with xdotool, saving a screenshot of each under out/demo/.
# The server is headless; see --live to watch it through VNC.
#
#   scripts/demo.sh            build, run the tour, save the screenshots
#   scripts/demo.sh --live     the same, slower, with x11vnc on localhost:5900;
#                              the program stays open until you press Enter
#   scripts/demo.sh --no-build skip the build step
#
# Environment: QEV_BUILD_DIR (build tree, default <repo>/build), QEV_OUT_DIR
# (screenshots, default <repo>/out/demo), QEV_DEMO_PROFILE (an adapter profile
# for the simulated driver; with one, the page shots are only numbered). Needs
# root (mount namespace, Xorg); run scripts/setup.sh first on a fresh machine.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QEV_BUILD_DIR:-$repo/build}
out=${QEV_OUT_DIR:-$repo/out/demo}
live=0
do_build=1
app_pid=""
vnc_pid=""

# ---- inside the namespace: the tour ---------------------------------------------
tour() {
    local program=$build/app/QEVDisplayUtility
    local pause=0.6
    ((live)) && pause=2.5
    mkdir -p "$out"

    if ((live)); then
        if command -v x11vnc >/dev/null; then
            x11vnc -display "$DISPLAY" -localhost -rfbport 5900 -forever -shared -nopw -quiet \
                >"$out/x11vnc.log" 2>&1 &
            vnc_pid=$!
            echo "demo: watch live with a VNC viewer on localhost:5900" \
                "(from another machine: ssh -L 5900:localhost:5900 <this host>)"
            sleep 2
        else
            echo "demo: x11vnc is not installed (apt-get install x11vnc); continuing without it" >&2
        fi
    fi

    "$program" &
    app_pid=$!
    stop_all() {
        [[ -n $app_pid ]] && kill -TERM "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
        [[ -n $vnc_pid ]] && kill -TERM "$vnc_pid" 2>/dev/null && wait "$vnc_pid" 2>/dev/null
        return 0
    }
    trap stop_all EXIT

    local win
    win=$(timeout 30 xdotool search --sync --onlyvisible --name '^QEV Display Utility$' | head -n1) ||
        { echo "demo: the main window did not appear" >&2; exit 1; }
    sleep "$pause"
    # The window as it first appears (no focus marks yet): docs/main-window.png.
    import -window "$win" "$out/main-window.png"
    echo "demo: $out/main-window.png"

    # The notebook: tabs along the top of the notebook at (10, 80) in the
    # window, which the program places at the screen's top-left corner.
    # Clicking the Info tab gives it the focus; Right then walks the tabs.
    # An adapter without gamma or overlay colour has fewer pages: with a
    # profile the shots are just numbered, and the walk ends when Right has
    # wrapped round to the first tab.
    local pages=(info display gamma video settings)
    [[ -n ${QEV_DEMO_PROFILE:-} ]] && pages=(page page page page page)
    rm -f "$out"/[0-9]-*.png
    local i=0 shot first=""
    xdotool mousemove --sync 40 92 click 1
    sleep "$pause"
    for page in "${pages[@]}"; do
        ((i > 0)) && { xdotool key Right; sleep "$pause"; }
        shot=$out/$(printf '%d-%s' "$((i + 1))" "$page").png
        import -window root "$shot"
        if [[ -n $first && $(compare -metric AE "$first" "$shot" null: 2>&1) == 0 ]]; then
            rm -f "$shot"
            break
        fi
        echo "demo: $shot"
        # The Display page with the built-in adapter's two outputs: docs/display-page.png.
        [[ $page == display ]] && import -window "$win" "$out/display-page.png"
        [[ -n $first ]] || first=$shot
        i=$((i + 1))
    done
    xdotool key Home
    sleep "$pause"

    if ((live)) && [[ -t 0 ]]; then
        read -r -p "demo: the program is running; press Enter to end the demo. " _ || true
    fi

    # Leave through the Exit button (240, 480; 70 x 28).
    xdotool mousemove --sync 275 494 click 1
    local i
    for ((i = 0; i < 50; i++)); do
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$app_pid" 2>/dev/null; then
        echo "demo: Exit did not end the program" >&2
        exit 1
    fi
    wait "$app_pid" || true
    app_pid=""
    echo "demo: the program left through its Exit button"
}

while (($#)); do
    case $1 in
    --live) live=1 ;;
    --no-build) do_build=0 ;;
    --inside) shift; live=$1; tour; exit 0 ;;
    -h | --help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "demo: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done

for tool in cmake Xorg xdotool import compare unshare; do
    command -v "$tool" >/dev/null || { echo "demo: $tool is missing; run scripts/setup.sh first" >&2; exit 1; }
done
[[ $(id -u) == 0 ]] || { echo "demo: needs root (private mount namespace, Xorg)" >&2; exit 1; }

if ((do_build)); then
    cmake -S "$repo" -B "$build" >/dev/null
    cmake --build "$build" -j2 --target QEVDisplayUtility qevsim_drv
fi

run_args=()
[[ -n ${QEV_DEMO_PROFILE:-} ]] && run_args+=(--profile "$QEV_DEMO_PROFILE")
mkdir -p "$out"
export QEV_BUILD_DIR=$build QEV_OUT_DIR=$out
QEVSIM_BUILD_DIR=$build "$repo/sim/qevsim-run" "${run_args[@]}" -- "$0" --inside "$live"
echo "demo: screenshots in $out"
