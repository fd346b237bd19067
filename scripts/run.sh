#!/usr/bin/env bash
# Installs what is missing, builds the program with the national directory beside it, and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target telvane tesmar_ini
exec build/telvane
