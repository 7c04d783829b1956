#!/usr/bin/env bash
# Makes the JPEG test pictures from a public-domain photograph (the cat of the
# scikit-image data, chelsea.png): baseline, progressive and greyscale, a portrait
# stored on its side with an EXIF orientation, and a picture of four flat quarters in
# each of the eight orientations for the turning itself.
#   make.sh CHELSEA_PNG [OUT_DIR]     (ImageMagick's convert and python3)
set -euo pipefail
src="$1"
out="${2:-$(dirname "$0")}"
cd "$out"

# The EXIF orientation tag put in an APP1 segment right after SOI, in either byte order
# of the TIFF header.
orient() {  # FILE ORIENTATION II|MM
    python3 - "$@" <<'PY'
import struct, sys
name, value, order = sys.argv[1], int(sys.argv[2]), sys.argv[3]
e = '<' if order == 'II' else '>'
tiff = order.encode() + struct.pack(e + 'HI', 42, 8)
tiff += struct.pack(e + 'H', 1) + struct.pack(e + 'HHI', 0x0112, 3, 1) + struct.pack(e + 'HH', value, 0)
tiff += struct.pack(e + 'I', 0)
app1 = b'Exif\0\0' + tiff
data = open(name, 'rb').read()
assert data[:2] == b'\xff\xd8'
open(name, 'wb').write(data[:2] + b'\xff\xe1' + struct.pack('>H', len(app1) + 2) + app1 + data[2:])
PY
}

convert "$src" -resize 96x64! -quality 85 -strip cat-96x64.jpg
convert "$src" -resize 96x64! -quality 85 -strip -interlace Plane cat-96x64-progressive.jpg
convert "$src" -resize 96x64! -quality 85 -strip -colorspace Gray cat-96x64-grey.jpg
# Upright 64 x 96; stored turned a quarter anticlockwise, to be turned back clockwise.
convert "$src" -crop 200x300+120+0 -resize 64x96! -rotate -90 -quality 85 -strip cat-64x96-orientation6.jpg
orient cat-64x96-orientation6.jpg 6 MM

# Quarters red, green, blue, white, upright 32 x 48; each file stored so that its
# orientation brings it back (what -auto-orient undoes, the stored picture does).
convert -size 16x24 xc:red xc:lime +append \( -size 16x24 xc:blue xc:white +append \) -append quarters.png
stored=(
    ""                       # 1 as it is
    "-flop"                  # 2 mirrored left to right
    "-rotate 180"            # 3
    "-flip"                  # 4 mirrored top to bottom
    "-transpose"             # 5
    "-rotate -90"            # 6 stored anticlockwise, turned back clockwise
    "-transverse"            # 7
    "-rotate 90"             # 8
)
for o in 1 2 3 4 5 6 7 8; do
    # shellcheck disable=SC2086
    convert quarters.png ${stored[$((o - 1))]} -quality 95 -sampling-factor 1x1 -strip "quarters-$o.jpg"
    orient "quarters-$o.jpg" "$o" "$([ $((o % 2)) = 0 ] && echo II || echo MM)"
done
rm quarters.png
