#!/usr/bin/env bash
# Installs what is missing, builds the program with the national directory beside it, and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

# Telvane is a desktop program: without a display it cannot open its window. Say so before building.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    cat >&2 <<'MSG'
Telvane opens a window and needs a desktop session, but this shell has none (neither DISPLAY nor
WAYLAND_DISPLAY is set). Run this script from a terminal on your desktop, or try the program on a
virtual screen:
    apt-get install xvfb && xvfb-run -a bash scripts/run.sh
MSG
    exit 1
fi

bash scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target telvane tesmar_ini
exec build/telvane
