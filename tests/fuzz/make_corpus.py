#!/usr/bin/env python3
# Writes the committed seed corpus of the fuzz targets (tests/fuzz/corpus/<target>/): small,
# well-formed inputs that reach each reader's deeper paths. Deterministic; rerun after changes.
import math
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


def xor_region(region: bytes, k1: int, k2: int):
    """The keystream of the game-data scrambling over a region; applying it twice is a no-op."""
    seed = ("KVRX" + str(k1) + "LOAD").encode("utf-16-le")
    w, z = calc_crc(seed), k2
    out = bytearray(region)
    i = (w & 0xFF) + 6
    while i < len(out) - 5:
        z = (36969 * (z & 0xFFFF) + (z >> 16)) & 0xFFFFFFFF
        w = (18000 * (w & 0xFFFF) + (w >> 16)) & 0xFFFFFFFF
        r = ((z << 16) + (w & 0xFFFF)) & 0xFFFFFFFF
        (v,) = struct.unpack_from("<I", out, i)
        struct.pack_into("<I", out, i, v ^ r)
        i += 4
    return bytes(out)


def wad(plain: bytes, k1: int):
    """A 12-byte preamble and a scrambled region that unscrambles to plain."""
    k2 = calc_crc(plain)
    return u32(k1) + u32(k2) + b"\0\0\0\0" + xor_region(plain, k1, k2)


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


