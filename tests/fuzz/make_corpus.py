#!/usr/bin/env python3
# Writes the committed seed corpus of the fuzz targets (tests/fuzz/corpus/<target>/): small,
# well-formed inputs that reach each reader's deeper paths. Deterministic; rerun after changes.
import random
import shutil
import struct
import sys
import zlib
from pathlib import Path

HERE = Path(__file__).resolve().parent

# ---- stream: byte 0 = op count - 1, then the ops (low nibble what, high nibble argument) ----
INTEGER, REAL, STRING, STREAM, STREAMC, STREAME, BITMAP, FROMSTRING = range(8)
DECRYPTWAD, SETPOSITION, COPYFROM, CIPHER, CHECKS, WRITESTREAM, POP, SKIP = range(8, 16)
DESCEND = 0x10


def i32(v):
    return struct.pack("<i", v)


def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def string(text: bytes):
    return i32(len(text)) + text


def block(payload: bytes):
    return i32(len(payload)) + payload


def zblock(payload: bytes):
    return block(zlib.compress(payload))


def eblock(payload: bytes, seed: int):
    rng = random.Random(seed)
    t = list(range(256))
    for k in range(256):
        r = rng.randrange(255)
        t[k], t[r] = t[r], t[k]
    m = bytearray(payload)
    for i in range(len(m)):
        j = max(0, i - t[i % 256])
        m[i], m[j] = m[j], m[i]
    for i in range(1, len(m)):
        m[i] = t[(m[i] + m[i - 1] + i) % 256]
    a, b = 2, 1  # the reader skips any filler count; a few keep the seeds small
    filler = lambda n: b"".join(u32(rng.randrange(268435455)) for _ in range(n))
    return i32(a) + i32(b) + filler(a) + bytes(t) + filler(b) + block(bytes(m))


def calc_crc(data: bytes):
    return zlib.crc32(data) ^ 0xFFFFFFFF  # the stream's CRC omits the final inversion


def wad(plain: bytes, k1: int):
    """A 12-byte preamble and a scrambled region that unscrambles to plain."""
    k2 = calc_crc(plain)
    seed = ("KVRX" + str(k1) + "LOAD").encode("utf-16-le")
    w, z = calc_crc(seed), k2
    region = bytearray(plain)
    i = (w & 0xFF) + 6
    while i < len(region) - 5:
        z = (36969 * (z & 0xFFFF) + (z >> 16)) & 0xFFFFFFFF
        w = (18000 * (w & 0xFFFF) + (w >> 16)) & 0xFFFFFFFF
        r = ((z << 16) + (w & 0xFFFF)) & 0xFFFFFFFF
        (v,) = struct.unpack_from("<I", region, i)
        struct.pack_into("<I", region, i, v ^ r)
        i += 4
    return u32(k1) + u32(k2) + b"\0\0\0\0" + bytes(region)


def program(ops, payload: bytes):
    assert 1 <= len(ops) <= 16
    return bytes([len(ops) - 1]) + bytes(ops) + payload


# ---- bmp ----
def bmp(width, height, bpp, rows, palette=b"", compression=0, masks=b"", info_size=40, top_down=False):
    """rows: the pixel rows as stored (bottom-up unless top_down), each padded here to 4 bytes."""
    data = b"".join(r + b"\0" * (-len(r) % 4) for r in rows)
    if info_size == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bpp)
    else:
        h = -height if top_down else height
        colors = len(palette) // 4 if palette else 0
        info = struct.pack("<IiiHHIIiiII", info_size, width, h, 1, bpp, compression, len(data), 2835, 2835,
                           colors, 0)
        if info_size > 40:
            info += masks + b"\0" * (info_size - 40 - len(masks))
            masks = b""
    off = 14 + len(info) + len(masks) + len(palette)
    return b"BM" + struct.pack("<IHHI", off + len(data), 0, 0, off) + info + masks + palette + data


