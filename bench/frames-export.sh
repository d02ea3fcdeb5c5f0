#!/usr/bin/env bash
# What writing every frame costs a whole process: `kinetra-cli frames FILE
# --out DIR` of one or two builds beside `ffmpeg -i FILE DIR/%04d.png`, all
# interleaved in one run, each round once cold (after a few idle seconds, so
# no program finds the processor and caches warmed by the one before) and
# once warm (straight after). Prints for each file and each kind of round
# the medians of wall time and CPU time (user and system), both as multiples
# of ffmpeg's, and the total bytes of the files written against ffmpeg's.
#
#   bench/frames-export.sh --before OLD/kinetra-cli [--after NEW/kinetra-cli]
#                          [--runs N] [--sleep SECONDS] FILE...
set -euo pipefail
export LC_ALL=C

usage() {
  echo "usage: $0 --before CLI [--after CLI] [--runs N] [--sleep SECONDS] FILE..." >&2
  exit 2
}

runs=7
pause=3
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
    --runs) runs=$2; shift 2 ;;
    --sleep) pause=$2; shift 2 ;;
    -h | --help) usage ;;
    *) files+=("$1"); shift ;;
  esac
done
((${#programs[@]} && ${#files[@]})) || usage
[[ -x /usr/bin/time ]] || { echo "needs GNU time (apt-get install time)" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "needs ffmpeg" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Appends "wall-ms cpu-ms bytes" of one run of the command to the file $1;
# the command writes into $work/out, emptied first.
measure() {
  local record=$1
  shift
  rm -rf "$work/out"
  mkdir "$work/out"
  local start=$EPOCHREALTIME
  if ! /usr/bin/time -f '%U %S' -o "$work/usage" "$@" >/dev/null 2>"$work/err"; then
    echo "failed: $*" >&2
    cat "$work/err" >&2
    exit 1
  fi
  local end=$EPOCHREALTIME
  local bytes
  bytes=$(find "$work/out" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
  tail -n 1 "$work/usage" | awk -v s="$start" -v e="$end" -v b="$bytes" \
    '{ printf "%.3f %.0f %d\n", (e - s) * 1000, ($1 + $2) * 1000, b }' >>"$record"
}

# The median of column $2 of file $1.
median() {
  awk -v c="$2" '{ print $c }' "$1" | sort -n |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# One round of every program on file index $1, recorded under kind $2.
round() {
  local f=$1 kind=$2
  for i in "${!programs[@]}"; do
    measure "$work/$kind.$f.$i" "${programs[$i]}" frames "${files[$f]}" --out "$work/out"
  done
  measure "$work/$kind.$f.ffmpeg" ffmpeg -v error -i "${files[$f]}" "$work/out/%04d.png"
}

for ((run = 0; run < runs; run++)); do
  for f in "${!files[@]}"; do
    sleep "$pause"
    round "$f" cold
    round "$f" warm
  done
done

for f in "${!files[@]}"; do
  for kind in cold warm; do
    ff_ms=$(median "$work/$kind.$f.ffmpeg" 1)
    ff_cpu=$(median "$work/$kind.$f.ffmpeg" 2)
    ff_bytes=$(median "$work/$kind.$f.ffmpeg" 3)
    echo
    echo "$(basename "${files[$f]}"), $kind: median of $runs runs"
    printf '  %-8s %10s %10s %10s %10s %12s %10s\n' program "wall ms" "cpu ms" "wall x ff" "cpu x ff" bytes "bytes x ff"
    for i in "${!programs[@]}"; do
      awk -v l="${labels[$i]}" -v ms="$(median "$work/$kind.$f.$i" 1)" -v cpu="$(median "$work/$kind.$f.$i" 2)" \
        -v b="$(median "$work/$kind.$f.$i" 3)" -v fms="$ff_ms" -v fcpu="$ff_cpu" -v fb="$ff_bytes" 'BEGIN {
          printf "  %-8s %10.1f %10d %10.2f %10.2f %12d %10.3f\n", l, ms, cpu, ms / fms, cpu / fcpu, b, b / fb
        }'
    done
    printf '  %-8s %10.1f %10d %10s %10s %12d %10s\n' ffmpeg "$ff_ms" "$ff_cpu" 1.00 1.00 "$ff_bytes" 1.000
  done
done
