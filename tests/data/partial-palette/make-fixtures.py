#!/usr/bin/env python3
"""Writes the partial-palette fixtures byte by byte, without Kinetra's own
encoder, and their expected frames decoded by ffmpeg (rgb24, every frame in
turn). Run once from this folder: python3 make-fixtures.py"""

import struct
import subprocess

W, H = 8, 4


def sub_chunk(kind, data, pad=True):
    if pad and len(data) % 2:
        data += b"\0"
    return struct.pack("<IH", 6 + len(data), kind) + data


def frame(*subs):
    body = b"".join(subs)
    return struct.pack("<IHH8x", 16 + len(body), 0xF1FA, len(subs)) + body


def flic(magic, frames, speed=40):
    body = b"".join(frames)
    header = bytearray(128)
    struct.pack_into("<IHhhhHHI", header, 0, 128 + len(body), magic, len(frames), W, H, 8, 0, speed)
    struct.pack_into("<II", header, 80, 128, 128 + len(frames[0]))
    return bytes(header) + body


def palette_chunk(packets):
    """packets: (skip, [(r, g, b), ...]); 256 colours are written with a count of 0."""
    data = struct.pack("<H", len(packets))
    for skip, colours in packets:
        data += bytes([skip, len(colours) & 0xFF]) + b"".join(bytes(c) for c in colours)
    return data


def fli_copy(pixels):
    return sub_chunk(16, bytes(pixels))


def byte_run(pixels):
    data = b""
    for y in range(H):
        data += bytes([1, 256 - W]) + bytes(pixels[y * W:(y + 1) * W])  # one literal run a line
    return sub_chunk(15, data)


def delta_flc(old, new):
    """One packet of literal pixel pairs for each line that changes."""
    data, lines, y_at = b"", 0, 0
    for y in range(H):
        diff = [x for x in range(W) if old[y * W + x] != new[y * W + x]]
        if not diff:
            continue
        if y > y_at:
            data += struct.pack("<h", -(y - y_at))
        first, last = diff[0] & ~1, diff[-1] | 1
        row = new[y * W + first:y * W + last + 1]
        data += struct.pack("<HBb", 1, first, len(row) // 2) + bytes(row)
        lines, y_at = lines + 1, y + 1
    return sub_chunk(7, struct.pack("<H", lines) + data)


def delta_fli(old, new):
    """The FLI delta: the changed lines, a packet of literal bytes in each."""
    changed = [y for y in range(H) if old[y * W:(y + 1) * W] != new[y * W:(y + 1) * W]]
    data = struct.pack("<HH", changed[0], changed[-1] - changed[0] + 1)
    for y in range(changed[0], changed[-1] + 1):
        diff = [x for x in range(W) if old[y * W + x] != new[y * W + x]]
        if not diff:
            data += b"\0"
            continue
        row = new[y * W + diff[0]:y * W + diff[-1] + 1]
        data += bytes([1, diff[0], len(row)]) + bytes(row)
    return sub_chunk(12, data)


def changed(pixels, changes):
    out = list(pixels)
    for at, value in changes.items():
        out[at] = value
    return out


FULL = [((i * 13) & 255, (i * 7) & 255, 255 - i) for i in range(256)]
SIX_BIT = [((i * 5) & 63, i & 63, 63 - (i & 63)) for i in range(256)]
PICTURE = [p % 16 for p in range(W * H)]


def one_colour():
    """One-colour updates: beside a delta, and alone in a frame."""
    second = changed(PICTURE, {10: 5, 11: 5})
    third = changed(second, {28: 9, 29: 3})
    return flic(0xAF12, [
        frame(sub_chunk(4, palette_chunk([(0, FULL)])), fli_copy(PICTURE)),
        frame(sub_chunk(4, palette_chunk([(5, [(200, 10, 20)])])), delta_flc(PICTURE, second)),
        frame(delta_flc(second, third)),
        frame(sub_chunk(4, palette_chunk([(9, [(1, 250, 2)])]))),
    ])


def cumulative_skip():
    """Packets whose skips count on from the previous packet's end, in chunks
    of an odd size left unpadded, and an empty frame."""
    second = changed(PICTURE, {0: 8, 1: 7, 16: 2, 17: 3})
    third = [(p * 5) % 11 for p in range(W * H)]
    colours = [(10, 20, 30), (40, 50, 60), (70, 80, 90), (100, 110, 120), (130, 140, 150)]
    return flic(0xAF12, [
        frame(sub_chunk(4, palette_chunk([(0, FULL)])), fli_copy(PICTURE)),
        frame(sub_chunk(4, palette_chunk([(2, colours[0:2]), (3, colours[2:3]), (0, colours[3:5])]), pad=False),
              delta_flc(PICTURE, second)),
        frame(),
        frame(sub_chunk(4, palette_chunk([(0, [(255, 0, 0)]), (0, [(0, 0, 255)])]), pad=False),
              byte_run(third)),
    ])


def color64():
    """An FLI file: 6-bit colours, partial packets beside a delta."""
    second = changed(PICTURE, {3: 1, 4: 2, 21: 7})
    third = changed(second, {30: 2})
    return flic(0xAF11, [
        frame(sub_chunk(11, palette_chunk([(0, SIX_BIT)])), fli_copy(PICTURE)),
        frame(sub_chunk(11, palette_chunk([(1, [(63, 0, 32), (1, 2, 3)]), (4, [(20, 40, 60)])])),
              delta_fli(PICTURE, second)),
        frame(delta_fli(second, third)),
    ], speed=3)


for name, data in [("one-colour.flc", one_colour()), ("cumulative-skip.flc", cumulative_skip()),
                   ("color64.fli", color64())]:
    with open(name, "wb") as out:
        out.write(data)
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "flic", "-i", name, "-fps_mode", "passthrough",
                    "-f", "rawvideo", "-pix_fmt", "rgb24", name.rsplit(".", 1)[0] + ".rgb"], check=True)
