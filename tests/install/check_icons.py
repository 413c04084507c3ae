#!/usr/bin/env python3
"""The installed icons decode as PNGs of their sizes; the 32-pixel one is the
disc's own icon, and the others are it resampled (a whole factor larger: each
pixel repeated; half: the 2x2 means).

usage: check_icons.py ICON_ROOT REFERENCE.png SIZE...
"""
import struct
import sys
import zlib


def decode(path):
    """The rows of pixels of an 8-bit RGB PNG without row filters, as our writer makes them."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if zlib.crc32(kind + body) != struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])[0]:
            raise ValueError(f"{path}: bad CRC in {kind!r}")
        header = struct.unpack(">IIBBBBB", body) if kind == b"IHDR" else header
        idat += body if kind == b"IDAT" else b""
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    raw, stride = zlib.decompress(idat), 3 * width + 1
    if (depth, colour, interlace) != (8, 2, 0) or len(raw) != height * stride:
        raise ValueError(f"{path}: not {width} x {height} 8-bit RGB")
    if any(raw[y * stride] != 0 for y in range(height)):
        raise ValueError(f"{path}: filtered rows")
    return width, height, [[tuple(raw[y * stride + 1 + 3 * x:y * stride + 4 + 3 * x]) for x in range(width)]
                           for y in range(height)]


def main():
    root, reference, sizes = sys.argv[1], sys.argv[2], [int(s) for s in sys.argv[3:]]
    rw, rh, ref = decode(reference)
    if (rw, rh) != (32, 32) or len({p for row in ref for p in row}) < 3:
        print(f"FAIL: the disc's icon is {rw} x {rh} or plain; the checks expect 32 x 32 with a drawing")
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
                    want = ref[y * 32 // size][x * 32 // size]
                elif size == 16:
                    block = [ref[2 * y + dy][2 * x + dx] for dy in (0, 1) for dx in (0, 1)]
                    want = tuple((sum(p[c] for p in block) + 2) // 4 for c in range(3))
                else:
                    continue
                if rows[y][x] != want:
                    print(f"FAIL: {path} at {x},{y} is {rows[y][x]}, not {want}")
                    return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
