#!/usr/bin/env python3
"""Writes the small source pictures of the picture tests (PNG, GIF and BMP, by hand,
with the standard library only), each into its case folder. Run from anywhere; the
pictures are committed, so this is needed only to change them."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# The machine's colours in index order: bit 0 red, bit 1 green, bit 2 blue.
MACHINE = [((i & 1) * 255, (i >> 1 & 1) * 255, (i >> 2 & 1) * 255) for i in range(8)]


def png(path, width, height, colour_type, depth, rows, palette=None, trns=None):
    """rows: per row a list of samples (already the values of the colour type)."""
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour_type]
    raw = bytearray()
    for row in rows:
        raw.append(0)  # no filter
        if depth == 16:
            for s in row:
                raw += struct.pack(">H", s)
        elif depth == 8:
            raw += bytes(row)
        else:
            bits = 0
            n = 0
            out = bytearray()
            for s in row:
                bits = bits << depth | s
                n += depth
                if n == 8:
                    out.append(bits)
                    bits = n = 0
            if n:
                out.append(bits << (8 - n))
            raw += out
        assert len(row) == width * channels

    def chunk(kind, data):
        c = kind + data
        return struct.pack(">I", len(data)) + c + struct.pack(">I", zlib.crc32(c) & 0xFFFFFFFF)

    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0))
    if palette is not None:
        data += chunk(b"PLTE", bytes(v for rgb in palette for v in rgb))
    if trns is not None:
        data += chunk(b"tRNS", trns)
    data += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    data += chunk(b"IEND", b"")
    write(path, data)


def bmp(path, width, height, pixels):
    """24-bit bottom-up BMP of RGB triples, row after row from the top."""
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = pixels[y * width + x]
            row += bytes((b, g, r))
        body += row + bytes(stride - len(row))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    write(path, header + info + body)


def lzw(indices, min_size):
    """GIF LZW: codes of min_size + 1 bits with a clear code before the table grows,
    which every decoder reads and no table bookkeeping is needed."""
    clear = 1 << min_size
    end = clear + 1
    width = min_size + 1
    codes = []
    room = (1 << width) - clear - 2 - 1
    for n, index in enumerate(indices):
        if n % room == 0:
            codes.append(clear)
        codes.append(index)
    codes.append(end)
    out = bytearray()
    acc = 0
    bits = 0
    for c in codes:
        acc |= c << bits
        bits += width
        while bits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
    if bits:
        out.append(acc & 0xFF)
    blocks = bytearray()
    for i in range(0, len(out), 255):
        part = out[i:i + 255]
        blocks.append(len(part))
        blocks += part
    return bytes(blocks) + b"\x00"


def gif(path, width, height, palette, indices):
    size_bits = max(1, (len(palette) - 1).bit_length())
    table = list(palette) + [(0, 0, 0)] * ((1 << size_bits) - len(palette))
    data = b"GIF89a" + struct.pack("<HHBBB", width, height, 0x80 | (size_bits - 1), 0, 0)
    data += bytes(v for rgb in table for v in rgb)
    data += b"," + struct.pack("<HHHHB", 0, 0, width, height, 0)
    min_size = max(2, size_bits)
    data += bytes((min_size,)) + lzw(indices, min_size) + b";"
    write(path, data)


def pcx(path, width, height, indices, palette):
    """8 bits a pixel, one plane, run-length coded, the 256-colour palette at the end."""
    head = struct.pack("<BBBBHHHHHH", 10, 5, 1, 8, 0, 0, width - 1, height - 1, 72, 72)
    head += bytes(48) + bytes((0, 1)) + struct.pack("<HH", width, 1)
    head += bytes(128 - len(head))
    body = bytearray()
    for v in indices:
        if v >= 0xC0:
            body.append(0xC1)
        body.append(v)
    table = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    write(path, head + bytes(body) + b"\x0c" + bytes(v for rgb in table for v in rgb))


def write(path, data):
    full = os.path.join(HERE, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(data)


def exact_colour():
    """16 x 8: every machine colour, in bands and in single pixels."""
    w, h = 16, 8
    idx = [((x // 2) + (y // 2) * 3 + (x * y) % 5) % 8 for y in range(h) for x in range(w)]
    rgb = [MACHINE[i] for i in idx]
    rows8 = [[v for i in idx[y * w:(y + 1) * w] for v in MACHINE[i]] for y in range(h)]
    png("exact/colour-rgb8.png", w, h, 2, 8, rows8)
    png("exact/colour-rgb16.png", w, h, 2, 16, [[v * 257 for v in r] for r in rows8])
    png("exact/colour-rgba8.png", w, h, 6, 8,
        [[v for i in idx[y * w:(y + 1) * w] for v in MACHINE[i] + (255,)] for y in range(h)])
    # A palette in another order than the machine's: only the colours count.
    order = [5, 2, 7, 0, 3, 6, 1, 4]
    pal = [MACHINE[o] for o in order]
    png("exact/colour-palette4.png", w, h, 3, 4,
        [[order.index(i) for i in idx[y * w:(y + 1) * w]] for y in range(h)], palette=pal)
    gif("exact/colour.gif", w, h, pal, [order.index(i) for i in idx])
    bmp("exact/colour.bmp", w, h, rgb)
    write("exact/colour.idx", bytes(idx))
    pcx("exact/colour.pcx", w, h, idx, MACHINE)


def exact_two():
    """32 x 4 black and white."""
    w, h = 32, 4
    idx = [1 if (x * 7 + y * 3) % 5 < 2 else 0 for y in range(h) for x in range(w)]
    png("exact/two-gray1.png", w, h, 0, 1, [idx[y * w:(y + 1) * w] for y in range(h)])
    png("exact/two-gray8.png", w, h, 0, 8, [[255 * i for i in idx[y * w:(y + 1) * w]] for y in range(h)])
    png("exact/two-gray-alpha16.png", w, h, 4, 16,
        [[v for i in idx[y * w:(y + 1) * w] for v in (65535 * i, 65535)] for y in range(h)])
    gif("exact/two.gif", w, h, [(255, 255, 255), (0, 0, 0)], [1 - i for i in idx])
    bmp("exact/two.bmp", w, h, [MACHINE[7 * i] for i in idx])
    write("exact/two.idx", bytes(idx))
    pcx("exact/two.pcx", w, h, idx, [MACHINE[0], MACHINE[7]])


def gradient(w, h):
    """A hue sweep across, dark to light down: every colour off the palette."""
    out = []
    for y in range(h):
        for x in range(w):
            t = x / (w - 1)
            light = (y + 1) / h
            r = max(0.0, 1 - abs(t * 3 - 0.5) * 1.2)
            g = max(0.0, 1 - abs(t * 3 - 1.5) * 1.2)
            b = max(0.0, 1 - abs(t * 3 - 2.5) * 1.2)
            out.append(tuple(min(255, round(255 * (0.15 + 0.85 * c) * light)) for c in (r, g, b)))
    return out


def dither_cases():
    w, h = 32, 16
    px = gradient(w, h)
    rows = [[v for p in px[y * w:(y + 1) * w] for v in p] for y in range(h)]
    for case in ("colour-none", "colour-floyd-steinberg", "colour-atkinson", "colour-bayer4",
                 "colour-bayer8", "two-none", "two-floyd-steinberg", "two-atkinson", "two-bayer4",
                 "two-bayer8"):
        png(f"golden/{case}/input.png", w, h, 2, 8, rows)


def gradient_bmp():
    # The dithering gradient as a 24-bit BMP, for the program's own cases.
    w, h = 32, 16
    bmp("gradient.bmp", w, h, gradient(w, h))


def transparency_cases():
    # RGBA: a white square at alpha 255, 128 and 0, on the chosen background.
    w, h = 16, 2
    alphas = [255] * 4 + [128] * 4 + [0] * 4 + [64] * 4
    rows = [[v for a in alphas for v in (255, 255, 255, a)] for _ in range(h)]
    png("golden/alpha-black/input.png", w, h, 6, 8, rows)
    png("golden/alpha-blue/input.png", w, h, 6, 8, rows)
    # Palette transparency (tRNS): entry 1 clear, entry 2 half.
    idx = [(x // 4) % 3 for _ in range(h) for x in range(w)]
    png("golden/trns-palette/input.png", w, h, 3, 2,
        [idx[y * w:(y + 1) * w] for y in range(h)], palette=[(255, 0, 0), (0, 255, 0), (255, 255, 255)],
        trns=bytes((255, 0, 128)))
    # Grey with a transparent grey level.
    grey = [[(x // 4) * 85 for x in range(w)] for _ in range(h)]
    png("golden/trns-grey/input.png", w, h, 0, 8, grey, trns=struct.pack(">H", 170))


def fit_cases():
    # Odd sizes scaled to fit: a 41 x 13 checkerboard of red and cyan.
    w, h = 41, 13
    px = [MACHINE[1] if (x + y) % 2 else MACHINE[6] for y in range(h) for x in range(w)]
    png("golden/fit-odd/input.png", w, h, 2, 8, [[v for p in px[y * w:(y + 1) * w] for v in p] for y in range(h)])
    # Too narrow for a group: 3 x 5 of yellow.
    w, h = 3, 5
    png("golden/fit-tiny/input.png", w, h, 2, 8, [[255, 255, 0] * w for _ in range(h)])


if __name__ == "__main__":
    exact_colour()
    exact_two()
    dither_cases()
    transparency_cases()
    fit_cases()
    gradient_bmp()
