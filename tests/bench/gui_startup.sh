#!/bin/sh
# Start-up benchmark: time from process start to the first paint of the main window with the shipped
# national directory beside the program, against a bare Qt window with one label measured the same
# way. Prints the median and the fastest of RUNS runs of each (after one warm-up run each) and their
# ratios; on a busy machine the fastest run is the steadier figure.
#
#   tests/bench/gui_startup.sh [build folder] [runs]
#
# Runs on $DISPLAY, or under a private Xvfb when there is none (QT_QPA_PLATFORM=offscreen also works).
set -eu

build=${1:-build}
runs=${2:-20}
if [ -z "${DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$runs"
fi

cmake --build "$build" --target telvane bare_window paint_probe >/dev/null
program="$build/telvane"
bare="$build/tests/bench/bare_window"
probe="$(cd "$build/tests/bench" && pwd)/libpaint_probe.so"
[ -f "$build/tesmar.ini" ] || { echo "no $build/tesmar.ini beside the program" >&2; exit 1; }

first_paint() {
    TELVANE_BENCH_T0_NS=$(date +%s%N) LD_PRELOAD="$probe" "$1" 2>/dev/null
}

median() {
    sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

first_paint "$program" >/dev/null
first_paint "$bare" >/dev/null
program_times=$(mktemp)
bare_times=$(mktemp)
trap 'rm -f "$program_times" "$bare_times"' EXIT
i=0
while [ "$i" -lt "$runs" ]; do
    first_paint "$program" >>"$program_times"
    first_paint "$bare" >>"$bare_times"
    i=$((i + 1))
done

report() {
    p=$($2 <"$program_times")
    b=$($2 <"$bare_times")
    awk -v what="$1" -v p="$p" -v b="$b" \
        'BEGIN { printf "%-8s telvane %7.1f ms, bare window %7.1f ms, ratio %.2f\n", what, p, b, p / b }'
}
fastest() { sort -n | head -n 1; }
echo "first paint over $runs runs each (goal: telvane at most 1.30 times the bare window)"
report median median
report fastest fastest
