#!/usr/bin/env bash
# Batch geocoding: telvane-lookup --tsv over 200,000 fixed-line numbers against libphonenumber's
# offline geocoder (phonenumber_geocode) over the same numbers and against the floor (floor_copy:
# reads the numbers, writes telvane-lookup's own output, nothing in between). Whole processes timed
# by hyperfine in one run, without a shell, output to /dev/null, with telvane-lookup over one number
# beside them (its cost of starting and reading the directory); prints the wall times, the processor
# time (user and system, means), the ratios and how often the two geocoders agree on the prefecture
# (agreement.py).
#
#   tests/bench/geocode/run.sh [build folder] [telvane-lookup]
#
# The build folder (default build/) gives the directory (tesmar.ini) and gets floor_copy and
# phonenumber_geocode; telvane-lookup defaults to the one in it. RUNS (default 10) sets the fewest
# timed runs of each command (hyperfine goes on for 3 s at least), COUNT (default 200000) the
# numbers. Needs python3, hyperfine and, for phonenumber_geocode, libphonenumber-dev; none of them is
# needed by the build or the tests.
# Everything it makes stays in BUILD/geocode-bench/.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
lookup=${2:-$build/telvane-lookup}
runs=${RUNS:-10}
count=${COUNT:-200000}
data=$build/tesmar.ini

for tool in python3 hyperfine; do
    command -v "$tool" >/dev/null || { echo "run.sh: needs $tool (apt-get install $tool)" >&2; exit 2; }
done
cmake --build "$build" --target floor_copy stdin_from tesmar_ini >/dev/null
if ! cmake --build "$build" --target phonenumber_geocode >/dev/null 2>&1; then
    echo "run.sh: cannot build phonenumber_geocode: install libphonenumber-dev, then configure $build again" >&2
    exit 2
fi
[ -x "$lookup" ] || { echo "run.sh: no telvane-lookup at $lookup" >&2; exit 2; }
floor=$build/tests/bench/geocode/floor_copy
stdin_from=$build/tests/bench/geocode/stdin_from
phonenumber=$build/tests/bench/geocode/phonenumber_geocode

work=$build/geocode-bench
mkdir -p "$work"
numbers=$work/numbers.txt
python3 "$here/make_numbers.py" "$root/data/regions.tsv" "$count" >"$numbers"
echo "numbers: $(wc -l <"$numbers") in $numbers"
one=$work/one-number.txt
head -n 1 "$numbers" >"$one"

# One run of each to keep: the floor's prepared output, and the inputs of the comparison.
status=0
"$lookup" --tsv --file "$data" <"$numbers" >"$work/telvane.tsv" || status=$?
if [ "$status" -gt 1 ]; then
    echo "run.sh: telvane-lookup failed with status $status" >&2
    exit 2
fi
"$phonenumber" <"$numbers" >"$work/phonenumber.tsv"
"$floor" "$work/telvane.tsv" <"$numbers" | cmp -s - "$work/telvane.tsv" || {
    echo "run.sh: floor_copy does not write telvane-lookup's output" >&2
    exit 2
}

# No shell: stdin_from opens the input and executes the command (hyperfine sends the output to
# /dev/null). Each time then holds one more exec, the same for every command, and nothing estimated.
q() { printf '%q' "$1"; }
from=$(q "$stdin_from")
hyperfine -N --style basic --warmup 2 --min-runs "$runs" --export-json "$work/hyperfine.json" \
    -n telvane-lookup "$from $(q "$numbers") $(q "$lookup") --tsv --file $(q "$data")" \
    -n libphonenumber "$from $(q "$numbers") $(q "$phonenumber")" \
    -n floor "$from $(q "$numbers") $(q "$floor") $(q "$work/telvane.tsv")" \
    -n "telvane-lookup, 1 number" "$from $(q "$one") $(q "$lookup") --tsv --file $(q "$data")" \
    >"$work/hyperfine.txt"

python3 - "$work/hyperfine.json" <<'EOF'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
for r in results.values():
    r["cpu"] = r["user"] + r["system"]
print(f"{'ms':26s}{'mean':>10s}{'± sd':>9s}{'median':>10s}{'min':>10s}{'cpu':>10s}{'runs':>6s}")
for name in ("telvane-lookup", "libphonenumber", "floor", "telvane-lookup, 1 number"):
    r = results[name]
    print(f"{name:26s}" + "".join(f"{r[key] * 1e3:{width}.1f}" for key, width in
          (("mean", 10), ("stddev", 9), ("median", 10), ("min", 10), ("cpu", 10))) + f"{len(r['times']):6d}")
def ratio(a, b, what):
    top, bottom = results[a][what], results[b][what]
    return f"{top / bottom:6.2f}" if bottom > 0 else "   n/a"
for what in ("mean", "median", "min", "cpu"):
    print(f"by {what:6s}: libphonenumber / telvane-lookup = {ratio('libphonenumber', 'telvane-lookup', what)}"
          f" (goal >= 20);  telvane-lookup / floor = {ratio('telvane-lookup', 'floor', what)}")
EOF
python3 "$here/agreement.py" "$root/data/regions.tsv" "$work/telvane.tsv" "$work/phonenumber.tsv"
