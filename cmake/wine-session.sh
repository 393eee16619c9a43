#!/usr/bin/env bash
# Runs one command inside a Wine session made for the build folder given first:
# one Xvfb display, one persistent wineserver and a Wine prefix under the build folder.
# Both are stopped when the command ends, whatever its result, and its exit code is returned.
#
#   cmake/wine-session.sh BUILD_DIR COMMAND [ARGS...]
#
# Inside the session every Wine program runs in a Wine virtual desktop of 1024 x 768, so
# window activation and focus are Wine's own and do not depend on an X window manager.
set -uo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 BUILD_DIR COMMAND [ARGS...]" >&2
    exit 2
fi
build=$(mkdir -p "$1" && cd "$1" && pwd)
shift

session="$build/wine-session"
mkdir -p "$session"
export WINEPREFIX="$build/wineprefix"
export WINEARCH=win32
export WINEDEBUG=-all
# No Mono or Gecko prompts, and no debugger: a crashing program ends at once with an error code.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

xvfb_pid=
cleanup() {
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A display of its own: Xvfb picks a free number and writes it to the file.
rm -f "$session/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$session/display" \
    >"$session/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$session/display" ] && break
    sleep 0.1
done
if [ ! -s "$session/display" ]; then
    echo "Xvfb did not start; see $session/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(head -n1 "$session/display")"

# The prefix is made once per build folder. Wine's helper processes keep the descriptors they
# inherit, so everything they might write goes to files, never to a pipe.
if [ ! -f "$WINEPREFIX/.quorvel-ready" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i >"$session/wineboot.log" 2>&1
    wineserver -w
    cat >"$session/desktop.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"
REG
    wine regedit "$session/desktop.reg" >"$session/regedit.log" 2>&1
    wineserver -w
    touch "$WINEPREFIX/.quorvel-ready"
fi

# Wine's own fonts (fonts-wine), Marlett among them, which draws the caption buttons: Debian's
# Wine looks for them in a folder that it cannot reach, so the prefix's font folder links them.
for font in /usr/share/wine/fonts/*; do
    if [ -e "$font" ]; then ln -sf "$font" "$WINEPREFIX/drive_c/windows/Fonts/"; fi
done

wineserver -p >"$session/wineserver.log" 2>&1
# Start the prefix's services now, with their output going to a file.
wineboot >"$session/services.log" 2>&1

"$@"
