#!/usr/bin/env python3
"""Writes PNG files that probe the decoder's outcomes into a folder: valid
images of every colour type, and damaged ones (cut streams, flipped bytes,
headers that claim more than the data can fill, stored blocks cut short,
streams at the deflate format's largest expansion). Deterministic."""
import os
import random
import struct
import sys
import zlib

PAIRS = [(0, 1), (0, 2), (0, 4), (0, 8), (0, 16), (2, 8), (2, 16), (3, 1), (3, 2), (3, 4), (3, 8),
         (4, 8), (4, 16), (6, 8), (6, 16)]
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}
ADAM7 = [(0, 8, 0, 8), (4, 8, 0, 8), (0, 4, 4, 8), (2, 4, 0, 4), (0, 2, 2, 4), (1, 2, 0, 2), (0, 1, 1, 2)]


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(w, h, ct, depth, stream, interlace=0, cuts=(), palette=True):
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, ct, 0, 0, interlace))
    if ct == 3 and palette:
        out += chunk(b"PLTE", bytes(range(256)) * 3)
    last = 0
    for c in list(cuts) + [len(stream)]:
        out += chunk(b"IDAT", stream[last:c])
        last = c
    return out + chunk(b"IEND", b"")


def row_lengths(w, h, ct, depth, interlace):
    """Bytes of each stored row, filter byte included, in stream order."""
    bpp = CHANNELS[ct] * depth
    passes = ADAM7 if interlace else [(0, 1, 0, 1)]
    rows = []
    for fc, cs, fr, rs in passes:
        cols = (w - fc - 1) // cs + 1 if w > fc else 0
        count = (h - fr - 1) // rs + 1 if h > fr else 0
        if cols and count:
            rows += [(bpp * cols + 7) // 8 + 1] * count
    return rows


def raw_data(rng, rows, smooth):
    """Rows with filter types 0 to 4 (now and then a bad one), their bytes
    random or in runs that compress well."""
    out = bytearray()
    for n in rows:
        out.append(rng.randrange(5) if rng.random() < 0.97 else rng.randrange(5, 256))
        if smooth:
            out += bytes((i // 3) & 0x1F for i in range(n - 1))
        else:
            out += bytes(rng.randrange(256) for _ in range(n - 1))
    return bytes(out)


def deflate(rng, data):
    level = rng.randrange(10)
    strategy = rng.choice([zlib.Z_DEFAULT_STRATEGY, zlib.Z_FILTERED, zlib.Z_HUFFMAN_ONLY, zlib.Z_RLE, zlib.Z_FIXED])
    c = zlib.compressobj(level, zlib.DEFLATED, 15, 9, strategy)
    return c.compress(data) + c.flush()


class Bits:
    def __init__(self):
        self.out, self.acc, self.n = bytearray(), 0, 0

    def put(self, value, count):  # least significant bit first
        for i in range(count):
            self.acc |= ((value >> i) & 1) << self.n
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                self.acc, self.n = 0, 0

    def code(self, value, count):  # most significant bit first
        for i in reversed(range(count)):
            self.put((value >> i) & 1, 1)

    def done(self):
        if self.n:
            self.out.append(self.acc)
            self.acc, self.n = 0, 0
        return bytes(self.out)


def densest_stream(copies, end=True):
    """A dynamic block where length 258 and distance 1 have 1-bit codes: one
    literal 0, then `copies` copies of 258 bytes, 2 bits each."""
    b = Bits()
    b.put(0x0178, 16)
    b.put(1, 1), b.put(2, 2)
    b.put(29, 5)  # 286 literal/length codes
    b.put(0, 5)   # 1 distance code
    b.put(15, 4)  # 19 code length code lengths
    order = [16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15]
    cl = {0: 2, 1: 2, 2: 2, 18: 2}  # codes: 0 -> 00, 1 -> 01, 2 -> 10, 18 -> 11
    for sym in order:
        b.put(cl.get(sym, 0), 3)
    # literal 0: length 1? We want 285 and 0 at 1 bit is impossible with 256
    # also needed; use 285 -> 1 bit, 0 -> 2 bits, 256 -> 2 bits.
    lengths = [0] * 286
    lengths[0], lengths[256], lengths[285] = 2, 2, 1
    lengths += [1]  # the one distance code
    i = 0
    codes = {0: (0, 2), 1: (1, 2), 2: (2, 2), 18: (3, 2)}
    while i < len(lengths):
        run = 0
        while i + run < len(lengths) and lengths[i + run] == 0 and run < 138:
            run += 1
        if run >= 11:
            b.code(*codes[18]), b.put(run - 11, 7)
            i += run
            continue
        b.code(*codes[lengths[i]])
        i += 1
    # literal/length code: 285 -> "0", 0 -> "10", 256 -> "11"
    b.code(2, 2)
    for _ in range(copies):
        b.code(0, 1), b.code(0, 1)
    if end:
        b.code(3, 2)
    stream = b.done()
    return stream + (struct.pack(">I", 1) if end else b""), 1 + 258 * copies


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(20240609)
    files = []

    def add(name, data):
        files.append((name, data))

    # Valid images and their damaged copies.
    for n in range(400):
        ct, depth = rng.choice(PAIRS)
        w, h = rng.randrange(1, 40), rng.randrange(1, 30)
        inter = rng.randrange(2)
        stream = deflate(rng, raw_data(rng, row_lengths(w, h, ct, depth, inter), rng.random() < 0.5))
        cuts = sorted(rng.randrange(len(stream)) for _ in range(rng.randrange(3)))
        add(f"valid{n}", png(w, h, ct, depth, stream, inter, cuts))
        for k in range(3):  # streams cut short, anywhere and near the end
            at = rng.randrange(len(stream)) if k == 0 else max(0, len(stream) - rng.randrange(1, 8))
            add(f"cut{n}_{k}", png(w, h, ct, depth, stream[:at], inter))
        for k in range(2):  # taller than the data: the stream ends before the raw data is full
            add(f"taller{n}_{k}", png(w, h * (2 + k * 50), ct, depth, stream, inter))
        for k in range(3):  # flipped bytes
            s = bytearray(stream)
            for _ in range(rng.randrange(1, 4)):
                s[rng.randrange(len(s))] ^= 1 << rng.randrange(8)
            add(f"flip{n}_{k}", png(w, h, ct, depth, bytes(s), inter))
        # the header's size around the limit that the data can fill
        payload = len(stream)
        limit = payload * 1032 + 65535
        for delta in (-1, 0, 1, rng.randrange(1, 1 << 20)):
            want = limit + delta
            add(f"limit{n}_{delta}", png(want - 1, 1, 0, 8, stream))

    # Stored blocks cut short, the missing bytes reading as zeros: the largest
    # output the data can give beyond its own bytes.
    for n, length in enumerate([1, 100, 40000, 65535]):
        for have in (0, 1, length // 2):
            for final in (1, 0):
                s = bytes([0x78, 0x01, final]) + struct.pack("<HH", length, length ^ 0xFFFF) + bytes(have)
                add(f"stored{n}_{have}_{final}", png(length - 1, 1, 0, 8, s))
                add(f"stored{n}_{have}_{final}_long", png(length, 1, 0, 8, s))
    s = bytes([0x78, 0x01, 1]) + struct.pack("<HH", 0xFFFF, 0) + bytes(3)
    add("stored_max_plus_more", png(65535 + 1, 1, 0, 8, s))

    # Streams at the largest expansion, whole and cut.
    for copies in (1, 10, 1000, 30000):
        stream, out = densest_stream(copies)
        for w, name in ((out - 1, "exact"), (out, "one_more"), (out - 2, "one_less")):
            add(f"dense{copies}_{name}", png(w, 1, 0, 8, stream))
        cut, _ = densest_stream(copies, end=False)
        add(f"dense{copies}_cut", png(out - 1, 1, 0, 8, cut[: len(cut) // 2]))
        add(f"dense{copies}_noend", png(out - 1, 1, 0, 8, cut))

    for name, data in files:
        with open(os.path.join(folder, name + ".png"), "wb") as f:
            f.write(data)
    print(len(files), "files")


main()
