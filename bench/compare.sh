#!/usr/bin/env bash
# Runs the benchmark programs of two builds in turn, round after round, and
# prints a before/after table of medians, so a busy machine weighs on both
# alike. A folder holds kinetra_load_bench and kinetra_player_bench; both
# read the generated files from --files (default: BEFORE/files).
#
#   bench/compare.sh --before DIR [--after DIR] [--rounds N] [--files DIR]
#                    [--time real_time|cpu_time] [-- BENCHMARK_OPTIONS...]
set -euo pipefail

usage() {
  echo "usage: $0 --before DIR [--after DIR] [--rounds N] [--files DIR] [--time real_time|cpu_time] [-- OPTIONS...]" >&2
  exit 2
}

rounds=5
time_field=real_time
files=
labels=()
folders=()
while (($#)); do
  case "$1" in
    --before | --after)
      (($# >= 2)) || usage
      labels+=("${1#--}")
      folders+=("$2")
      shift 2
      ;;
    --rounds) rounds=$2; shift 2 ;;
    --files) files=$2; shift 2 ;;
    --time) time_field=$2; shift 2 ;;
    --) shift; break ;;
    *) usage ;;
  esac
done
((${#folders[@]})) || usage
files=${files:-${folders[0]}/files}
[[ -d $files ]] || { echo "no generated files in $files" >&2; exit 1; }
export KINETRA_BENCH_FILES=$files

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for ((round = 0; round < rounds; round++)); do
  for program in kinetra_load_bench kinetra_player_bench; do
    order=("${!folders[@]}")
    # Every other round the other build goes first.
    if ((round % 2 && ${#folders[@]} == 2)); then order=(1 0); fi
    for i in "${order[@]}"; do
      "${folders[$i]}/$program" --benchmark_format=json "$@" >"$work/${labels[$i]}.$program.$round.json"
    done
  done
done

python3 - "$work" "$time_field" "${labels[@]}" <<'EOF'
import glob, json, statistics, sys

work, field, labels = sys.argv[1], sys.argv[2], sys.argv[3:]
to_ns = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}
times, per_pixel, names = {}, {}, []
for label in labels:
    for path in sorted(glob.glob(f"{work}/{label}.*.json")):
        text = open(path).read()
        if not text.strip():
            continue  # a program none of whose benchmarks matched the filter
        for run in json.loads(text)["benchmarks"]:
            if run.get("run_type") == "aggregate" or "error_occurred" in run:
                continue
            name = run["name"]
            if name not in names:
                names.append(name)
            times.setdefault((label, name), []).append(run[field] * to_ns[run["time_unit"]])
            if "peak_bytes_per_pixel" in run:
                per_pixel.setdefault((label, name), []).append(run["peak_bytes_per_pixel"])

def duration(ns):
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= scale:
            return f"{ns / scale:.3g} {unit}"
    return f"{ns:.3g} ns"

def cell(table, label, name, show):
    values = table.get((label, name))
    return show(statistics.median(values)) if values else "-"

header = ["benchmark"] + [f"{label} ({field})" for label in labels]
if len(labels) == 2:
    header.append(f"{labels[1]}/{labels[0]}")
header += [f"{label} B/px" for label in labels]
rows = []
for name in names:
    row = [name] + [cell(times, label, name, duration) for label in labels]
    if len(labels) == 2:
        pair = [times.get((label, name)) for label in labels]
        row.append(f"{statistics.median(pair[1]) / statistics.median(pair[0]):.2f}" if all(pair) else "-")
    row += [cell(per_pixel, label, name, lambda v: f"{v:.2f}") for label in labels]
    rows.append(row)
widths = [max(len(r[c]) for r in [header] + rows) for c in range(len(header))]
for r in [header] + rows:
    print("  ".join(v.ljust(w) if c == 0 else v.rjust(w) for c, (v, w) in enumerate(zip(r, widths))))
EOF
