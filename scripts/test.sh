#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
#   scripts/test.sh              the normal build, in build/
#   scripts/test.sh --sanitize   the same tests built with AddressSanitizer and UBSan, in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")/.."

# The builds are presets of CMakePresets.json; the sanitize preset also sets the sanitizers' options.
preset=default
[ "${1:-}" = "--sanitize" ] && preset=sanitize

bash scripts/deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"
ctest --preset "$preset" -j"$(nproc)"
