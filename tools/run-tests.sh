#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite.
#   KINETRA_BUILD_DIR   the build tree (default: build)
#   KINETRA_SANITIZE=1  the sanitizer tree instead (build-asan, see setup.sh)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

options=()
if [ "${KINETRA_SANITIZE:-0}" = 1 ]; then
    options+=("${KINETRA_SANITIZER_OPTIONS[@]}")
    default_dir="$KINETRA_SANITIZER_DIR"
else
    default_dir="$KINETRA_ROOT/build"
fi
build_dir="${KINETRA_BUILD_DIR:-$default_dir}"
kinetra_setup "$build_dir" "${options[@]}"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build_dir" --output-on-failure -j2
