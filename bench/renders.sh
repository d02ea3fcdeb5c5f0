#!/usr/bin/env bash
# What turning a unit's renders into game frames costs beside ImageMagick
# quantizing the same frames: 8 directions x 15 frames of 240 x 240 RGBA
# written by make_renders, montaged into one 3600 x 1920 PNG for
# ImageMagick. Prints the median wall time of N runs (11 by default) of
#   - convertRenders making the palette, with dithering and onto a palette
#     given (kinetra_render_bench, N repetitions in one process);
#   - convertRenders' first call in a fresh process, N processes;
#   - `convert montage.png -colors 160 +dither out.png`, its first run
#     apart, and the same from and to raw RGBA (no PNG codec), and
#     `convert montage.png out.png`, the cost of ImageMagick's reading and
#     writing alone;
# and convertRenders' time as a share of ImageMagick's. Given kinetra-cli
# too, the whole `kinetra-cli build --frames` from the 120 PNG files to the
# unit, each run after two idle seconds so that no page of the last run is
# still warm.
#
#   bench/renders.sh [--runs N] RENDER_BENCH MAKE_RENDERS [KINETRA_CLI]
set -euo pipefail
export LC_ALL=C

usage() {
  echo "usage: $0 [--runs N] RENDER_BENCH MAKE_RENDERS" >&2
  exit 2
}

runs=11
programs=()
while (($#)); do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    -h | --help) usage ;;
    *) programs+=("$(realpath "$1")"); shift ;;
  esac
done
((${#programs[@]} == 2 || ${#programs[@]} == 3)) || usage
bench=${programs[0]}
make_renders=${programs[1]}
cli=${programs[2]:-}
command -v convert >/dev/null && command -v montage >/dev/null \
  || { echo "needs ImageMagick (tools/setup.sh installs it)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

"$make_renders" renders 15 240
montage renders/render_*.png -tile 15x8 -geometry +0+0 -background none montage.png
convert montage.png -depth 8 rgba:montage.rgba

median() {
  sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Milliseconds of each of `runs` runs of a command, one a line.
time_runs() {
  local run
  for ((run = 0; run < runs; run++)); do
    start=$EPOCHREALTIME
    "$@" >/dev/null
    end=$EPOCHREALTIME
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f\n", (e - s) * 1000 }'
  done
}

# The benchmark's median real time in ms (csv: name, iterations, real_time, ...).
"$bench" --benchmark_filter='BM_ConvertRenders/(auto|auto_dither|onto_palette)_8x15x240$' \
  --benchmark_repetitions="$runs" --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null \
  | awk -F, '/_median"/ { gsub(/"/, "", $1); sub(/_median$/, "", $1); printf "%-48s %10.1f\n", $1, $3 }' >ours.txt

for ((run = 0; run < runs; run++)); do
  "$bench" --benchmark_filter=auto_first_call --benchmark_format=csv 2>/dev/null | awk -F, '/first_call/ { print $3 }'
done >first-calls.txt

im_first=$(runs=1 time_runs convert montage.png -colors 160 +dither out.png)
time_runs convert montage.png -colors 160 +dither out.png >im-png.txt
time_runs convert -size 3600x1920 -depth 8 rgba:montage.rgba -colors 160 +dither rgba:out.rgba >im-raw.txt
time_runs convert montage.png out.png >im-io.txt

ours=$(awk '/auto_8x15x240/ { print $2 }' ours.txt)
im_png=$(median <im-png.txt)
im_raw=$(median <im-raw.txt)
printf '%-48s %10s\n' case "wall ms"
cat ours.txt
printf '%-48s %10.1f\n' "convertRenders, first call in a process" "$(median <first-calls.txt)"
printf '%-48s %10.1f\n' "convert PNG -colors 160 +dither PNG, first run" "$im_first"
printf '%-48s %10.1f\n' "convert PNG -colors 160 +dither PNG" "$im_png"
printf '%-48s %10.1f\n' "convert RGBA -colors 160 +dither RGBA" "$im_raw"
printf '%-48s %10.1f\n' "convert PNG PNG (reading and writing alone)" "$(median <im-io.txt)"
if [[ -n $cli ]]; then
  for ((cold = 0; cold < runs; cold++)); do
    sleep 2
    runs=1 time_runs "$cli" build --frames 'renders/*.png' --directions 8 --frames-per-direction 15 --speed 70 \
      --direction-order E,N,NE,NW,S,SE,SW,W --palette auto --team-colour '#2850FF' --out unit.flc
  done >cli.txt
  printf '%-48s %10.1f\n' "kinetra-cli build --frames, PNG files to unit" "$(median <cli.txt)"
fi
awk -v o="$ours" -v p="$im_png" -v r="$im_raw" \
  'BEGIN { printf "convertRenders / ImageMagick: %.3f (PNG), %.3f (raw RGBA)\n", o / p, o / r }'
