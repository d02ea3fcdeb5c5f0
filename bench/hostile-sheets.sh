#!/usr/bin/env bash
# What refusing a hostile storyboard sheet or split note costs a whole
# `kinetra-cli` process: the cases of tests/cli/HostileSheetTest.cpp made
# from real files (an 8000 x 8000 PNG of one colour, sparse files
# of 1 and 3 GB, a storyboard and a split of the bundled unit), each run N
# times (11 by default), after a run that finds no file at all, the floor
# of any refusal. Prints each case's file size, the median wall time and the
# largest peak resident memory, and checks that every run ended with status
# 1 and wrote nothing.
#
#   bench/hostile-sheets.sh [--runs N] CLI
set -euo pipefail
export LC_ALL=C

usage() {
  echo "usage: $0 [--runs N] CLI" >&2
  exit 2
}

runs=11
cli=
while (($#)); do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    -h | --help) usage ;;
    *) [[ -z $cli ]] || usage; cli=$1; shift ;;
  esac
done
[[ -n $cli ]] || usage
[[ -x /usr/bin/time ]] || { echo "needs GNU time (apt-get install time)" >&2; exit 1; }
cli=$(realpath "$cli")
samples="$(cd "$(dirname "$0")/../res/samples" && pwd)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The files: a real 8000 x 8000 PNG, holes, and PCX sheets and split notes
# the sample's storyboard and split are edited into.
truncate -s 1G hole.png
"$cli" storyboard "$samples/unit.flc" --out sheet.pcx >/dev/null
"$cli" split "$samples/unit.flc" --out-dir split >/dev/null
python3 - <<'EOF'
import json, struct, zlib
# One colour over 8000 x 8000, compressed as ImageMagick and Pillow do.
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
packer = zlib.compressobj(9)
row = b"\0" + bytes([10, 20, 30]) * 8000
rows = b"".join(packer.compress(row) for _ in range(8000)) + packer.flush()
open("big.png", "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 8000, 8000, 8, 2, 0, 0, 0))
                            + chunk(b"IDAT", rows) + chunk(b"IEND", b""))
# A 1 x 1 palette PNG, and 1 GB of nothing after it.
open("tiny-then-1g.png", "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 1, 1, 8, 3, 0, 0, 0))
                                     + chunk(b"PLTE", bytes(3)) + chunk(b"IDAT", zlib.compress(bytes(2)))
                                     + chunk(b"IEND", b""))
sheet = open("sheet.pcx", "rb").read()
def pcx(name, **changes):
    data = bytearray(sheet)
    for offset, value in changes.get("bytes", {}).items():
        data[offset] = value
    if "size" in changes:
        struct.pack_into("<HHHH", data, 4, 0, 0, changes["size"] - 1, changes["size"] - 1)
        struct.pack_into("<H", data, 66, changes["size"])
        data = data[:changes.get("length", len(data))]
    open(name, "wb").write(data)
pcx("bpp4.pcx", bytes={3: 4})
pcx("encoding0.pcx", bytes={2: 0})
pcx("huge.pcx", size=65535)
pcx("starved.pcx", size=4000, length=1024)
note = json.load(open("split/unit.kinetra.json"))
def split(name, files, directions):
    changed = dict(note, directionFiles=files)
    if directions is None:
        changed.pop("directions", None)
    else:
        changed["directions"] = directions
    json.dump(changed, open(name, "w"))
split("repeated.json", ["unit_1_SW.flc"] * 8000, 8)
split("many.json", ["d%d.flc" % i for i in range(3000)], None)
open("large.json", "w").write(" " * (2 * 1024 * 1024))
EOF
truncate -s 1G tiny-then-1g.png
mkdir sidecar && cp sheet.pcx sidecar/ && truncate -s 3G sidecar/sheet.kinetra.json

# The first case is the floor: a process that finds no file at all.
cases=(
  "no-file|missing.png|build missing.png"
  "8000x8000-png|big.png|build big.png"
  "1g-hole-png|hole.png|build hole.png"
  "png-then-1g|tiny-then-1g.png|build tiny-then-1g.png"
  "pcx-4-bits|bpp4.pcx|build bpp4.pcx"
  "pcx-encoding-0|encoding0.pcx|build encoding0.pcx"
  "pcx-65535x65535|huge.pcx|build huge.pcx"
  "pcx-short-data|starved.pcx|build starved.pcx"
  "3g-sidecar|sidecar/sheet.kinetra.json|build sidecar/sheet.pcx"
  "split-8000-repeats|repeated.json|join split"
  "split-3000-files|many.json|join split"
  "split-2m-note|large.json|join split"
)

printf '%-20s %12s %10s %10s\n' case bytes "wall ms" "peak KiB"
for entry in "${cases[@]}"; do
  IFS='|' read -r name file command <<<"$entry"
  case "$name" in split-*) cp "$file" split/unit.kinetra.json ;; esac
  : >"$work/times"
  peak=0
  for ((run = 0; run < runs; run++)); do
    start=$EPOCHREALTIME
    # shellcheck disable=SC2086 # the command's words
    if /usr/bin/time -f '%M' -o usage "$cli" $command --out out.flc >/dev/null 2>err; then
      echo "$name: not refused" >&2
      exit 1
    fi
    end=$EPOCHREALTIME
    grep -q "non-zero status 1$" usage || { echo "$name: status other than 1" >&2; cat err >&2; exit 1; }
    [[ ! -e out.flc ]] || { echo "$name: wrote out.flc" >&2; exit 1; }
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f\n", (e - s) * 1000 }' >>"$work/times"
    kib=$(tail -n 1 usage)
    ((kib > peak)) && peak=$kib
  done
  median=$(sort -n "$work/times" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
  bytes=-
  [[ -e $file ]] && bytes=$(stat -c %s "$file")
  printf '%-20s %12s %10.1f %10d\n' "$name" "$bytes" "$median" "$peak"
done
