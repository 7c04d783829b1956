#!/usr/bin/python3
"""How close a dithered picture is to its source as the eye sees it, three ways.

  blur-srgb   mean Oklab distance after a Gaussian blur (standard deviation 1 pixel)
              of both pictures' sRGB values
  blur-linear the same, the blur done in linear light
  s-cielab    mean CIELAB difference (1976) after the spatial filters of S-CIELAB at
              20 pixels a degree of sight

A blur of one pixel stands for the eye merging a pattern; blurring the sRGB values or
the light itself weighs dark and light errors differently, and S-CIELAB filters
lightness finely and hue coarsely, as the eye does. No one of them is the eye: a
dithering is judged by all three, and by looking.

Usage:
  dither_quality.py measure SOURCE RESULT [--grey]
      the three measures, SOURCE against RESULT (PNG, GIF, BMP; the same size);
      --grey compares with the source's luminance, for two-colour results
  dither_quality.py reference SOURCE OUT.png [--two-colour]
      a plain serpentine Floyd-Steinberg that spreads the error in linear light and
      picks the nearest palette colour in linear light: the yardstick
  dither_quality.py spread PICFIT PICTURE...
      picfit's Floyd-Steinberg beside the lowest, highest and mean measures of the
      yardstick over eight unseen changes of each source (every value moved by less than
      half of 1/65535): how far rounding alone moves a chaotic error diffusion
  dither_quality.py table PICFIT PICTURE...
      the README's table: every --dither of picfit in colour and two-colour mode, the
      yardstick, ImageMagick's remap (convert -dither FloydSteinberg -remap) and
      Pillow's quantize (dither=FLOYDSTEINBERG), on each picture

Needs Debian's python3-numpy and python3-pil, and ImageMagick for the table.
"""
import os
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image

