#!/usr/bin/env bash
# Every kind of query in batch: telvane-lookup --tsv over 100,000 fixed-line numbers, place names,
# area codes and postcodes of the national directory, each batch one whole process, timed by hyperfine
# in one run. Goals: a place name at most 3 times a number's time per query; an area code or a
# postcode at most 3 times a number's time per record printed. With a second telvane-lookup (an
# earlier build), both are timed in the same run, on the same batches, and compared.
#
#   tests/bench/lookup_batch.sh [build folder] [earlier telvane-lookup]
#
# The build folder (default build/) gives the directory (tesmar.ini) and telvane-lookup. RUNS (default
# 5) sets the fewest timed runs of each command, COUNT (default 100000) the queries of each batch.
# Needs python3 and hyperfine. Everything it makes stays in BUILD/lookup-bench/.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
earlier=${2:-}
runs=${RUNS:-5}
count=${COUNT:-100000}
data=$build/tesmar.ini

bash "$root/scripts/deps.sh" hyperfine python3 >/dev/null
cmake --build "$build" --target telvane-lookup stdin_from tesmar_ini >/dev/null
stdin_from=$build/tests/bench/geocode/stdin_from
work=$build/lookup-bench
mkdir -p "$work"

python3 "$here/geocode/make_numbers.py" "$root/data/regions.tsv" "$count" >"$work/numbers.txt"
for kind in names area_codes postcodes; do
    python3 "$here/make_queries.py" "$data" "$kind" "$count" >"$work/$kind.txt"
done

q() { printf '%q' "$1"; }
commands=()
declare -A programs=([new]="$build/telvane-lookup")
[ -n "$earlier" ] && programs[old]=$earlier
for build_name in new old; do
    [ -n "${programs[$build_name]:-}" ] || continue
    program=${programs[$build_name]}
    for kind in numbers names area_codes postcodes; do
        # The records each batch prints, from one run kept.
        "$program" --tsv --file "$data" <"$work/$kind.txt" >"$work/$build_name-$kind.tsv" 2>/dev/null || true
        commands+=(-n "$build_name $kind" "$(q "$stdin_from") $(q "$work/$kind.txt") $(q "$program") --tsv --file $(q "$data")")
    done
    commands+=(-n "$build_name numbers, table" "$(q "$stdin_from") $(q "$work/numbers.txt") $(q "$program") --file $(q "$data")")
done
if [ -n "$earlier" ]; then
    for kind in numbers names area_codes postcodes; do
        cmp -s "$work/new-$kind.tsv" "$work/old-$kind.tsv" || echo "note: the $kind batch prints differently in the two builds"
    done
fi

hyperfine -N --style basic --warmup 1 --min-runs "$runs" --export-json "$work/hyperfine.json" "${commands[@]}" \
    >"$work/hyperfine.txt"

python3 - "$work" "$count" <<'PY'
import json, sys
work, count = sys.argv[1], int(sys.argv[2])
results = {r["command"]: r for r in json.load(open(f"{work}/hyperfine.json"))["results"]}
def records(build, kind):
    with open(f"{work}/{build}-{kind}.tsv", "rb") as f:
        return sum(1 for _ in f) - 1
for build in ("new", "old"):
    if f"{build} numbers" not in results:
        continue
    print(f"{build}: {'batch':22s}{'mean ms':>10s}{'median ms':>11s}{'records':>10s}{'us/query':>10s}{'us/record':>11s}")
    per_query = {}
    for kind in ("numbers", "names", "area_codes", "postcodes"):
        r = results[f"{build} {kind}"]
        n = records(build, kind)
        per_query[kind] = r["median"] / count
        print(f"     {kind:22s}{r['mean'] * 1e3:10.1f}{r['median'] * 1e3:11.1f}{n:10d}"
              f"{r['median'] / count * 1e6:10.2f}{r['median'] / max(n, 1) * 1e6:11.3f}")
        per_query[kind + " record"] = r["median"] / max(n, 1)
    table = results[f"{build} numbers, table"]
    print(f"     {'numbers, table':22s}{table['mean'] * 1e3:10.1f}{table['median'] * 1e3:11.1f}")
    number = per_query["numbers"]
    print(f"     names per query / number per query          = {per_query['names'] / number:6.2f} (goal <= 3)")
    print(f"     area codes per record / number per query     = {per_query['area_codes record'] / number:6.2f} (goal <= 3)")
    print(f"     postcodes per record / number per query      = {per_query['postcodes record'] / number:6.2f} (goal <= 3)")
if "old numbers" in results:
    for kind in ("numbers", "numbers, table"):
        new, old = results[f"new {kind}"]["median"], results[f"old {kind}"]["median"]
        print(f"throughput of {kind}: new / old time = {new / old:.2f} (goal <= 1.10)")
PY
