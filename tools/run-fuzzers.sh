#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while, seeded
# with the hostile corpus and the bundled samples.
#   tools/run-fuzzers.sh [SECONDS]   (default 60 each)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

seconds="${1:-60}"
build_dir="${KINETRA_BUILD_DIR:-$KINETRA_ROOT/build-fuzz}"
kinetra_install_packages
CXX=clang++ cmake -S "$KINETRA_ROOT" -B "$build_dir" -G Ninja -DKINETRA_WERROR=ON \
    -DKINETRA_SANITIZE=ON -DKINETRA_BUILD_FUZZERS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --target fuzz_flc_load fuzz_pcx_load

for fuzzer in flc_load pcx_load; do
    corpus="$build_dir/corpus-$fuzzer"
    mkdir -p "$corpus"
    echo "Fuzzing $fuzzer for ${seconds}s"
    "$build_dir/tests/fuzz/fuzz_$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 \
        -print_final_stats=1 "$corpus" "$KINETRA_ROOT/tests/data/hostile" "$KINETRA_ROOT/res/samples" \
        2>&1 | tail -n 12
done
