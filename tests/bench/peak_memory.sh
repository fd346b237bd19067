#!/bin/sh
# Peak memory of whole runs of the program, offscreen: the maximum resident set size that
# /usr/bin/time reports, with the shipped national directory, the format-limit directory of
# format_limit.sh (957,060 entries) and data files of 64 MiB (the largest the program reads) beside
# it, against a bare Qt window with one label.
#
#   tests/bench/peak_memory.sh [build folder] [runs]
#
# Each case runs twice over:
# - start-up: the program ends once its window has been painted (paint_probe);
# - session: the hostile-file driver clicks the first province, then searches fuzzily for the area
#   code 0, which every entry of the national and the format-limit directory matches, then closes
#   the window.
# Prints the median of RUNS runs (default 3) of each, in MiB, and the median wall time.
set -eu

build=${1:-build}
runs=${2:-3}
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 1; }
cmake --build "$build" --target telvane bare_window paint_probe hostile_driver >/dev/null
[ -f "$build/tesmar.ini" ] || { echo "no $build/tesmar.ini beside the program" >&2; exit 1; }
build=$(cd "$build" && pwd)
probe="$build/tests/bench/libpaint_probe.so"
driver="$build/tests/hostile/libhostile_driver.so"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/telvane" "$work/telvane"
export QT_QPA_PLATFORM=offscreen

median() {
    sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# One run of "$@" under /usr/bin/time: prints its maximum resident set size in KiB and its wall time
# in seconds.
measure() {
    /usr/bin/time -o "$work/time" -f '%M %e' "$@" >/dev/null 2>"$work/stderr" || {
        cat "$work/stderr" "$work/time" >&2
        exit 1
    }
    tail -n 1 "$work/time"
}

# case name, then the command of one run
report() {
    name=$1
    shift
    : >"$work/runs"
    i=0
    while [ "$i" -lt "$runs" ]; do
        measure "$@" >>"$work/runs"
        i=$((i + 1))
    done
    kib=$(cut -d' ' -f1 <"$work/runs" | median)
    seconds=$(cut -d' ' -f2 <"$work/runs" | median)
    awk -v name="$name" -v kib="$kib" -v s="$seconds" 'BEGIN { printf "%-44s %7.1f MiB %6.2f s\n", name, kib / 1024, s }'
}


# The program with data file $1 beside it, started and in a session.
program() {
    rm -f "$work/tesmar.ini"
    ln -s "$1" "$work/tesmar.ini"
    report "$2, start-up" env TELVANE_BENCH_T0_NS=0 LD_PRELOAD="$probe" "$work/telvane"
    report "$2, session" env TELVANE_DRIVER_REPORT=/dev/null TELVANE_DRIVER_AREA=0 TELVANE_DRIVER_FUZZY=1 \
        LD_PRELOAD="$driver" "$work/telvane"
}

mib=$((64 * 1024 * 1024))
# GBK bytes of 北京
beijing='\261\261\276\251'

# 64 MiB of comment lines, then a small directory: all of it is read, little of it is kept.
printf "[lei]\nsel=$beijing,\n[$beijing]\n0101=010-100010\n" >"$work/tail"
{
    yes ';xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx' |
        head -c $((mib - $(wc -c <"$work/tail") - 1))
    printf '\n'
    cat "$work/tail"
} >"$work/comments.ini"
# 64 MiB of the shortest keys there are, "=" lines, in the first province: as many as a file of the
# limit can hold, each kept by the reader.
{
    printf "[lei]\nsel=$beijing,\n[$beijing]\n"
    yes '=' | head -c $mib
} | head -c $mib >"$work/keys.ini"
# 64 MiB of the shortest sections, "[]" lines, after the province list.
{
    printf "[lei]\nsel=$beijing,\n"
    yes '[]' | head -c $mib
} | head -c $mib >"$work/sections.ini"

sh "$(dirname "$0")/format_limit.sh" "$work/limit.ini"

echo "maximum resident set size, median of $runs runs"
report "bare Qt window, start-up" env TELVANE_BENCH_T0_NS=0 LD_PRELOAD="$probe" "$build/tests/bench/bare_window"
program "$build/tesmar.ini" "national directory"
program "$work/limit.ini" "format-limit directory"
program "$work/comments.ini" "64 MiB of comments"
program "$work/keys.ini" "64 MiB of empty keys"
program "$work/sections.ini" "64 MiB of empty sections"
