#!/usr/bin/env bash
# Builds the fuzz targets with clang, makes their seed corpora from tests/data and runs every target for a bounded
# time, two at a time. Any crash, leak, timeout or memory blow-up fails the run; each target's executions are printed.
#   fuzz/run.sh [SECONDS]        (default 60 a target; KESTOVA_FUZZ_BUILD_DIR overrides the build folder)
# Inputs that break a target are written to fuzz/regressions/<target>/ to be kept as regression inputs.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build_dir=${KESTOVA_FUZZ_BUILD_DIR:-$here/build-fuzz}
jobs=${KESTOVA_FUZZ_JOBS:-2}
targets=(fuzz_tile_data fuzz_palette_file fuzz_ines_header fuzz_document fuzz_document_records fuzz_rle fuzz_nametable)
targets+=(fuzz_oam fuzz_graphics_records)
targets+=(fuzz_picture)

cmake -S "$here" -B "$build_dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKESTOVA_FUZZ=ON >/dev/null
cmake --build "$build_dir"
# The inputs that once broke a reader come first.
ctest --test-dir "$build_dir" --output-on-failure

# Seed corpora, made afresh for every run.
work="$build_dir/fuzz-run"
rm -rf "$work"
mkdir -p "$work"/corpus/{fuzz_tile_data,fuzz_palette_file,fuzz_ines_header,fuzz_document,fuzz_document_records,fuzz_rle,fuzz_nametable}
for t in fuzz_oam fuzz_graphics_records; do mkdir -p "$work/corpus/$t"; done
# Pictures: a small one of each kind the picture reader takes, kept in the repository.
mkdir -p "$work/corpus/fuzz_picture"
cp "$here"/fuzz/seeds/fuzz_picture/* "$work/corpus/fuzz_picture/"
# OAM: a sprite pattern bank from the sample behind an OAM and palette of its bytes.
head -c 8640 "$here/data/sample.chr" >"$work/corpus/fuzz_oam/sample-bank.bin"
data="$here/tests/data"
for f in "$data"/chr/* "$data"/roms/* "$here"/data/sample.chr; do
    if [ "$(stat -c %s "$f")" -le 65552 ]; then cp "$f" "$work/corpus/fuzz_tile_data/"; fi
done
for f in "$data"/roms/*; do
    head -c 16 "$f" >"$work/corpus/fuzz_ines_header/$(basename "$f").header"
done
cp "$here"/data/sample.pal "$work/corpus/fuzz_palette_file/"
cat "$data"/palettes/bgd.pal "$data"/palettes/spr.pal >"$work/corpus/fuzz_palette_file/bgd_spr.pal"
# RLE: the empty packing, literals and repeats, a blank nametable; display palettes of both sizes.
rle="$work/corpus/fuzz_rle"
printf '\x00\x00\x00' >"$rle/empty.rle"
printf '\x02\x00\x01\x03\x02\x05\x01\x02\x00' >"$rle/runs.rle"
printf '\x00\x20\x00\xff\x00\xff\x00\xff\x00\xff\x00\x03\x00\x00' >"$rle/blank-nametable.rle"
head -c 192 "$here/data/sample.chr" >"$rle/display-64.pal"
head -c 1536 "$here/data/sample.chr" >"$rle/display-512.pal"
# Nametables of both sizes; pictures: block size, flags, table size, then sub-palettes, tiles and the block.
nam="$work/corpus/fuzz_nametable"
head -c 1024 /dev/zero >"$nam/blank.nam"
head -c 960 "$here/data/sample.chr" >"$nam/tiles-only.nam"
head -c 1024 "$here/data/sample.chr" >"$nam/sample.nam"
printf '\x03\x02\x00\x00\x0f\x16\x27\x0f\x16\x27\x16\x27' >"$nam/found-palettes.pic"
printf '\x07\x05\x05\x20\x0f\x16\x27\x38\x0f\x01\x11\x21\x0f\x1a\x2a\x3a\x0f\x06\x07\x08\x10\x01\x10\x06\x4f\x16\x27\x38\x01' >"$nam/given-palettes.pic"
"$build_dir/fuzz/fuzz_make_seeds" "$work/corpus/fuzz_document" "$here/data/sample.pal" \
    "$data"/chr/* "$data"/roms/* >/dev/null
for t in "${targets[@]}"; do
    regressions="$here/fuzz/regressions/$t"
    if [ -d "$regressions" ]; then cp "$regressions"/* "$work/corpus/$t/" 2>/dev/null || true; fi
done

run_target() {
    local t=$1
    local extra=()
    case $t in
    fuzz_document) extra=(-dict="$here/fuzz/document.dict" -max_len=16384) ;;
    fuzz_document_records) extra=(-max_len=4096) ;;
    fuzz_tile_data) extra=(-max_len=16400) ;;
    fuzz_rle | fuzz_nametable) extra=(-max_len=2048) ;;
    fuzz_oam) extra=(-max_len=8640) ;;
    fuzz_graphics_records) extra=(-max_len=8192) ;;
    fuzz_picture) extra=(-max_len=4096) ;;
    *) extra=(-max_len=256) ;;
    esac
    mkdir -p "$work/artifacts/$t"
    # -rss_limit_mb and -malloc_limit_mb: a reader that asks for far more memory than its input justifies fails.
    ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 UBSAN_OPTIONS=print_stacktrace=1 \
        "$build_dir/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1536 -malloc_limit_mb=512 \
        -print_final_stats=1 -artifact_prefix="$work/artifacts/$t/" "${extra[@]}" "$work/corpus/$t" \
        >"$work/$t.log" 2>&1
}

export -f run_target
export work here seconds build_dir
failed=0
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_target {} || echo {} >>"$work/failed"' || true

total=0
printf '%-24s %14s %10s\n' target executions exec/s
for t in "${targets[@]}"; do
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$t.log" | tail -1)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/$t.log" | tail -1)
    printf '%-24s %14s %10s\n' "$t" "${runs:-?}" "${speed:-?}"
    total=$((total + ${runs:-0}))
done
printf '%-24s %14s\n' total "$total"

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
