#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite.
#   KINETRA_BUILD_DIR   the build tree (default: build)
#   KINETRA_SANITIZE=1  an AddressSanitizer + UndefinedBehaviorSanitizer build
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

options=()
if [ "${KINETRA_SANITIZE:-0}" = 1 ]; then
    options+=(-DKINETRA_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo)
    default_dir="$KINETRA_ROOT/build-asan"
else
    default_dir="$KINETRA_ROOT/build"
fi
build_dir="${KINETRA_BUILD_DIR:-$default_dir}"
kinetra_setup "$build_dir" "${options[@]}"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build_dir" --output-on-failure -j2
