#!/usr/bin/env bash
# picfit on true-colour pictures beside ImageMagick (measuring only: the project never
# needs it): whole-run times side by side in one hyperfine run each, peak memory, and
# how close each result is to its source (bench/dither_quality.py).
#   - a 320 x 200 photo with Floyd-Steinberg, against `convert -dither FloydSteinberg
#     -remap` onto the machine's eight colours;
#   - a 1920 x 1080 photo (made here from ImageMagick's built-in rose) fitted with
#     --fit, against `convert -resize` then the same remap;
#   - a 1920 x 1080 JPEG photograph (a real photograph scaled up, at quality 90) fitted
#     with --fit, against `convert -resize 320x200` then the same remap;
#   - a 2 MB PNG deflate bomb declaring 8 x 1 pixels: its refusal's time and peak
#     memory, natively and in the web module (when build-wasm/bin/fit.wasm is built);
#   - quality of every dithering on the pictures of bench/pictures, in colour and in
#     two-colour mode, against ImageMagick's remap and Pillow's quantize.
# Usage: bench/pictures.sh [BIN_DIR [PHOTO]]   (default: build-bench/bin; build it first
# with cmake --workflow --preset bench). PHOTO is the photograph to scale, by default
# the cat of scikit-image's data (public domain) where Python finds it, else
# ImageMagick's rose. Needs hyperfine, ImageMagick, /usr/bin/time and Debian's
# python3-numpy and python3-pil.
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
# The pictures timed: a photo at the mode's size and a large one.
$convert rose: -resize '320x200!' photo-320x200.png
$convert rose: -resize '1920x1080!' -blur 0x1 photo-1920x1080.png

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

echo "== quality: three measures of every dithering beside the yardstick, ImageMagick and Pillow"
/usr/bin/python3 "$root/bench/dither_quality.py" table "$bin/picfit" "$root"/bench/pictures/*.png
