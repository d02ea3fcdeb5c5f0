#!/usr/bin/env bash
# Sets up, builds and runs Kinetra on the bundled game sample.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

build_dir="${KINETRA_BUILD_DIR:-$KINETRA_ROOT/build}"
kinetra_setup "$build_dir"

sample="$KINETRA_ROOT/res/samples/unit.flc"
"$build_dir/cli/kinetra-cli" info "$sample"
"$build_dir/cli/kinetra-cli" frames "$sample" --out "$build_dir/sample-frames"
