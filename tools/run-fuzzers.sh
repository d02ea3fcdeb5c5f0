#!/usr/bin/env bash
# Builds the libFuzzer targets in the sanitizer tree (build-asan, see
# setup.sh) and runs each for a while, seeded with the bundled samples and
# the test corpora, one per core at a time: each still has a core to itself
# for its whole time. What a fuzzer finds is written outside the repository,
# into the build folder's findings/.
#   tools/run-fuzzers.sh [SECONDS]   (default 60 each)
#   KINETRA_BUILD_DIR    the build tree (default: build-asan)
#   KINETRA_FUZZ_JOBS    fuzzers at once (default: the number of cores)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

seconds="${1:-60}"
build_dir="${KINETRA_BUILD_DIR:-$KINETRA_SANITIZER_DIR}"
jobs="${KINETRA_FUZZ_JOBS:-$(nproc)}"
kinetra_configure "$build_dir" "${KINETRA_SANITIZER_OPTIONS[@]}"
cmake --build "$build_dir" --target kinetra_fuzzers
# The storyboard targets' seeds are sheets and notes made from the samples.
"$build_dir/tests/fuzz/make_storyboard_seeds" "$KINETRA_ROOT/res/samples" "$build_dir/seeds-storyboard" \
    "$build_dir/seeds-storyboard-note"

data="$KINETRA_ROOT/tests/data"
findings="$build_dir/findings"
logs="$build_dir/fuzz-logs"
mkdir -p "$findings" "$logs"

fuzz() {
    local fuzzer="$1" seeds=()
    local corpus="$build_dir/corpus-$fuzzer"
    mkdir -p "$corpus"
    case "$fuzzer" in
        flc_*) seeds=("$KINETRA_ROOT/res/samples" "$data/hostile" "$data/corrupt" "$data/partial-palette") ;;
        pcx_load) seeds=("$KINETRA_ROOT/res/palettes" "$KINETRA_ROOT/res/tiles") ;;
        palette_files) seeds=("$data/palettes") ;;
        storyboard_read) seeds=("$build_dir/seeds-storyboard") ;;
        storyboard_note) seeds=("$build_dir/seeds-storyboard-note") ;;
        bmp) seeds=("$data/bmp") ;;
        formation) seeds=("$data/formations") ;;
    esac
    "$build_dir/tests/fuzz/fuzz_$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 \
        -artifact_prefix="$findings/$fuzzer-" -print_final_stats=1 "$corpus" "${seeds[@]}" \
        > "$logs/$fuzzer.log" 2>&1
}

# Every target the build has, so that a new one is never left out.
fuzzers=()
for program in "$build_dir"/tests/fuzz/fuzz_*; do
    [ -x "$program" ] && fuzzers+=("${program##*/fuzz_}")
done
[ ${#fuzzers[@]} -gt 0 ] || { echo "no fuzz targets in $build_dir/tests/fuzz" >&2; exit 1; }

# A finding ends its fuzzer with a failure; the others still get their time.
declare -A running=()
failed=()
finish_one() {
    local pid status=0
    wait -n -p pid "${!running[@]}" || status=$?
    local fuzzer="${running[$pid]}"
    unset "running[$pid]"
    echo "== $fuzzer"
    if [ "$status" -eq 0 ]; then
        tail -n 12 "$logs/$fuzzer.log"
    else
        tail -n 60 "$logs/$fuzzer.log"
        failed+=("$fuzzer")
    fi
}
for fuzzer in "${fuzzers[@]}"; do
    [ ${#running[@]} -lt "$jobs" ] || finish_one
    echo "Fuzzing $fuzzer for ${seconds}s"
    fuzz "$fuzzer" &
    running[$!]="$fuzzer"
done
while [ ${#running[@]} -gt 0 ]; do
    finish_one
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzers that found a fault: ${failed[*]} (inputs in $findings)" >&2
    exit 1
fi
