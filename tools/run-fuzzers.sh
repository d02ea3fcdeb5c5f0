#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while, seeded
# with the bundled samples and the test corpora. What a fuzzer finds is
# written outside the repository, into the build folder's findings/.
#   tools/run-fuzzers.sh [SECONDS]   (default 60 each)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

seconds="${1:-60}"
build_dir="${KINETRA_BUILD_DIR:-$KINETRA_ROOT/build-fuzz}"
fuzzers=(flc_load flc_save pcx_load palette_files storyboard_read storyboard_note)
kinetra_install_packages
CXX=clang++ cmake -S "$KINETRA_ROOT" -B "$build_dir" -G Ninja -DKINETRA_WERROR=ON \
    -DKINETRA_SANITIZE=ON -DKINETRA_BUILD_FUZZERS=ON -DKINETRA_CORE_ONLY=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --target "${fuzzers[@]/#/fuzz_}" make_storyboard_seeds
"$build_dir/tests/fuzz/make_storyboard_seeds" "$KINETRA_ROOT/res/samples" "$build_dir/seeds-storyboard" \
    "$build_dir/seeds-storyboard-note"

data="$KINETRA_ROOT/tests/data"
findings="$build_dir/findings"
mkdir -p "$findings"
for fuzzer in "${fuzzers[@]}"; do
    corpus="$build_dir/corpus-$fuzzer"
    mkdir -p "$corpus"
    case "$fuzzer" in
        flc_*) seeds=("$KINETRA_ROOT/res/samples" "$data/hostile" "$data/corrupt" "$data/partial-palette") ;;
        pcx_load) seeds=("$KINETRA_ROOT/res/palettes" "$KINETRA_ROOT/res/tiles") ;;
        palette_files) seeds=("$data/palettes") ;;
        storyboard_read) seeds=("$build_dir/seeds-storyboard") ;;
        storyboard_note) seeds=("$build_dir/seeds-storyboard-note") ;;
    esac
    echo "Fuzzing $fuzzer for ${seconds}s"
    "$build_dir/tests/fuzz/fuzz_$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 \
        -artifact_prefix="$findings/$fuzzer-" -print_final_stats=1 "$corpus" "${seeds[@]}" \
        2>&1 | tail -n 12
done
