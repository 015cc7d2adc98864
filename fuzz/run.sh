#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs every target of fuzz/targets.txt for a bounded time, two at a time, from
# its seed corpus (fuzz/corpus/<target>/, the inputs that once broke it and seeds made from tests/data). Any crash,
# leak, timeout or memory blow-up fails the run; each target's executions and rate are printed at the end.
#   fuzz/run.sh [SECONDS]        (default 60 a target; KESTOVA_FUZZ_BUILD_DIR overrides the build folder)
# Inputs that break a target are written to fuzz/regressions/<target>/ to be kept as regression inputs.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build_dir=${KESTOVA_FUZZ_BUILD_DIR:-$here/build-fuzz}
jobs=${KESTOVA_FUZZ_JOBS:-2}
# The targets with their largest input and further options, one a line.
targets=()
declare -A max_len options
while read -r name length rest; do
    case $name in '' | '#'*) continue ;; esac
    targets+=("$name")
    max_len[$name]=$length
    options[$name]=$rest
done <"$here/fuzz/targets.txt"

cmake -S "$here" -B "$build_dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKESTOVA_FUZZ=ON >/dev/null
cmake --build "$build_dir" -j"$jobs"
# The inputs that once broke a reader come first.
ctest --test-dir "$build_dir" --output-on-failure

# Corpora, made afresh for every run: the seeds kept in the repository, the inputs that once broke the target, and
# seeds made from the test files (cut to the target's largest input by the fuzzer as it reads them).
work="$build_dir/fuzz-run"
rm -rf "$work"
for t in "${targets[@]}"; do
    mkdir -p "$work/corpus/$t"
    for kept in "$here/fuzz/corpus/$t" "$here/fuzz/regressions/$t"; do
        if [ -d "$kept" ]; then cp "$kept"/* "$work/corpus/$t/" 2>/dev/null || true; fi
    done
done
data="$here/tests/data"
for f in "$data"/chr/* "$data"/roms/*; do
    head -c "${max_len[fuzz_tile_data]}" "$f" >"$work/corpus/fuzz_tile_data/$(basename "$f")"
done
for f in "$data"/roms/*; do
    head -c 16 "$f" >"$work/corpus/fuzz_ines_header/$(basename "$f").header"
done
cat "$data"/palettes/bgd.pal "$data"/palettes/spr.pal >"$work/corpus/fuzz_palette_file/bgd_spr.pal"
# Documents made from the test files, in binary form and as text.
"$build_dir/fuzz/fuzz_make_seeds" "$work/corpus/fuzz_document" "$work/corpus/fuzz_text_document" "$here/data/sample.pal" \
    "$data"/chr/* "$data"/roms/* >/dev/null

run_target() {
    local t=$1 length=$2
    shift 2
    mkdir -p "$work/artifacts/$t"
    # -rss_limit_mb and -malloc_limit_mb: a reader that asks for far more memory than its input justifies fails.
    # The processor time it took is kept too: on a machine shared with other work the rate per second says less.
    # malloc_context_size=0: recording every allocation's call stack would take a fifth of the time; a crash's input,
    # run again alone, shows where its memory came from.
    local TIMEFORMAT='%U %S' status=0
    { time (cd "$here" && ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0:malloc_context_size=0 UBSAN_OPTIONS=print_stacktrace=1 \
        "$build_dir/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1536 -malloc_limit_mb=512 \
        -max_len="$length" -print_final_stats=1 -artifact_prefix="$work/artifacts/$t/" "$@" "$work/corpus/$t" \
        >"$work/$t.log" 2>&1) || status=$?; } 2>"$work/$t.cpu"
    return $status
}

export -f run_target
export work here seconds build_dir
for t in "${targets[@]}"; do
    echo "$t ${max_len[$t]}${options[$t]:+ ${options[$t]}}" # no trailing blank: xargs would join the next line
done | xargs -P "$jobs" -L 1 bash -c 'run_target "$@" || echo "$1" >>"$work/failed"' run_target || true

total=0
printf '%-24s %12s %10s %14s\n' target executions exec/s 'exec/cpu-s'
for t in "${targets[@]}"; do
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$t.log" 2>/dev/null | tail -1)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/$t.log" 2>/dev/null | tail -1)
    per_cpu=$(awk -v runs="${runs:-0}" '{ cpu = $1 + $2 } END { if (cpu > 0 && runs > 0) printf "%d", runs / cpu }' \
        "$work/$t.cpu" 2>/dev/null)
    printf '%-24s %12s %10s %14s\n' "$t" "${runs:-?}" "${speed:-?}" "${per_cpu:-?}"
    total=$((total + ${runs:-0}))
done
printf '%-24s %12s\n' total "$total"

failed=0
if [ -s "$work/failed" ]; then
    for t in $(cat "$work/failed"); do
        echo "== $t failed; its log ends:"
        tail -n 40 "$work/$t.log"
        mkdir -p "$here/fuzz/regressions/$t"
        for a in "$work/artifacts/$t"/*; do
            [ -e "$a" ] && cp "$a" "$here/fuzz/regressions/$t/" && echo "kept as regression input: fuzz/regressions/$t/$(basename "$a")"
        done
    done
    failed=1
fi
exit $failed