COLOURS = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (255, 255, 0),
           (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
TWO = [(0, 0, 0), (255, 255, 255)]
DITHERS = ["none", "floyd-steinberg", "atkinson", "bayer4", "bayer8"]


def load(path):
    return np.asarray(Image.open(path).convert("RGB"), dtype=np.float64) / 255.0


def to_linear(s):
    return np.where(s <= 0.04045, s / 12.92, ((s + 0.055) / 1.055) ** 2.4)


def to_srgb(v):
    v = np.clip(v, 0.0, 1.0)
    return np.where(v <= 0.0031308, v * 12.92, 1.055 * v ** (1 / 2.4) - 0.055)


def grey(srgb):
    """The picture's Rec. 709 luminance, as grey sRGB."""
    lin = to_linear(srgb)
    y = lin @ np.array([0.2126, 0.7152, 0.0722])
    return np.repeat(to_srgb(y)[..., None], 3, axis=2)


def oklab(lin):
    m1 = np.array([[0.4122214708, 0.5363325363, 0.0514459929],
                   [0.2119034982, 0.6806995451, 0.1073969566],
                   [0.0883024619, 0.2817188376, 0.6299787005]])
    m2 = np.array([[0.2104542553, 0.7936177850, -0.0040720468],
                   [1.9779984951, -2.4285922050, 0.4505937099],
                   [0.0259040371, 0.7827717662, -0.8086757660]])
    lms = np.cbrt(np.clip(lin, 0.0, None) @ m1.T)
    return lms @ m2.T


def filter_matrix(n, kernels):
    """An n x n matrix applying sum(weight x Gaussian) along one axis, the edges mirrored.
    kernels: (weight, spread in pixels) pairs, each Gaussian exp(-x^2 / spread^2) summing to 1."""
    m = np.zeros((n, n))
    for weight, spread in kernels:
        reach = max(1, int(np.ceil(3 * spread)))
        d = np.arange(-reach, reach + 1)
        g = np.exp(-(d / spread) ** 2)
        g *= weight / g.sum()
        i = np.repeat(np.arange(n), d.size)
        j = (i + np.tile(d, n)) % (2 * n)
        j = np.where(j < n, j, 2 * n - 1 - j)
        np.add.at(m, (i, j), np.tile(g, n))
    return m


def spatial(picture, kernels):
    h, w = picture.shape[:2]
    my, mx = filter_matrix(h, kernels), filter_matrix(w, kernels)
    c = picture.shape[2]
    rows = (my @ picture.reshape(h, w * c)).reshape(h, w, c)
    return np.matmul(mx, rows)


def blur(picture):
    # Standard deviation 1 pixel: exp(-x^2 / 2) is a spread of sqrt(2).
    return spatial(picture, [(1.0, np.sqrt(2.0))])


def blur_measures(source, result):
    srgb = np.linalg.norm(oklab(to_linear(blur(source))) - oklab(to_linear(blur(result))), axis=2).mean()
    lin = np.linalg.norm(oklab(blur(to_linear(source))) - oklab(blur(to_linear(result))), axis=2).mean()
    return srgb, lin


# S-CIELAB: XYZ to the opponent channels, each filtered by its sum of Gaussians
# (weights, spreads in degrees), back to XYZ and to CIELAB.
SRGB_TO_XYZ = np.array([[0.4124, 0.3576, 0.1805], [0.2126, 0.7152, 0.0722], [0.0193, 0.1192, 0.9505]])
XYZ_TO_OPP = np.array([[0.279, 0.72, -0.107], [-0.449, 0.29, -0.077], [0.086, -0.59, 0.501]])
OPP_FILTERS = [
    [(1.00327, 0.05), (0.114416, 0.225), (-0.117686, 7.0)],
    [(0.616725, 0.0685), (0.383275, 0.826)],
    [(0.567885, 0.0920), (0.432115, 0.6451)],
]
PIXELS_PER_DEGREE = 20


def cielab(xyz):
    white = SRGB_TO_XYZ.sum(axis=1)
    t = xyz / white
    f = np.where(t > (6 / 29) ** 3, np.cbrt(np.clip(t, 0, None)), t / (3 * (6 / 29) ** 2) + 4 / 29)
    return np.stack([116 * f[..., 1] - 16, 500 * (f[..., 0] - f[..., 1]), 200 * (f[..., 1] - f[..., 2])], axis=2)


def s_cielab_view(srgb):
    opp = to_linear(srgb) @ SRGB_TO_XYZ.T @ XYZ_TO_OPP.T
    filtered = np.stack([spatial(opp[..., c:c + 1], [(w, s * PIXELS_PER_DEGREE) for w, s in OPP_FILTERS[c]])[..., 0]
                         for c in range(3)], axis=2)
    return cielab(filtered @ np.linalg.inv(XYZ_TO_OPP).T)


def s_cielab(source, result):
    return np.linalg.norm(s_cielab_view(source) - s_cielab_view(result), axis=2).mean()


def measures(source_path, result_path, grey_source=False):
    source, result = load(source_path), load(result_path)
    if source.shape != result.shape:
        raise SystemExit(f"{source_path} and {result_path} differ in size")
    if grey_source:
        source = grey(source)
    return (*blur_measures(source, result), s_cielab(source, result))


def reference(source_path, out_path, two_colour=False, jitter=None):
    """Serpentine Floyd-Steinberg in linear light, the nearest colour in linear light.
    With a seed in `jitter`, each value first moves by less than half a step of 1/65535
    (picfit's precision), in a way the seed decides: an unseen change."""
    lin = to_linear(load(source_path))
    if jitter is not None:
        lin = lin + np.random.default_rng(jitter).uniform(-0.5, 0.5, lin.shape) / 65535
    if two_colour:
        lin = np.repeat((lin @ np.array([0.2126, 0.7152, 0.0722]))[..., None], 3, axis=2)
    palette = to_linear(np.array(TWO if two_colour else COLOURS, dtype=np.float64) / 255.0)
    h, w = lin.shape[:2]
    work = lin.copy()
    out = np.zeros((h, w), dtype=np.uint8)
    for y in range(h):
        step = 1 if y % 2 == 0 else -1
        for x in range(0, w) if step == 1 else range(w - 1, -1, -1):
            v = work[y, x]
            k = int(np.argmin(((palette - v) ** 2).sum(axis=1)))
            out[y, x] = k
            e = v - palette[k]
            if 0 <= x + step < w:
                work[y, x + step] += e * 7 / 16
            if y + 1 < h:
                if 0 <= x - step < w:
                    work[y + 1, x - step] += e * 3 / 16
                work[y + 1, x] += e * 5 / 16
                if 0 <= x + step < w:
                    work[y + 1, x + step] += e * 1 / 16
    colours = np.array(TWO if two_colour else COLOURS, dtype=np.uint8)
    Image.fromarray(colours[out]).save(out_path)


def pillow_fs(source_path, out_path, two_colour):
    colours = TWO if two_colour else COLOURS
    pal = Image.new("P", (1, 1))
    flat = [c for rgb in colours for c in rgb]
    pal.putpalette(flat + flat[:3] * (256 - len(colours)))
    src = Image.open(source_path).convert("RGB")
    if two_colour:
        src = Image.fromarray((grey(load(source_path)) * 255 + 0.5).astype(np.uint8))
    src.quantize(palette=pal, dither=Image.Dither.FLOYDSTEINBERG).convert("RGB").save(out_path)


def table(picfit, pictures):
    work = tempfile.mkdtemp()
    palettes = {}
    for mode, colours in (("colour", COLOURS), ("two-colour", TWO)):
        palettes[mode] = os.path.join(work, f"palette-{mode}.png")
        Image.fromarray(np.array([colours], dtype=np.uint8)).save(palettes[mode])
    labels = [f"`{d}`" for d in DITHERS] + ["linear-light Floyd-Steinberg", "ImageMagick remap", "Pillow quantize"]
    print("| picture | measure | " + " | ".join(labels) + " |")
    print("|---|---|" + "---:|" * len(labels))
    for picture in pictures:
        name = os.path.splitext(os.path.basename(picture))[0]
        for mode in ("colour", "two-colour"):
            two = mode == "two-colour"
            rows = []
            for d in DITHERS:
                out = os.path.join(work, f"{name}-{mode}-{d}.png")
                subprocess.run([picfit, "--quiet", "--no-dump", f"--dither={d}", *(["-b"] if two else []),
                                picture, os.path.join(work, "o.tav"), f"--preview={out}"], check=True)
                rows.append(out)
            out = os.path.join(work, f"{name}-{mode}-reference.png")
            reference(picture, out, two)
            rows.append(out)
            out = os.path.join(work, f"{name}-{mode}-imagemagick.png")
            src = picture
            if two:
                src = os.path.join(work, "grey.png")
                Image.fromarray((grey(load(picture)) * 255 + 0.5).astype(np.uint8)).save(src)
            subprocess.run(["convert", src, "-dither", "FloydSteinberg", "-remap", palettes[mode], out], check=True)
            rows.append(out)
            out = os.path.join(work, f"{name}-{mode}-pillow.png")
            pillow_fs(picture, out, two)
            rows.append(out)
            m = [measures(picture, path, two) for path in rows]
            for k, (measure, form) in enumerate((("blur sRGB", "{:.4f}"), ("blur linear", "{:.4f}"),
                                                 ("S-CIELAB", "{:.2f}"))):
                cells = " | ".join(form.format(row[k]) for row in m)
                print(f"| {name}{' `-b`' if two else ''} | {measure} | {cells} |", flush=True)
    print(f"(results kept in {work})", file=sys.stderr)


def spread(picfit, pictures, seeds=8):
    """picfit's Floyd-Steinberg beside the range of the yardstick's measures over `seeds`
    unseen changes of its source: error diffusion is chaotic, so a change of one part in
    65535 moves every measure, and a difference within that range is rounding."""
    work = tempfile.mkdtemp()
    print("| picture | measure | picfit | yardstick, lowest | yardstick, highest | yardstick, mean |")
    print("|---|---|---:|---:|---:|---:|")
    for picture in pictures:
        name = os.path.splitext(os.path.basename(picture))[0]
        for two in (False, True):
            out = os.path.join(work, f"{name}-{two}-picfit.png")
            subprocess.run([picfit, "--quiet", "--no-dump", "--dither=floyd-steinberg", *(["-b"] if two else []),
                            picture, os.path.join(work, "o.tav"), f"--preview={out}"], check=True)
            ours = measures(picture, out, two)
            theirs = []
            for seed in range(seeds):
                out = os.path.join(work, f"{name}-{two}-{seed}.png")
                reference(picture, out, two, jitter=seed)
                theirs.append(measures(picture, out, two))
            theirs = np.array(theirs)
            for k, (measure, form) in enumerate((("blur sRGB", "{:.4f}"), ("blur linear", "{:.4f}"),
                                                 ("S-CIELAB", "{:.2f}"))):
                cells = [ours[k], theirs[:, k].min(), theirs[:, k].max(), theirs[:, k].mean()]
                print(f"| {name}{' `-b`' if two else ''} | {measure} | " +
                      " | ".join(form.format(c) for c in cells) + " |", flush=True)


def main(argv):
    if len(argv) >= 3 and argv[0] == "measure":
        m = measures(argv[1], argv[2], "--grey" in argv[3:])
        print(f"{m[0]:.4f} {m[1]:.4f} {m[2]:.2f}")
    elif len(argv) >= 3 and argv[0] == "reference":
        reference(argv[1], argv[2], "--two-colour" in argv[3:])
    elif len(argv) >= 3 and argv[0] == "table":
        table(argv[1], argv[2:])
    elif len(argv) >= 3 and argv[0] == "spread":
        spread(argv[1], argv[2:])
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
