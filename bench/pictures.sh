#!/usr/bin/env bash
# picfit on true-colour pictures beside ImageMagick (measuring only: the project never
# needs it): whole-run times side by side in one hyperfine run each, peak memory, and
# the distance of each result from its source (bench/picture_quality.cpp).
#   - a 320 x 200 photo with Floyd-Steinberg, against `convert -dither FloydSteinberg
#     -remap` onto the machine's eight colours;
#   - a 1920 x 1080 photo (made here from ImageMagick's built-in rose) fitted with
#     --fit, against `convert -resize` then the same remap;
#   - a 1920 x 1080 JPEG photograph (a real photograph scaled up, at quality 90) fitted
#     with --fit, against `convert -resize 320x200` then the same remap;
#   - a 2 MB PNG deflate bomb declaring 8 x 1 pixels: its refusal's time and peak
#     memory, natively and in the web module (when build-wasm/bin/fit.wasm is built);
#   - quality of every dithering on a photo, a gradient and line art (the netpbm logo
#     shipped in tests/data/picture as a GIF), against the remap.
# Usage: bench/pictures.sh [BIN_DIR [PHOTO]]   (default: build-bench/bin; build it first
# with cmake --workflow --preset bench). PHOTO is the photograph to scale, by default
# the cat of scikit-image's data (public domain) where Python finds it, else
# ImageMagick's rose. Needs hyperfine, ImageMagick, python3 and /usr/bin/time.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(cd "${1:-$root/build-bench/bin}" && pwd)"
photo="${2:-$(python3 -c 'import os, skimage.data as d; print(os.path.join(os.path.dirname(d.__file__), "chelsea.png"))' 2>/dev/null || true)}"
[ -n "$photo" ] && photo="$(cd "$(dirname "$photo")" && pwd)/$(basename "$photo")"
runs="${RUNS:-20}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
convert=/usr/bin/convert

# The machine's eight colours in index order, for the remap.
$convert -size 1x1 xc:black xc:red xc:lime xc:yellow xc:blue xc:magenta xc:cyan xc:white \
    +append palette.png
# The pictures: a photo, a smooth gradient, line art.
$convert rose: -resize '320x200!' photo-320x200.png
$convert rose: -resize '1920x1080!' -blur 0x1 photo-1920x1080.png
$convert -size 200x320 gradient:yellow-navy -rotate 90 \( -size 320x200 gradient:none-red \) \
    -compose over -composite -alpha off gradient-320x200.png
$convert "$root/tests/data/picture/logo-320x240-imagemagick.gif" -crop 320x200+0+20 +repage \
    -alpha off lineart-320x200.png

if [ -n "$photo" ] && [ -f "$photo" ]; then
    $convert "$photo" -resize '1920x1080!' -quality 90 photo-1920x1080.jpg
else
    $convert rose: -resize '1920x1080!' -quality 90 photo-1920x1080.jpg
fi
python3 "$root/tests/data/picture/hostile/make.py" . --bomb 2000000

picfit() { "$bin/picfit" --quiet --no-dump "$@"; }

echo "== time: 320 x 200 photo, Floyd-Steinberg"
hyperfine -N --warmup 3 --runs "$runs" \
    "$bin/picfit --quiet --no-dump --dither=floyd-steinberg photo-320x200.png a.tav" \
    "$convert photo-320x200.png -dither FloydSteinberg -remap palette.png a.pcx"
echo "== time: 1920 x 1080 photo fitted, Floyd-Steinberg"
hyperfine -N --warmup 2 --runs "$runs" \
    "$bin/picfit --quiet --no-dump --fit photo-1920x1080.png b.tav" \
    "$convert photo-1920x1080.png -resize 320x250 -dither FloydSteinberg -remap palette.png b.pcx"

echo "== time: 1920 x 1080 JPEG photograph fitted, Floyd-Steinberg"
hyperfine -N --warmup 2 --runs "$runs" \
    "$bin/picfit --quiet --no-dump --fit photo-1920x1080.jpg j.tav" \
    "$convert photo-1920x1080.jpg -resize 320x200 -dither FloydSteinberg -remap palette.png j.pcx"

peak() { { /usr/bin/time -v "$@" || true; } 2>&1 >/dev/null | awk -F': ' '/Maximum resident/ { print $2 }'; }
$convert -size 16x8 pattern:checkerboard tiny.png
floor=$(peak "$bin/picfit" --quiet --no-dump tiny.png c.tav)
big=$(peak "$bin/picfit" --quiet --no-dump --fit photo-1920x1080.png c.tav)
echo "== peak memory (KiB): picfit on a 16 x 8 picture $floor; on the 1920 x 1080 photo $big;"
echo "   above the floor $((big - floor)), the decoded RGBA picture $((1920 * 1080 * 4 / 1024))"
jpeg=$(peak "$bin/picfit" --quiet --no-dump --fit photo-1920x1080.jpg c.tav)
echo "   on the 1920 x 1080 JPEG $jpeg; above the floor $((jpeg - floor)), the decoded RGB picture $((1920 * 1080 * 3 / 1024))"

echo "== a $(stat -c %s bomb.png)-byte deflate bomb declaring 8 x 1 pixels, refused"
/usr/bin/time -f "   native: %M KiB peak, %e s" "$bin/picfit" --quiet --no-dump --fit bomb.png d.tav 2>&1 | tail -n 2
if [ -f "$root/build-wasm/bin/fit.wasm" ]; then
    node --input-type=module -e "
        import fs from 'node:fs';
        import {Fit} from '$root/web/fit.js';
        const fit = await Fit.load(fs.readFileSync('$root/build-wasm/bin/fit.wasm'));
        const start = performance.now();
        const r = fit.run(['picfit', '--fit', 'bomb.png', 'd.tav'], {'bomb.png': fs.readFileSync('bomb.png')}, ['d.tav']);
        const ms = performance.now() - start;
        const memory = fit.instance.exports.memory.buffer.byteLength / 1048576;
        console.log('   web module: status ' + r.status + ', ' + ms.toFixed(0) + ' ms, its memory ' + memory.toFixed(1) + ' MiB');"
fi

echo "== quality: mean Oklab distance from the source, both blurred (lower is closer)"
printf '%-10s' picture
for d in none floyd-steinberg atkinson bayer4 bayer8 imagemagick-fs; do printf ' %16s' "$d"; done
echo
for p in photo gradient lineart; do
    printf '%-10s' "$p"
    for d in none floyd-steinberg atkinson bayer4 bayer8; do
        picfit --dither="$d" "$p-320x200.png" q.tav --preview=q.png
        printf ' %16s' "$("$bin/picture_quality" "$p-320x200.png" q.png)"
    done
    $convert "$p-320x200.png" -dither FloydSteinberg -remap palette.png q-im.png
    printf ' %16s\n' "$("$bin/picture_quality" "$p-320x200.png" q-im.png)"
done
printf '%-10s' photo-fit
for d in none floyd-steinberg atkinson bayer4 bayer8; do
    picfit --fit --dither="$d" photo-1920x1080.png q.tav --preview=q.png
    printf ' %16s' "$("$bin/picture_quality" photo-1920x1080.png q.png)"
done
$convert photo-1920x1080.png -resize 320x250 -dither FloydSteinberg -remap palette.png q-im.png
printf ' %16s\n' "$("$bin/picture_quality" photo-1920x1080.png q-im.png)"
