#!/usr/bin/env python3
"""Makes the hostile pictures the decoder's front must refuse, and the odd ones it
must take: each a few bytes to a few hundred kilobytes.
    make.py [OUT_DIR] [--bomb BYTES]
With --bomb, only the deflate bomb is written (bomb.png, of about BYTES), for the
benchmark; the committed one is small."""
import struct
import sys
import zlib
from pathlib import Path

args = sys.argv[1:]
bomb_only = None
if '--bomb' in args:
    i = args.index('--bomb')
    bomb_only = int(args[i + 1])
    del args[i:i + 2]
out = Path(args[0] if args else Path(__file__).parent)


def chunk(kind, data, crc=None):
    body = kind + data
    c = zlib.crc32(body) if crc is None else crc
    return struct.pack('>I', len(data)) + body + struct.pack('>I', c)


def png(width, height, depth, colour, idat, extra=b'', end=True):
    ihdr = struct.pack('>IIBBBBB', width, height, depth, colour, 0, 0, 0)
    out = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) + extra
    for i in range(0, len(idat), 1 << 16):
        out += chunk(b'IDAT', idat[i:i + (1 << 16)])
    return out + (chunk(b'IEND', b'') if end else b'')


def bomb(inflated):
    """A zlib stream of the rows of an 8 x 1 RGB picture followed by `inflated` zero
    bytes more, with its Adler-32 right: only its length is wrong."""
    z = zlib.compressobj(9)
    parts = [z.compress(bytes(25))]
    block = bytes(1 << 20)
    for _ in range(inflated >> 20):
        parts.append(z.compress(block))
    parts.append(z.flush())
    return png(8, 1, 8, 2, b''.join(parts))


def write(name, data):
    (out / name).write_bytes(data)


if bomb_only:
    # About 1030 inflated bytes a deflated byte.
    write('bomb.png', bomb(bomb_only * 1030))
    sys.exit(0)

good_rows = zlib.compress(b'\x00' + bytes([255, 0, 0]) * 8)
good = png(8, 1, 8, 2, good_rows)

write('bomb-8x1.png', bomb(64 << 20))
# A 16-bit RGBA picture of 4096 x 4096, all zeros: 128 MiB of rows in 128 KiB.
z = zlib.compressobj(9)
row = b'\x00' + bytes(4096 * 8)
write('deep-4096x4096.png', png(4096, 4096, 16, 6, b''.join([z.compress(row * 256) for _ in range(16)] + [z.flush()])))
# A screen of 16384 x 2048 around a picture of one pixel.
write('screen-16384x2048.gif',
      b'GIF89a' + struct.pack('<HHBBB', 16384, 2048, 0x80, 0, 0) + bytes([0, 0, 0, 255, 255, 255]) +
      b',' + struct.pack('<HHHHB', 0, 0, 1, 1, 0) + b'\x02\x02\x44\x01\x00' + b';')
# A BMP header declaring 16384 x 2048 at 24 bits, and no pixels.
write('header-16384x2048.bmp',
      b'BM' + struct.pack('<IHHI', 54, 0, 0, 54) +
      struct.pack('<IiiHHIIiiII', 40, 16384, 2048, 1, 24, 0, 0, 0, 0, 0, 0))

write('bad-crc.png', good[:-12 - len(good_rows) - 4] + good[-12 - len(good_rows) - 4:-16] +
      struct.pack('>I', zlib.crc32(b'IDAT' + good_rows) ^ 1) + good[-12:])
bad_adler = good_rows[:-4] + struct.pack('>I', struct.unpack('>I', good_rows[-4:])[0] ^ 0x10000)
write('bad-adler.png', png(8, 1, 8, 2, bad_adler))
write('no-iend.png', good[:-12])
# Rows that inflate to less than the picture needs.
write('short-rows.png', png(8, 2, 8, 2, good_rows))

# Two palette entries, red and green, and indices 0 to 3: the last two beyond it.
write('short-plte.png', png(4, 1, 8, 3, zlib.compress(bytes([0, 0, 1, 2, 3])),
                            extra=chunk(b'PLTE', bytes([255, 0, 0, 0, 255, 0]))))


def bmp8(width, height, palette, rows):
    """An 8-bit BMP with the palette given (BGRA entries) and rows bottom-up as given."""
    stride = (width + 3) // 4 * 4
    pixels = b''.join(bytes(r) + bytes(stride - width) for r in rows)
    offset = 54 + len(palette)
    return (b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset) +
            struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, len(pixels), 0, 0, len(palette) // 4, 0) +
            palette + pixels)


# Two entries, blue and white, and indices 0 to 3.
write('short-palette.bmp', bmp8(4, 1, bytes([255, 0, 0, 0, 255, 255, 255, 0]), [[0, 1, 2, 3]]))
# Two rows: red over blue, stored bottom-up and top-down.
pal = bytes([0, 0, 255, 0, 255, 0, 0, 0])
write('bottom-up.bmp', bmp8(8, 2, pal, [[1] * 8, [0] * 8]))
top = bytearray(bmp8(8, 2, pal, [[0] * 8, [1] * 8]))
top[22:26] = struct.pack('<i', -2)
write('top-down.bmp', bytes(top))

# Cut short: a GIF to half its length, the others just before their end.
pictures = Path(__file__).resolve().parent.parent
for name, keep in (('exact/colour.gif', 0.5), ('exact/colour.bmp', 0.99), ('jpeg/cat-96x64.jpg', 0.99)):
    data = (pictures / name).read_bytes()
    write('cut-' + Path(name).name, data[:int(len(data) * keep)])
