#!/usr/bin/env bash
# Runs one command inside a Wine session made for the build folder given first, and stops the
# session when the command ends, whatever its result; the command's exit code is returned.
#
#   cmake/wine-session.sh BUILD_DIR COMMAND [ARGS...]
#
# The session has one or more lanes. A lane is a Wine world of its own: an Xvfb display, a Wine
# prefix under the build folder (made once) that runs every program in a virtual desktop of
# 1024 x 768, and a persistent wineserver. Lanes share nothing, not even the clipboard, the focus or
# the input, so that test programs in different lanes can run side by side.
#
# Every process of a lane runs on one CPU. On a virtual machine a wakeup across CPUs is slow, and a
# Win32 program talks to the wineserver and the X server all the time: with the wineserver, the
# X server and the programs on one CPU, each round trip is a switch on that CPU, about ten times
# faster than one that crosses to another.
#
# QUORVEL_WINEARCH chooses the kind of prefix: win32 (the default), where Wine runs the 32-bit
# programs as on 32-bit Windows, or win64, where they run under WoW64 as on 64-bit Windows (its
# prefixes are wineprefix-win64-K beside the others). The Unix locale that the command runs in
# (LANG, LC_ALL) gives every Windows process of the session its ANSI code page.
#
# QUORVEL_LANES sets the number of lanes (default: one per CPU). Lane k runs on CPU k modulo the
# CPUs there are. The command runs with lane 0's DISPLAY and WINEPREFIX, and with
# QUORVEL_LANES_DIR naming the folder where cmake/wine-lane.sh finds each lane; CTest's test
# preset reads the lanes as the resource "lanes" from lanes.json in that folder.
set -uo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 BUILD_DIR COMMAND [ARGS...]" >&2
    exit 2
fi
build=$(mkdir -p "$1" && cd "$1" && pwd)
shift

cpus=$(nproc)
lanes=${QUORVEL_LANES:-$cpus}
session="$build/wine-session"
rm -rf "$session"
mkdir -p "$session"
export WINEARCH=${QUORVEL_WINEARCH:-win32}
case "$WINEARCH" in
    win32) prefix_name=wineprefix ;;
    win64) prefix_name=wineprefix-win64 ;;
    *) echo "QUORVEL_WINEARCH is win32 or win64, not $WINEARCH" >&2; exit 2 ;;
esac
export WINEDEBUG=-all
# No Mono or Gecko prompts, and no debugger: a crashing program ends at once with an error code.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

xvfb_pids=()
cleanup() {
    for ((k = 0; k < lanes; k++)); do
        WINEPREFIX="$build/$prefix_name-$k" wineserver -k >/dev/null 2>&1
    done
    for ((k = 0; k < lanes; k++)); do
        WINEPREFIX="$build/$prefix_name-$k" wineserver -w >/dev/null 2>&1
    done
    for pid in "${xvfb_pids[@]}"; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Starts the display of a lane: Xvfb picks a free number and writes it to the file.
start_display() {
    local k=$1 cpu=$2
    taskset -c "$cpu" Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
        3>"$session/display-$k" >"$session/xvfb-$k.log" 2>&1 &
    xvfb_pids+=($!)
}

# Makes a lane's prefix, once per build folder, and starts its wineserver and services. Wine's
# helper processes keep the descriptors they inherit, so everything they might write goes to
# files, never to a pipe.
start_lane() {
    local k=$1 cpu=$2
    export WINEPREFIX="$build/$prefix_name-$k"
    export DISPLAY=":$(head -n1 "$session/display-$k")"
    if [ ! -f "$WINEPREFIX/.quorvel-ready" ]; then
        rm -rf "$WINEPREFIX"
        taskset -c "$cpu" wineboot -i >"$session/wineboot-$k.log" 2>&1
        wineserver -w
        cat >"$session/desktop-$k.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"
REG
        taskset -c "$cpu" wine regedit "$session/desktop-$k.reg" >"$session/regedit-$k.log" 2>&1
        wineserver -w
        touch "$WINEPREFIX/.quorvel-ready"
    fi
    # Wine's own fonts (fonts-wine), Marlett among them, which draws the caption buttons: Debian's
    # Wine looks for them in a folder that it cannot reach, so the prefix's font folder links them.
    for font in /usr/share/wine/fonts/*; do
        if [ -e "$font" ]; then ln -sf "$font" "$WINEPREFIX/drive_c/windows/Fonts/"; fi
    done
    taskset -c "$cpu" wineserver -p >"$session/wineserver-$k.log" 2>&1
    # The prefix's services, started now with their output going to a file.
    taskset -c "$cpu" wineboot >"$session/services-$k.log" 2>&1
    printf 'cpu=%s\nexport DISPLAY=%s\nexport WINEPREFIX=%s\n' "$cpu" "$DISPLAY" "$WINEPREFIX" \
        >"$session/lane-$k.env"
}

for ((k = 0; k < lanes; k++)); do
    start_display "$k" $((k % cpus))
done
for ((k = 0; k < lanes; k++)); do
    for _ in $(seq 100); do
        [ -s "$session/display-$k" ] && break
        sleep 0.1
    done
    if [ ! -s "$session/display-$k" ]; then
        echo "Xvfb did not start; see $session/xvfb-$k.log" >&2
        exit 1
    fi
done
# The lanes start side by side: a new prefix takes a while to make.
pids=()
for ((k = 0; k < lanes; k++)); do
    start_lane "$k" $((k % cpus)) &
    pids+=($!)
done
for pid in "${pids[@]}"; do
    wait "$pid" || { echo "A Wine lane did not start; see $session" >&2; exit 1; }
done

{
    printf '{"version": {"major": 1, "minor": 0}, "local": [{"lanes": ['
    for ((k = 0; k < lanes; k++)); do
        printf '%s{"id": "%d", "slots": 1}' "$([ "$k" -gt 0 ] && echo ', ')" "$k"
    done
    printf ']}]}\n'
} >"$session/lanes.json"

export QUORVEL_LANES_DIR="$session"
# shellcheck disable=SC1091
. "$session/lane-0.env"
"$@"
