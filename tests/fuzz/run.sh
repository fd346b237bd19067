#!/usr/bin/env bash
# Builds the fuzz targets with clang in build-fuzz/ and runs each for a while on a copy of its seed
# corpus (the corpus in the repository never grows). Fails when any target finds an input that
# crashes it or breaks one of its checks; such inputs are kept in build-fuzz/artifacts/.
#   tests/fuzz/run.sh [seconds per target, default 60] [target...]
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(ini_reader province_list entry_value matching query row_store gbk_text byte_limit)

bash scripts/deps.sh clang libclang-rt-14-dev
build=build-fuzz  # the fuzz preset's
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

mkdir -p "$build/artifacts" "$build/logs"
# The INI target writes each input to a file in a folder of its own, which a crash leaves behind: keep
# them all in one folder, in memory where there is /dev/shm, and remove it at the end.
shm=/dev/shm
[ -d "$shm" ] || shm=${TMPDIR:-/tmp}
TMPDIR=$(mktemp -d "$shm/telvane-fuzz-run.XXXXXX")
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT
failed=()
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    rm -rf "$corpus"
    mkdir -p "$corpus"
    cp tests/fuzz/corpus/"$target"/* "$corpus"/
    options=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
             -artifact_prefix="$build/artifacts/$target-")
    [ -f tests/fuzz/"$target".dict ] && options+=(-dict=tests/fuzz/"$target".dict)
    # The seed at the key list's byte budget is 16.7 KB; mutations need room beyond it.
    [ "$target" = ini_reader ] && options+=(-max_len=24576)
    log="$build/logs/$target.log"
    echo "fuzz_$target: ${seconds}s"
    if "$build/tests/fuzz/fuzz_$target" "${options[@]}" "$corpus" >"$log" 2>&1; then
        grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true
    else
        failed+=("$target")
        tail -40 "$log"
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing found inputs that fail: ${failed[*]} (see $build/artifacts/ and $build/logs/)" >&2
    exit 1
fi