# ---- png ----
def wave(channels):
    frames = 64
    data = b"".join(struct.pack("<h", int(16000 * math.sin(i / 5))) * channels for i in range(frames))
    fmt = struct.pack("<HHIIHH", 1, channels, 44100, 44100 * 2 * channels, 2 * channels, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", 16) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def audio_seeds():
    # A tempo event, then one note held for a quarter note.
    track = bytes([0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0x90, 60, 100, 0x83, 0x60, 0x80, 60, 0,
                   0x00, 0xFF, 0x2F, 0x00])
    song = b"MThd" + struct.pack(">IHHH", 6, 1, 1, 480) + b"MTrk" + struct.pack(">I", len(track)) + track
    rmid = b"RMID" + b"data" + struct.pack("<I", len(song)) + song
    return {"mono.wav": wave(1), "stereo.wav": wave(2), "song.mid": song,
            "song.rmi": b"RIFF" + struct.pack("<I", len(rmid)) + rmid}


def png(width, height, depth, colour, rows, extra=()):
    """rows: the raw scanlines without filter bytes; each gets filter 0 (or 1 on odd rows)."""
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    raw = b"".join(bytes([k % 2]) + r for k, r in enumerate(rows))  # "sub" filter on odd rows
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + b"".join(chunk(k, b) for k, b in extra) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def png_seeds():
    return {
        "grey8": png(3, 2, 8, 0, [b"\x00\x80\xff", b"\x10\x20\x30"]),
        "grey1": png(9, 1, 1, 0, [b"\xa5\x80"]),
        "grey-alpha": png(2, 1, 8, 4, [b"\x40\xff\x80\x00"]),
        "rgb": png(2, 2, 8, 2, [b"\xff\x00\x00\x00\xff\x00", b"\x00\x00\xff\x01\x02\x03"],
                   [(b"tRNS", b"\x00\xff\x00\x00\x00\x00")]),
        "rgba": png(2, 1, 8, 6, [b"\x10\x20\x30\x00\x40\x50\x60\x80"]),
        "rgb16": png(1, 1, 16, 2, [b"\x12\x34\x56\x78\x9a\xbc"]),
        "palette": png(4, 1, 2, 3, [b"\x1b"], [(b"PLTE", b"\x00\x00\x00\xff\x00\x00\x00\xff\x00\x00\x00\xff"),
                                                (b"tRNS", b"\x00\x80")]),
    }


# ---- functions: byte 0 = function, byte 1 = count where any, then tagged arguments ----
def function_seeds():
    small = lambda v: b"\x02" + struct.pack("<h", v)
    real = lambda v: b"\x00" + struct.pack("<d", v)
    text = lambda t: b"\x01" + bytes([len(t)]) + t
    args = text("Héllo, World 42".encode()) + small(3) + small(-2) + real(2.5) + text(b"l") + real(-0.5)
    shuffled = small(7) + text(b"abcabc") + text(b"bc") + text(b"X") + real(1e300) + small(0)
    # A few functions spread over the table; byte 0 is the easiest byte for the fuzzer to change.
    seeds = {f"f{i:02d}": bytes([i, 6]) + (args, shuffled)[k % 2] for k, i in enumerate(range(0, 66, 9))}
    # Byte 0 = 0xFF: a data-structure text (byte 1: the kind) given as the bytes of its stream.
    i32s = lambda *v: b"".join(i32(n) for n in v)
    seeds["ds-stack"] = b"\xff\x00" + i32s(101, 2) + value(1.5) + value("ab")
    seeds["ds-queue"] = b"\xff\x01" + i32s(201, 2, 1, 2) + value(7.0) + value("q")
    seeds["ds-map"] = b"\xff\x03" + i32s(401, 2) + value(1.0) + value("k") + value("v") + value(2.0)
    seeds["ds-priority"] = b"\xff\x04" + i32s(501, 2) + value(3.0) + value(-1.0) + value("a") + value("b")
    seeds["ds-grid"] = b"\xff\x05" + i32s(601, 2, 1) + value(0.0) + value("z")
    return seeds


# ---- code: byte 0 bit 0 = expression, the rest the text ----
def code_seeds():
    program = lambda text: b"\0" + text.encode()
    return {
        "statements": program("var i, s; s = \"\"; for (i = 0; i < 10; i += 1) { if i mod 2 == 0 then s += string(i) "
                              "else continue } while (a < 3) do a += 1; do { b -= 1 } until b <= 0"),
        "with-switch": program("with (obj_player) { switch (x) { case 1: case 2: y = 1; break; default: exit } }\n"
                               "repeat 3 { global.g[2, 3] = other.d[1] * $ff / 2.5 } globalvar g0; return -~!a"),
        "calls-resources": program("scr_a(1, \"two\", spr_a); instance_create(0, 0, obj_wall); ext_f(c_red, 'x');"
                                   "argument0 = argument[1]; self.z = f2(f1(f0()), fv()) // comment\n/* block */"),
        "expression": b"\1" + b"(a + b * 3 - c div 2) << 1 | 7 & ~d ^ (x >= 2 && y != 3 || !z xor w) + \"s\"",
        "operators": program("a := 1 a += 2 a -= 3 a *= 4 a /= 5 a |= 6 a &= 7 a ^= 8 b = a <> 1 and a or not a "
                             "begin c = 1.5e3 end if a then {} else if b then {} else {}"),
    }


def case_seeds(cases_dir: Path):
    """The language's own test cases, one seed each."""
    seeds = {}
    prefix = cases_dir.name + "-"
    for f in sorted(cases_dir.glob("*.kvs")):
        kind = body = name = None
        for line in f.read_text(encoding="utf-8").splitlines(keepends=True) + ["#--- end"]:
            if line.startswith("#---"):
                if kind is not None:
                    seeds[f"{prefix}{f.stem}-{len(seeds):03d}"] = bytes([kind == "expr"]) + "".join(body).encode()
                parts = line.split()
                kind, body = (parts[1] if len(parts) > 1 else None), []
            elif kind is not None:
                body.append(line)
    return seeds


# ---- variables: byte 0 bit 0 = the global store, the rest the stream ----
def value(v):
    if isinstance(v, str):
        return i32(1) + struct.pack("<d", 0) + string(v.encode())
    return i32(0) + struct.pack("<d", v) + string(b"")


def var_list(variables):
    out = i32(440) + i32(len(variables))
    for ind, simple, rows in variables:
        out += i32(ind) + value(simple) + i32(len(rows))
        for row in rows:
            out += i32(len(row)) + b"".join(value(v) for v in row)
    return out


def variable_seeds():
    variables = [(100000, 1.5, []), (100001, "text", []), (100002, 0, [[1, "a", 2.5], [], ["b"]]),
                 (5, -3, [[7]])]
    return {
        "list": b"\0" + var_list(variables),
        "list-empty": b"\0" + var_list([]),
        "global": b"\1" + i32(700) + var_list(variables[:2]) + i32(3) + i32(1) + i32(0) + i32(1),
    }


# ---- savegame: a whole saved game of the target's game (id 7, objects 0-2, rooms 0-2) ----
def real(v):
    return struct.pack("<d", v)


def saved_instance(ident, obj, x, variables=(), deactivated=False):
    out = i32(ident) + i32(-1) + b"".join(real(v) for v in (0, 1, 1, 1, 0, 1)) + i32(0xFFFFFF) + i32(-1)
    out += b"".join(real(v) for v in (0, x, 20, x, 20, x, 20, 0, 0, 0, 270, 0, 0, 0))
    out += b"".join(i32(-100000) for _ in range(4)) + i32(1) + i32(0) + i32(0) + i32(obj)
    out += b"".join(i32(-1) for _ in range(12)) + i32(0) + i32(1 if deactivated else 0)
    out += i32(-1) + b"".join(real(v) for v in (0, 0, 0, 1, 0)) + i32(0) + real(0) + real(0)
    out += i32(-1) + real(0) + real(1) + i32(0) + i32(0) + string(b"") + var_list(list(variables))
    return out


def saved_room(caption, active, inactive=(), tiles=()):
    out = i32(540) + string(caption) + i32(640) + i32(480) + i32(30) + i32(0) + i32(0xC0C0C0) + i32(1)
    out += string(b"") + i32(8)
    for _ in range(8):
        out += i32(0) + i32(0) + i32(-1) + real(0) + real(0) + i32(1) + i32(1)
        out += real(1) + real(1) + real(0) + real(0) + i32(0xFFFFFF) + real(1)
    out += i32(0) + i32(8)
    for _ in range(8):
        out += i32(0) + b"".join(i32(v) for v in (0, 0, 640, 480, 0, 0, 640, 480)) + real(0)
        out += b"".join(i32(v) for v in (32, 32, -1, -1, -1))
    out += i32(len(active)) + b"".join(active) + i32(len(inactive)) + b"".join(inactive)
    out += i32(len(tiles))
    for ident, x in tiles:
        out += real(x) + real(0) + b"".join(i32(v) for v in (-1, 0, 0, 16, 16)) + real(0) + i32(ident)
        out += real(1) + real(1) + i32(0xFFFFFF) + real(1) + i32(1)
    return out


def saved_game(current, slots, globals_block, last_id=100010, last_tile=10000010):
    out = i32(540) + i32(7) + i32(current) + i32(0) + i32(10) + i32(3) + real(100) + i32(-1) + i32(0) + i32(1)
    out += globals_block + i32(len(slots))
    for room in slots:
        out += i32(0) if room is None else i32(1) + room
    return out + i32(last_id) + i32(last_tile)


def savegame_seeds():
    variables = [(100000, 1.5, []), (100001, "text", []), (100002, 0, [[1, "a", 2.5], [], ["b"]])]
    globals_block = i32(700) + var_list(variables[:2]) + i32(3) + i32(1) + i32(0) + i32(1)
    first = saved_room(b"first", [saved_instance(100001, 0, 10, variables), saved_instance(100002, 2, 50)])
    kept = saved_room(b"kept", [saved_instance(100003, 1, 5)], [saved_instance(100004, 1, 6, deactivated=True)],
                      [(10000001, 0), (10000002, 16)])
    return {
        "one-room": saved_game(0, [first, None, None], globals_block),
        "persistent": saved_game(2, [first, None, kept], globals_block),
        # a global block of another version is skipped after its version word
        "globals-skipped": saved_game(1, [None, saved_room(b"", [])], i32(701)),
    }


# ---- frames: one multiplayer frame as it arrives (see docs/internals/multiplayer.md) ----
def frame(kind: int, body: bytes):
    return b"KVMP" + bytes([1, kind]) + body


def name16(text: bytes):
    return struct.pack("<H", len(text)) + text


def frame_seeds():
    app, inst = bytes(range(16)), bytes(range(16, 32))
    real = b"\1" + i32(5) + b"\0" + struct.pack("<d", 2.5)
    text = b"\0" + i32(3) + b"\1" + u32(3) + b"abc"
    return {
        "find-ask": frame(1, app),
        "find-answer": frame(2, app + inst + struct.pack("<HHH", 30210, 2, 8) + name16(b"room")),
        "join": frame(3, app + inst + name16(b"bee")),
        "welcome": frame(4, u32(3) + struct.pack("<H", 2) + u32(1) + name16(b"h") + u32(2) + name16(b"p")),
        "refuse": frame(5, b"\1"),
        "player-add": frame(6, u32(4) + name16(b"q")),
        "player-remove": frame(7, u32(4)),
        "data-real": frame(8, u32(2) + u32(0) + real),
        "data-string": frame(8, u32(2) + u32(1) + text),
    }


# ---- game files: the plain game data in open form (see FuzzBlocks.h) ----
SEARCH_START = 3800004


def find_signature(f: bytes):
    for p in range(SEARCH_START, len(f) - 7):
        (w0, w1) = struct.unpack_from("<II", f, p)
        if ((w0 & 0xFF00FF00) + (w1 & 0x00FF00FF)) & 0xFFFFFFFF == 0xF7140067:
            return p
    raise ValueError("no game data")


def unscramble(f: bytes):
    """The plain game data from the version word on, as the runner sees it after unscrambling."""
    s = find_signature(f)
    k1, k2, version = struct.unpack_from("<IIi", f, s + 8)
    key = int((s - 1 - SEARCH_START) / 4)  # truncating division
    return i32(version ^ key) + unxor(f[s + 20:], k1, k2)


def unxor(region: bytes, k1: int, k2: int):
    out = xor_region(region, k1, k2)
    if calc_crc(out) != k2:
        raise ValueError("checksum mismatch")
    return out


def decode_eblock(p: bytes, at: int):
    """The payload of the "E" block at `at` if one ends exactly at the end of p, else None."""
    if at + 8 > len(p):
        return None
    a, b = struct.unpack_from("<ii", p, at)
    if a < 0 or b < 0:
        return None
    t_at = at + 8 + 4 * a
    l_at = t_at + 256 + 4 * b
    if l_at + 4 > len(p):
        return None
    (n,) = struct.unpack_from("<i", p, l_at)
    if n < 0 or l_at + 4 + n != len(p):
        return None
    t = p[t_at:t_at + 256]
    if len(set(t)) != 256:
        return None
    u = [0] * 256
    for k, v in enumerate(t):
        u[v] = k
    m = bytearray(p[l_at + 4:])
    for i in range(n - 1, 0, -1):
        m[i] = (u[m[i]] - i - m[i - 1]) % 256
    for i in range(n - 1, -1, -1):
        j = max(0, i - t[i % 256])
        m[i], m[j] = m[j], m[i]
    return bytes(m)


def open_zlib(p: bytes, depth=0):
    """Replaces every compressed block found in p by its ZBLK marker form, recursively."""
    out = bytearray()
    i = 0
    while i < len(p):
        if i + 6 <= len(p) and p[i + 4] == 0x78 and (p[i + 4] * 256 + p[i + 5]) % 31 == 0 and depth < 8:
            (n,) = struct.unpack_from("<i", p, i)
            if 2 <= n <= len(p) - i - 4:
                d = zlib.decompressobj()
                try:
                    content = d.decompress(p[i + 4:i + 4 + n])
                    if d.eof and not d.unused_data:
                        inner = open_zlib(content, depth + 1)
                        out += b"ZBLK" + u32(len(inner)) + inner
                        i += 4 + n
                        continue
                except zlib.error:
                    pass
        out.append(p[i])
        i += 1
    return bytes(out)


def open_game(f: bytes):
    plain = unscramble(f)
    for at in range(len(plain) - 8):
        payload = decode_eblock(plain, at)
        if payload is not None:
            inner = open_zlib(payload)
            return open_zlib(plain[:at]) + b"EBLK" + u32(len(inner)) + inner
    raise ValueError("no chunk block")


# ---- config: byte 0 bit 0 = the registry store, else an INI file; the rest the file ----
def config_seeds():
    ini = (b"\xef\xbb\xbf; comment\r\n[Game]\r\nname = Hero\r\nlevel=2\n[no end\rk==v\r\n"
           b"# other\n[game]\nlives=3\nline without equals\n")
    store = (b"Korvex Registry Store 1\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\12]\n"
             b'"name"="Hero \\"quoted\\" \\x01"\n@="default"\n"real"=hex:00,00,00,00,00,00,f0,3f\n'
             b'"count"=dword:0000000a\n\n[HKEY_USERS\\odd%0aname]\n')
    return {"ini": b"\x00" + ini, "registry": b"\x01" + store}


def write(d: Path, seeds):
    shutil.rmtree(d, ignore_errors=True)
    d.mkdir(parents=True)
    for name, data in seeds.items():
        (d / name).write_bytes(data)


def model_seeds():
    entry = b"2 1.0000 2.0000 3.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000\r\n"
    block = b"10 0.0000 0.0000 0.0000 32.0000 32.0000 16.0000 1.0000 1.0000 0.0000 0.0000\r\n"
    return {
        "triangle": b"100\r\n5\r\n0 4.0000 0 0 0 0 0 0 0 0 0\r\n" + entry * 3 + b"1 0 0 0 0 0 0 0 0 0 0\r\n",
        "block": b"100\r\n1\r\n" + block,
        "comma": b"100\n1\n3 1,5 2,25 -3,0 255,0 0,5 0 0 0 0 0\n",
        "huge_count": b"100\r\n2000000000\r\n" + entry,
        "bad_version": b"101\r\n1\r\n" + entry,
        "nan": b"100\r\n1\r\n2 nan inf 0 0 0 0 0 0 0 0\r\n",
    }


def main():
    if len(sys.argv) > 2 and sys.argv[1] == "generated":
        # make_corpus.py generated OUTDIR [GAMEFILE...]: seeds made from the repository's own test
        # cases and from games built from the example projects, never committed
        out = Path(sys.argv[2])
        code_dir = HERE.parent / "runner" / "code"
        cases = {**case_seeds(code_dir / "cases"), **case_seeds(code_dir / "cases_run")}
        write(out / "code", cases)
        write(out / "exec", cases)
        write(out / "load", {Path(g).stem: open_game(Path(g).read_bytes()) for g in sys.argv[3:]})
        return
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else HERE / "corpus"
    for target, seeds in (("stream", stream_seeds()), ("bmp", bmp_seeds()), ("code", code_seeds()),
                          ("variables", variable_seeds()), ("png", png_seeds()),
                          ("functions", function_seeds()), ("audio", audio_seeds()),
                          ("config", config_seeds()), ("frames", frame_seeds()),
                          ("model", model_seeds()), ("savegame", savegame_seeds())):
        write(out / target, seeds)


if __name__ == "__main__":
    main()
