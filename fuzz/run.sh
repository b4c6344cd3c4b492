#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the fuzz targets with clang in build-fuzz and runs them one after the other, never two
# at a time.
#
#   fuzz/run.sh [SECONDS] [TARGET...]   fuzz each target (all by default) for SECONDS (60)
#   fuzz/run.sh merge [TARGET...]       minimise scratch corpus, seeds and fuzz/corpus into
#                                       fuzz/corpus
#
# Inputs found go to $FUZZ_SCRATCH/corpus/<target> (seeded from fuzz/corpus and
# fuzz/regressions), crashes to $FUZZ_SCRATCH/crashes/<target>, logs to $FUZZ_SCRATCH/logs.
# FUZZ_SCRATCH defaults to /tmp/tilewright-fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."

all_targets=(load_picture png inflate bmp ico gif pe strip project)
scratch=${FUZZ_SCRATCH:-/tmp/tilewright-fuzz}

mode=fuzz
seconds=60
if [[ "${1:-}" == merge ]]; then
    mode=merge
    shift
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
    seconds=$1
    shift
fi
targets=("$@")
[[ ${#targets[@]} -eq 0 ]] && targets=("${all_targets[@]}")

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DTILEWRIGHT_FUZZ=ON >/dev/null
cmake --build build-fuzz -j 1
mkdir -p "$scratch/tmp" "$scratch/logs"
export TMPDIR=$scratch/tmp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

dictionary() {
    case $1 in
        png) echo fuzz/dict/png.dict ;;
        inflate) echo fuzz/dict/png.dict ;;
        bmp | strip) echo fuzz/dict/bmp.dict ;;
        ico) echo fuzz/dict/ico.dict ;;
        gif) echo fuzz/dict/gif.dict ;;
        pe) echo fuzz/dict/pe.dict ;;
        project) echo fuzz/dict/project.dict ;;
        load_picture)
            cat fuzz/dict/png.dict fuzz/dict/bmp.dict fuzz/dict/ico.dict fuzz/dict/gif.dict \
                >"$scratch/load_picture.dict"
            echo "$scratch/load_picture.dict"
            ;;
    esac
}

existing() {
    for folder in "$@"; do
        [[ -d "$folder" ]] && echo "$folder"
    done
    return 0
}

fuzz() {
    local target=$1
    mkdir -p "$scratch/corpus/$target" "$scratch/crashes/$target"
    local seeds
    mapfile -t seeds < <(existing "fuzz/corpus/$target" "fuzz/regressions/$target")
    echo "== $target: $seconds s"
    local log=$scratch/logs/$target.$(date +%s).log
    local began=$SECONDS result=clean
    if ! "build-fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=2 \
        -rss_limit_mb=2048 -print_final_stats=1 -dict="$(dictionary "$target")" \
        -artifact_prefix="$scratch/crashes/$target/" "$scratch/corpus/$target" "${seeds[@]}" \
        >"$log" 2>&1; then
        result=fault
        failed=1
    fi
    local executions
    executions=$(grep -m1 "^stat::number_of_executed_units" "$log" | awk '{print $2}')
    # One line a run: target, seconds, executions, result, log.
    printf '%s\t%s\t%s\t%s\t%s\n' "$target" $((SECONDS - began)) "${executions:-0}" "$result" \
        "$log" | tee -a "$scratch/runs.tsv"
}

merge() {
    local target=$1
    local merged=$scratch/merged/$target
    rm -rf "$merged"
    mkdir -p "$merged"
    local inputs
    mapfile -t inputs < <(existing "fuzz/corpus/$target" "$scratch/corpus/$target" \
        "$scratch/seeds/$target")
    "build-fuzz/fuzz/fuzz_$target" -merge=1 -timeout=2 -rss_limit_mb=2048 "$merged" \
        "${inputs[@]}" >>"$scratch/logs/$target.merge.log" 2>&1
    rm -rf "fuzz/corpus/$target"
    mkdir -p "fuzz/corpus/$target"
    cp "$merged"/* "fuzz/corpus/$target/"
    echo "$target: $(ls "fuzz/corpus/$target" | wc -l) corpus files"
}

failed=0
[[ $mode == merge ]] && /usr/bin/python3 fuzz/make_seeds.py "$scratch/seeds"
for target in "${targets[@]}"; do
    "$mode" "$target"
done
exit $failed
