#!/usr/bin/env python3
"""Checks the installed icons: each decodes as a PNG of its size, the 32-pixel
one is the disc's own icon, and the others are that picture resampled
(enlarged by a whole factor: each pixel repeated; halved: 2x2 means).

usage: check_icons.py ICON_ROOT REFERENCE.png SIZE...
"""
import struct
import sys
import zlib


def decode(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        crc, = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) != crc:
            raise ValueError(f"{path}: bad CRC in {kind!r}")
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if (depth, colour, interlace) != (8, 2, 0):
        raise ValueError(f"{path}: not 8-bit RGB without interlace")
    raw = zlib.decompress(idat)
    stride = 3 * width
    if len(raw) != height * (stride + 1):
        raise ValueError(f"{path}: {len(raw)} bytes of pixels for {width} x {height}")
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b = prev[i]
            c = prev[i - 3] if i >= 3 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
            elif kind != 0:
                raise ValueError(f"{path}: filter {kind}")
        rows.append([tuple(line[x * 3:x * 3 + 3]) for x in range(width)])
        prev = line
    return width, height, rows


def main():
    root, reference, sizes = sys.argv[1], sys.argv[2], [int(s) for s in sys.argv[3:]]
    rw, rh, ref = decode(reference)
    if (rw, rh) != (32, 32):
        print(f"FAIL: the disc's icon is {rw} x {rh}, the checks below expect 32 x 32")
        return 1
    if len({p for row in ref for p in row}) < 3:
        print("FAIL: the disc's icon is a plain area, nothing to compare")
        return 1
    for size in sizes:
        path = f"{root}/{size}x{size}/apps/trivion.png"
        try:
            w, h, rows = decode(path)
        except (OSError, ValueError, TypeError, struct.error, zlib.error) as e:
            print(f"FAIL: {e}")
            return 1
        if (w, h) != (size, size):
            print(f"FAIL: {path} is {w} x {h}")
            return 1
        for y in range(size):
            for x in range(size):
                if size % 32 == 0:
                    want = [ref[y * 32 // size][x * 32 // size]]
                elif size == 16:
                    block = [ref[2 * y + dy][2 * x + dx] for dy in (0, 1) for dx in (0, 1)]
                    want = [tuple((sum(p[c] for p in block) + 2) // 4 for c in range(3))]
                else:
                    continue
                if rows[y][x] not in want:
                    print(f"FAIL: {path} at {x},{y} is {rows[y][x]}, not {want[0]}")
                    return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
