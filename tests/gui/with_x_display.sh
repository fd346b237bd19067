#!/usr/bin/env bash
# Runs a program on a fresh virtual X display of 1024x768, with the openbox window manager or without
# a window manager, and ends both afterwards. Exits 77 (a skipped test) when Xvfb or openbox is missing.
#   with_x_display.sh --window-manager|--bare PROGRAM [ARGS...]
# With KEEP_X_LOGS=FOLDER the logs of the X server and of openbox are kept there.
set -euo pipefail

mode=$1
shift
command -v Xvfb >/dev/null || { echo "Xvfb is not installed" >&2; exit 77; }
if [ "$mode" = --window-manager ]; then
    command -v openbox >/dev/null || { echo "openbox is not installed" >&2; exit 77; }
fi

scratch=$(mktemp -d)
server=
manager=
finish() {
    [ -n "$manager" ] && kill "$manager" 2>/dev/null && wait "$manager" 2>/dev/null
    [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    [ -n "${KEEP_X_LOGS:-}" ] && cp "$scratch"/*.log "$KEEP_X_LOGS"/ 2>/dev/null
    rm -rf "$scratch"
}
trap finish EXIT

# Xvfb picks a free display number and writes it to the pipe once it takes connections.
mkfifo "$scratch/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
server=$!
read -r -t 10 number <"$scratch/display" || { cat "$scratch/xvfb.log" >&2; exit 1; }
export DISPLAY=:$number

export TELVANE_WINDOW_MANAGER=0
if [ "$mode" = --window-manager ]; then
    # openbox without the session manager, with its own settings. It names its theme on the root
    # window once it has loaded its settings and theme, the last step before it manages windows.
    HOME=$scratch XDG_CONFIG_HOME=$scratch openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
    manager=$!
    for _ in $(seq 200); do
        if xprop -root _OB_THEME 2>/dev/null | grep -q '='; then break; fi
        sleep 0.05
    done
    if ! xprop -root _OB_THEME 2>/dev/null | grep -q '='; then
        echo "openbox did not come up" >&2
        cat "$scratch/openbox.log" >&2
        exit 1
    fi
    export TELVANE_WINDOW_MANAGER=1
fi

export QT_QPA_PLATFORM=xcb
# Under AddressSanitizer: libxkbcommon-x11, which Qt's X11 platform loads the keyboard map with, hands
# strndup() names from X replies that end without a NUL, within the given length. That is allowed, but
# the strict string checks of the sanitized runs stop on it.
if [ -n "${ASAN_OPTIONS:-}" ]; then
    export ASAN_OPTIONS=${ASAN_OPTIONS//strict_string_checks=1/strict_string_checks=0}
fi
"$@"
