#!/usr/bin/env bash
# Sets up, builds and opens the bundled game sample in Kinetra. Without a
# display it shows the sample through kinetra-cli instead.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

build_dir="${KINETRA_BUILD_DIR:-$KINETRA_ROOT/build}"
kinetra_setup "$build_dir"

sample="$KINETRA_ROOT/res/samples/unit.flc"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$build_dir/app/Kinetra" "$sample"
fi
echo "No display: showing the sample with kinetra-cli (run this under xvfb-run or on a desktop for the window)."
"$build_dir/cli/kinetra-cli" info "$sample"
"$build_dir/cli/kinetra-cli" frames "$sample" --out "$build_dir/sample-frames"