def bmp_seeds():
    grey4 = b"".join(bytes([v, v, v, 0]) for v in (0, 85, 170, 255))
    return {
        "1bit": bmp(3, 2, 1, [b"\xa0", b"\x40"], palette=b"\0\0\0\0\xff\xff\xff\0"),
        "4bit": bmp(3, 2, 4, [b"\x01\x20", b"\x32\x10"], palette=grey4),
        "8bit-top-down": bmp(3, 2, 8, [b"\x00\x01\x02", b"\x03\x02\x01"], palette=grey4, top_down=True),
        "16bit": bmp(2, 2, 16, [b"\x1f\x00\xe0\x03", b"\x00\x7c\xff\x7f"]),
        "16bit-565": bmp(2, 1, 16, [b"\x1f\x00\x00\xf8"], compression=3,
                         masks=struct.pack("<III", 0xF800, 0x07E0, 0x001F)),
        "24bit": bmp(2, 2, 24, [b"\x00\x00\xff\x00\xff\x00", b"\xff\x00\x00\x80\x80\x80"]),
        "24bit-core": bmp(2, 1, 24, [b"\x01\x02\x03\x04\x05\x06"], info_size=12),
        "32bit-alpha": bmp(2, 1, 32, [b"\x10\x20\x30\x80\x40\x50\x60\x00"]),
        "32bit-v4-alpha-masks": bmp(2, 1, 32, [b"\x10\x20\x30\x80\x40\x50\x60\xff"], compression=6,
                                    info_size=108,
                                    masks=struct.pack("<IIII", 0xFF0000, 0xFF00, 0xFF, 0xFF000000)),
    }


def stream_seeds():
    tiny = bmp_seeds()["24bit"]
    record = string(b"spr_player") + i32(3) + struct.pack("<d", 1.5)
    return {
        "primitives": program([INTEGER, REAL, STRING, STRING, STRING, INTEGER],
                              i32(7) + struct.pack("<d", -2.25) + string("héllo".encode()) +
                              string(b"bad \xff\xc0 utf8") + i32(-3) + i32(-1)),
        "stream": program([STREAM | DESCEND, STRING, INTEGER, POP, STREAM],
                          block(record) + block(b"")),
        "streamc": program([STREAMC | DESCEND, STRING, INTEGER, REAL], zblock(record)),
        "streame": program([STREAME | DESCEND, INTEGER, STREAMC | DESCEND, STRING],
                           eblock(i32(800) + zblock(string(b"room0")), 7)),
        "bitmap": program([BITMAP, BITMAP, BITMAP], i32(1) + zblock(tiny) + i32(0) + i32(1) + i32(0)),
        "fromstring": program([FROMSTRING | DESCEND, INTEGER, STRING], b"2A00000003000000616263"),
        "decryptwad": program([DECRYPTWAD, SKIP | 0xC0, INTEGER], wad(bytes(range(256)) * 2, 12345)),
        "setposition-copyfrom": program([SETPOSITION, COPYFROM | DESCEND, STRING],
                                        i32(8) + b"pad!" + i32(9) + string(b"hello")),
        "cipher": program([CIPHER, CIPHER | 0x10, CIPHER | 0x40, STRING],
                          i32(4321) + i32(0) + i32(-77) + i32(5) + i32(99) + i32(0) + string(b"text")),
        "checks-writestream": program([CHECKS, WRITESTREAM, SKIP | 0x40, WRITESTREAM], record),
        "nested": program([STREAMC | DESCEND, STREAME | DESCEND, BITMAP],
                          zblock(eblock(i32(1) + zblock(tiny), 3))),
    }


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else HERE / "corpus"
    for target, seeds in (("stream", stream_seeds()), ("bmp", bmp_seeds())):
        d = out / target
        shutil.rmtree(d, ignore_errors=True)
        d.mkdir(parents=True)
        for name, data in seeds.items():
            (d / name).write_bytes(data)


if __name__ == "__main__":
    main()
