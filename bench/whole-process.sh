#!/usr/bin/env bash
# What loading a file costs a whole process: `kinetra-cli info FILE` of one
# or two builds beside ffmpeg decoding the same file, all interleaved in one
# run so that a busy machine weighs on every program alike. Prints medians of
# wall time, CPU time (user and system, which waiting for a busy machine does
# not inflate) and peak resident memory, the wall time as a multiple of
# ffmpeg's, and the peak bytes per decoded pixel:
#   (peak RSS - peak RSS on a tiny file - file size) / (frames x width x height)
# With --cold SECONDS every run of a file follows that many idle seconds, so
# that each program starts on a machine whose caches others have cooled.
# --build LABEL CLI adds a build under a label of its own (variants of one
# change side by side).
#
#   bench/whole-process.sh --before OLD/kinetra-cli [--after NEW/kinetra-cli]
#                          [--build LABEL CLI]... [--runs N] [--cold SECONDS]
#                          [--tiny FILE] FILE...
set -euo pipefail
export LC_ALL=C

usage() {
  echo "usage: $0 --before CLI [--after CLI] [--build LABEL CLI]... [--runs N] [--cold SECONDS] [--tiny FILE] FILE..." >&2
  exit 2
}

runs=11
cold=0
tiny="$(dirname "$0")/../res/samples/plain.flc"
labels=()
programs=()
files=()
while (($#)); do
  case "$1" in
    --before | --after)
      (($# >= 2)) || usage
      labels+=("${1#--}")
      programs+=("$2")
      shift 2
      ;;
    --build)
      (($# >= 3)) || usage
      labels+=("$2")
      programs+=("$3")
      shift 3
      ;;
    --runs) runs=$2; shift 2 ;;
    --cold) cold=$2; shift 2 ;;
    --tiny) tiny=$2; shift 2 ;;
    -h | --help) usage ;;
    *) files+=("$1"); shift ;;
  esac
done
((${#programs[@]} && ${#files[@]})) || usage
[[ -x /usr/bin/time ]] || { echo "needs GNU time (apt-get install time)" >&2; exit 1; }
with_ffmpeg=0
if command -v ffmpeg >/dev/null; then
  with_ffmpeg=1
else
  echo "note: ffmpeg is not installed; no comparison with it" >&2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Appends "wall-ms KiB cpu-ms" of one run of the command to the file $1.
measure() {
  local out=$1
  shift
  [[ $out == */tiny.* || $cold == 0 ]] || sleep "$cold"
  local start=$EPOCHREALTIME
  if ! /usr/bin/time -f '%M %U %S' -o "$work/usage" "$@" >/dev/null 2>"$work/err"; then
    echo "failed: $*" >&2
    cat "$work/err" >&2
    exit 1
  fi
  local end=$EPOCHREALTIME
  tail -n 1 "$work/usage" | awk -v s="$start" -v e="$end" '{ printf "%.3f %d %.0f\n", (e - s) * 1000, $1, ($2 + $3) * 1000 }' >>"$out"
}

# The median of column $2 of file $1.
median() {
  awk -v c="$2" '{ print $c }' "$1" | sort -n |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# A value of `kinetra-cli info`, by its label.
info_value() {
  "$1" info "$2" | awk -F': ' -v label="$3" '$1 == label { print $2 }'
}

for ((run = 0; run < runs; run++)); do
  for i in "${!programs[@]}"; do
    measure "$work/tiny.$i" "${programs[$i]}" info "$tiny"
  done
  for f in "${!files[@]}"; do
    for i in "${!programs[@]}"; do
      measure "$work/$f.$i" "${programs[$i]}" info "${files[$f]}"
    done
    if ((with_ffmpeg)); then
      measure "$work/$f.ffmpeg" ffmpeg -v error -i "${files[$f]}" -f null -
    fi
  done
done

for f in "${!files[@]}"; do
  file=${files[$f]}
  size=$(stat -c %s "$file")
  frames=$(info_value "${programs[0]}" "$file" "Decoded frames")
  width=$(info_value "${programs[0]}" "$file" "Width (pixels)")
  height=$(info_value "${programs[0]}" "$file" "Height (pixels)")
  ffmpeg_ms=
  ((with_ffmpeg)) && ffmpeg_ms=$(median "$work/$f.ffmpeg" 1)
  echo
  echo "$(basename "$file"): $width x $height, $frames decoded frames, $size bytes, median of $runs runs$([[ $cold != 0 ]] && echo ", each after $cold s idle")"
  printf '  %-8s %10s %10s %14s %10s %12s\n' program "wall ms" "cpu ms" "peak RSS KiB" "x ffmpeg" "bytes/pixel"
  for i in "${!programs[@]}"; do
    ms=$(median "$work/$f.$i" 1)
    kib=$(median "$work/$f.$i" 2)
    tiny_kib=$(median "$work/tiny.$i" 2)
    awk -v l="${labels[$i]}" -v ms="$ms" -v cpu="$(median "$work/$f.$i" 3)" -v kib="$kib" -v tiny="$tiny_kib" -v size="$size" \
      -v pixels="$((frames * width * height))" -v ff="$ffmpeg_ms" 'BEGIN {
        ratio = ff == "" ? "-" : sprintf("%.2f", ms / ff)
        printf "  %-8s %10.1f %10d %14d %10s %12.2f\n", l, ms, cpu, kib, ratio, ((kib - tiny) * 1024 - size) / pixels
      }'
  done
  if ((with_ffmpeg)); then
    printf '  %-8s %10.1f %10.0f %14.0f %10s %12s\n' ffmpeg "$ffmpeg_ms" "$(median "$work/$f.ffmpeg" 3)" \
      "$(median "$work/$f.ffmpeg" 2)" 1.00 -
  fi
done
