#!/usr/bin/env bash
# What `kinetra-cli gif`, `sheet` and `storyboard` cost a whole process, of one or two
# builds beside ffmpeg writing a GIF of the same file two ways that give the
# same pixels: one palette made from every frame and no dithering ("ffmpeg";
# the ratios are to it), and the decoder's own 8-bit frames written as they
# are ("ffmpeg pal8"), all interleaved in one run. Prints medians of wall time, CPU time, peak RSS,
# peak bytes per decoded pixel (as whole-process.sh reckons them) and the
# output's size, with CPU and size as multiples of ffmpeg's.
#
# --cold sleeps before each group of runs of one command on one file, so
# that every program starts on a machine at rest and with cold caches of its
# own; without it the runs follow each other. --commands runs only those
# named (ffmpeg runs with gif). Each command's peak on the tiny file is the
# base its bytes per pixel are reckoned from.
#
#   bench/exports.sh --before OLD/kinetra-cli [--after NEW/kinetra-cli]
#                    [--runs N] [--cold SECONDS] [--tiny FILE]
#                    [--commands gif,sheet,storyboard] FILE...
set -euo pipefail
export LC_ALL=C

usage() {
  echo "usage: $0 --before CLI [--after CLI] [--runs N] [--cold SECONDS] [--tiny FILE] [--commands LIST] FILE..." >&2
  exit 2
}

runs=5
cold=0
commands=(gif sheet storyboard)
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
    --runs) runs=$2; shift 2 ;;
    --cold) cold=$2; shift 2 ;;
    --tiny) tiny=$2; shift 2 ;;
    --commands) IFS=, read -ra commands <<<"$2"; shift 2 ;;
    -h | --help) usage ;;
    *) files+=("$1"); shift ;;
  esac
done
((${#programs[@]} && ${#files[@]})) || usage
[[ -x /usr/bin/time ]] || { echo "needs GNU time (apt-get install time)" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "needs ffmpeg" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Appends "wall-ms KiB cpu-ms bytes" of one run writing $2 to the file $1.
measure() {
  local out=$1 output=$2
  shift 2
  rm -f "$output"
  local start=$EPOCHREALTIME
  if ! /usr/bin/time -f '%M %U %S' -o "$work/usage" "$@" >/dev/null 2>"$work/err"; then
    echo "failed: $*" >&2
    cat "$work/err" >&2
    exit 1
  fi
  local end=$EPOCHREALTIME
  tail -n 1 "$work/usage" | awk -v s="$start" -v e="$end" -v b="$(stat -c %s "$output")" \
    '{ printf "%.3f %d %.0f %d\n", (e - s) * 1000, $1, ($2 + $3) * 1000, b }' >>"$out"
}

# The median of column $2 of file $1.
median() {
  awk -v c="$2" '{ print $c }' "$1" | sort -n |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

info_value() {
  "$1" info "$2" | awk -F': ' -v label="$3" '$1 == label { print $2 }'
}

rest() {
  ((cold == 0)) || { sync; sleep "$cold"; }
}

# One palette from every frame, mapped without dithering.
ffmpeg_filter="split[a][b];[a]palettegen=max_colors=256:reserve_transparent=0:stats_mode=full[p];[b][p]paletteuse=dither=none"

# Whether the command $1 is to run.
chosen() {
  [[ " ${commands[*]} " == *" $1 "* ]]
}

# What the command $1 writes.
extension() {
  [[ $1 == gif ]] && echo gif || echo png
}

for ((run = 0; run < runs; run++)); do
  for command in "${commands[@]}"; do
    for i in "${!programs[@]}"; do
      measure "$work/tiny.$command.$i" "$work/tiny.$(extension "$command")" "${programs[$i]}" "$command" "$tiny" \
        --out "$work/tiny.$(extension "$command")"
    done
  done
  for f in "${!files[@]}"; do
    for command in "${commands[@]}"; do
      out="$work/out.$(extension "$command")"
      rest
      for i in "${!programs[@]}"; do
        measure "$work/$command.$f.$i" "$out" "${programs[$i]}" "$command" "${files[$f]}" --out "$out"
      done
      if [[ $command == gif ]]; then
        measure "$work/gif.$f.ffmpeg" "$out" ffmpeg -v error -y -i "${files[$f]}" -vf "$ffmpeg_filter" "$out"
        measure "$work/gif.$f.pal8" "$out" ffmpeg -v error -y -i "${files[$f]}" "$out"
      fi
    done
  done
done

for f in "${!files[@]}"; do
  file=${files[$f]}
  size=$(stat -c %s "$file")
  frames=$(info_value "${programs[0]}" "$file" "Decoded frames")
  width=$(info_value "${programs[0]}" "$file" "Width (pixels)")
  height=$(info_value "${programs[0]}" "$file" "Height (pixels)")
  ff_cpu=1
  ff_bytes=1
  if chosen gif; then
    ff_cpu=$(median "$work/gif.$f.ffmpeg" 3)
    ff_bytes=$(median "$work/gif.$f.ffmpeg" 4)
  fi
  echo
  echo "$(basename "$file"): $width x $height, $frames decoded frames, median of $runs runs$( ((cold)) && echo ", cold (${cold} s rest)")"
  printf '  %-17s %10s %10s %14s %12s %12s %10s %10s\n' command "wall ms" "cpu ms" "peak RSS KiB" "bytes/pixel" "out bytes" "cpu x ff" "size x ff"
  for command in "${commands[@]}"; do
    for i in "${!programs[@]}"; do
      m="$work/$command.$f.$i"
      awk -v l="$command ${labels[$i]}" -v ms="$(median "$m" 1)" -v kib="$(median "$m" 2)" -v cpu="$(median "$m" 3)" \
        -v bytes="$(median "$m" 4)" -v tiny="$(median "$work/tiny.$command.$i" 2)" -v size="$size" \
        -v pixels="$((frames * width * height))" -v ffcpu="$ff_cpu" -v ffbytes="$ff_bytes" -v gif="$([[ $command == gif ]] && echo 1)" 'BEGIN {
          cr = gif ? sprintf("%.2f", cpu / ffcpu) : "-"
          sr = gif ? sprintf("%.2f", bytes / ffbytes) : "-"
          printf "  %-17s %10.1f %10d %14d %12.2f %12d %10s %10s\n", l, ms, cpu, kib, ((kib - tiny) * 1024 - size) / pixels, bytes, cr, sr
        }'
    done
  done
  chosen gif || continue
  printf '  %-17s %10.1f %10.0f %14.0f %12s %12.0f %10s %10s\n' "gif ffmpeg" "$(median "$work/gif.$f.ffmpeg" 1)" "$ff_cpu" \
    "$(median "$work/gif.$f.ffmpeg" 2)" - "$ff_bytes" 1.00 1.00
  m="$work/gif.$f.pal8"
  printf '  %-17s %10.1f %10.0f %14.0f %12s %12.0f %10.2f %10.2f\n' "gif ffmpeg pal8" "$(median "$m" 1)" "$(median "$m" 3)" \
    "$(median "$m" 2)" - "$(median "$m" 4)" "$(awk -v a="$(median "$m" 3)" -v b="$ff_cpu" 'BEGIN { print a / b }')" \
    "$(awk -v a="$(median "$m" 4)" -v b="$ff_bytes" 'BEGIN { print a / b }')"
done
