#!/bin/sh
# One lookup as a whole process: `telvane-lookup 0512` against `grep 0512 tesmar.ini` on the national
# directory, in one hyperfine run (goal: at most 1.5 times grep's time). Prints hyperfine's figures,
# then both means and their ratio.
#   sh tests/bench/lookup_one.sh [BUILD_FOLDER]     (default: build, as scripts/test.sh leaves it)
set -eu
cd "$(dirname "$0")/../.."
build=${1:-build}
bash scripts/deps.sh hyperfine
cmake --build "$build" --target telvane-lookup >/dev/null

csv=$(mktemp)
trap 'rm -f "$csv"' EXIT
hyperfine -N --warmup 50 --runs 1000 --export-csv "$csv" \
    "grep 0512 $build/tesmar.ini" "$build/telvane-lookup 0512"
awk -F, 'NR == 2 { grep = $2 } NR == 3 { ours = $2 }
    END { printf "grep %.2f ms, telvane-lookup %.2f ms, ratio %.2f (goal <= 1.5)\n", grep * 1000, ours * 1000, ours / grep }' "$csv"
