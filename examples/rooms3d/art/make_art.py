#!/usr/bin/env python3
# Writes the textures of the 3D rooms example: backgrounds/bg_wall.png (bricks) and
# backgrounds/bg_floor.png (stone tiles), 32 x 32 each so they repeat without seams.
import struct
import zlib
from pathlib import Path

HERE = Path(__file__).resolve().parent.parent


def png(path, width, height, pixel):
    rows = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9))
                     + chunk(b"IEND", b""))


def brick(x, y):
    row = y // 8
    mortar = y % 8 == 7 or (x + 8 * (row % 2)) % 16 == 15  # every other row shifted half a brick
    if mortar:
        return (150, 140, 130)
    shade = ((x * 7 + y * 13) % 5) * 6
    return (150 + shade, 60 + shade // 2, 40)


def stone(x, y):
    if x % 16 == 0 or y % 16 == 0:
        return (40, 40, 48)
    light = ((x // 16 + y // 16) % 2) * 30 + ((x * 3 + y * 5) % 7) * 3
    return (90 + light, 100 + light, 110 + light)


png(HERE / "backgrounds" / "bg_wall.png", 32, 32, brick)
png(HERE / "backgrounds" / "bg_floor.png", 32, 32, stone)
