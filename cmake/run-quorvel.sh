#!/usr/bin/env bash
# Starts the built tool under Wine ('make run').
#
#   cmake/run-quorvel.sh BUILD_DIR
#
# With a DISPLAY, the tool opens on that display, in a Wine prefix under the build folder, and the
# command returns when the tool is closed. Without one, a headless demo runs in a Wine session
# of its own (cmake/wine-session.sh): the tool is started, "Start" is clicked with real input, a
# screenshot of the window is saved to BUILD_DIR/quorvel.png, the generated block is printed to
# standard output, and the tool is closed with a click on "Exit".
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
exe="$build/quorvel.exe"
if [ ! -f "$exe" ]; then
    echo "No $exe: build it first ('make build')." >&2
    exit 1
fi

# The headless demo, run inside the session that wine-session.sh made.
if [ "${2:-}" = "--demo-in-session" ]; then
    work="$build/wine-session"
    cd "$work"
    rm -f quorvel-block.txt quorvel-window.txt quorvel-demo-error.txt
    # Wine's helper processes keep inherited descriptors open: their output goes to files.
    if ! bash "$root/cmake/wine-lane.sh" "$build/tests/quorvel_demo.exe" start >demo-start.log 2>&1; then
        echo "The demo could not start the tool: $(cat quorvel-demo-error.txt 2>/dev/null)" >&2
        exit 1
    fi
    read -r x y width height <quorvel-window.txt
    import -window root -crop "${width}x${height}+${x}+${y}" +repage "$build/quorvel.png"
    if ! bash "$root/cmake/wine-lane.sh" "$build/tests/quorvel_demo.exe" exit >demo-exit.log 2>&1; then
        echo "The demo could not close the tool: $(cat quorvel-demo-error.txt 2>/dev/null)" >&2
        exit 1
    fi
    tr -d '\r' <quorvel-block.txt
    echo "Screenshot: $build/quorvel.png" >&2
    exit 0
fi

if [ -z "${DISPLAY:-}" ]; then
    QUORVEL_LANES=1 exec bash "$root/cmake/wine-session.sh" "$build" bash "$0" "$build" \
        --demo-in-session
fi

# On the user's display, in a Wine prefix of its own under the build folder: the tests' prefix runs
# every program inside a virtual desktop, and a test session ends every program of its prefix.
export WINEPREFIX="$build/wineprefix-display"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.quorvel-ready" ]; then
    echo "Making the Wine prefix $WINEPREFIX (once)..." >&2
    rm -rf "$WINEPREFIX"
    wineboot -i >"$build/wineboot-display.log" 2>&1
    wineserver -w
    touch "$WINEPREFIX/.quorvel-ready"
fi
# Wine's own fonts, Marlett among them, linked into the prefix as in cmake/wine-session.sh.
for font in /usr/share/wine/fonts/*; do
    if [ -e "$font" ]; then ln -sf "$font" "$WINEPREFIX/drive_c/windows/Fonts/"; fi
done
# Wine's helper processes keep inherited descriptors open: the output goes to a file.
wine "$exe" >"$build/quorvel-run.log" 2>&1
