#!/usr/bin/python3
"""Draws the nine city textures (road, wall, sky, grass, five facades) and writes them as BMP files.

Usage: generators/make_textures.py [output-dir]   (default: media/ in the repository)

Every picture is procedural and seeded, so a remake gives the same bytes. The files are stored in
three depths on purpose, so the demo exercises its BMP loader on each: 24-bit, 8-bit palettised,
and 8-bit run-length encoded. The uncompressed 8-bit files carry a 128-entry palette (colours-used
128, not the full table), the run-length files a 256-entry one; every RLE8 row ends with an
end-of-line code and the picture with end-of-bitmap. All headers are the 40-byte info form and rows
are stored bottom-up. Each file is read back with Pillow and compared with what was meant.
"""
import os
import struct
import sys

import numpy as np
from PIL import Image

from bmp_writer import bmp_file, color_table, info_header, pad_row, rle8_row

# ---------------------------------------------------------------------------------------------
# BMP encoding: 40-byte info header, bottom-up rows padded to 4 bytes (bmp_writer beside this).


def encode_bmp24(rgb):
    height, width, _ = rgb.shape
    rows = [pad_row(rgb[y, :, ::-1].tobytes()) for y in range(height - 1, -1, -1)]
    data = b"".join(rows)
    return bmp_file(info_header(width, height, 24, 0, len(data)), data)


def encode_bmp8(indices, palette):
    height, width = indices.shape
    rows = [pad_row(indices[y].tobytes()) for y in range(height - 1, -1, -1)]
    data = b"".join(rows)
    return bmp_file(info_header(width, height, 8, 0, len(data), len(palette)) + color_table(palette), data)


def encode_bmp8_rle(indices, palette):
    height, width = indices.shape
    rows = [rle8_row(indices[y].tobytes()) for y in range(height - 1, -1, -1)]
    data = b"".join(rows) + b"\0\1"
    return bmp_file(info_header(width, height, 8, 1, len(data), len(palette)) + color_table(palette), data)


def quantise(rgb, colours):
    """Palettised copy of an RGB picture: (indices, palette as a list of RGB triples)."""
    image = Image.fromarray(rgb).quantize(colors=colours, method=Image.Quantize.MEDIANCUT,
                                          dither=Image.Dither.NONE)
    used = image.getcolors()
    count = max(index for _, index in used) + 1
    flat = image.getpalette()[:3 * count]
    return np.asarray(image, dtype=np.uint8), [tuple(flat[i:i + 3]) for i in range(0, len(flat), 3)]


def write_checked(path, encoded, expected_rgb, bits, compression):
    with open(path, "wb") as out:
        out.write(encoded)
    with Image.open(path) as image:
        if image.info.get("compression", 0) != compression or image.size[::-1] != expected_rgb.shape[:2]:
            sys.exit(f"make_textures: {path} does not read back with the intended header")
        decoded = np.asarray(image.convert("RGB"))
    if not np.array_equal(decoded, expected_rgb):
        sys.exit(f"make_textures: {path} does not decode to the picture that was written")
    header_size, = struct.unpack_from("<I", encoded, 14)
    stored_bits, = struct.unpack_from("<H", encoded, 28)
    if header_size != 40 or stored_bits != bits:
        sys.exit(f"make_textures: {path} has a {header_size}-byte header at {stored_bits} bits")


def save(path, picture, storage):
    """Stores a float RGB picture (rows top first, values 0..1) as '24', '8' or 'rle8'."""
    rgb = np.clip(np.rint(picture * 255.0), 0, 255).astype(np.uint8)
    if storage == "24":
        write_checked(path, encode_bmp24(rgb), rgb, 24, 0)
        return
    # A short palette on the uncompressed files exercises the loader's colours-used field.
    indices, palette = quantise(rgb, 256 if storage == "rle8" else 128)
    meant = np.asarray(palette, dtype=np.uint8)[indices]
    if storage == "8":
        write_checked(path, encode_bmp8(indices, palette), meant, 8, 0)
    elif storage == "rle8":
        write_checked(path, encode_bmp8_rle(indices, palette), meant, 8, 1)
    else:
        raise ValueError(storage)


# ---------------------------------------------------------------------------------------------
# Noise and drawing helpers. Pictures are float arrays (height, width, 3), row 0 at the top.


def value_noise(height, width, cells_y, cells_x, rng):
    """Smooth noise that wraps at both edges (the lattice is periodic), values 0..1."""
    lattice = rng.random((cells_y, cells_x))
    y = np.arange(height) * cells_y / height
    x = np.arange(width) * cells_x / width
    y0 = np.floor(y).astype(int)
    x0 = np.floor(x).astype(int)
    fy = y - y0
    fx = x - x0
    fy = fy * fy * (3 - 2 * fy)
    fx = fx * fx * (3 - 2 * fx)
    y1 = (y0 + 1) % cells_y
    x1 = (x0 + 1) % cells_x
    top = lattice[y0][:, x0] * (1 - fx) + lattice[y0][:, x1] * fx
    bottom = lattice[y1][:, x0] * (1 - fx) + lattice[y1][:, x1] * fx
    return top * (1 - fy)[:, None] + bottom * fy[:, None]


def fbm(height, width, cells, octaves, rng, gain=0.5):
    """Fractal sum of wrapping value noise; `cells` is the coarsest lattice (y, x). Values ~0..1."""
    total = np.zeros((height, width))
    amplitude = 1.0
    norm = 0.0
    cy, cx = cells
    for _ in range(octaves):
        total += amplitude * value_noise(height, width, min(cy, height), min(cx, width), rng)
        norm += amplitude
        amplitude *= gain
        cy *= 2
        cx *= 2
    return total / norm


def solid(height, width, colour):
    return np.ones((height, width, 3)) * np.asarray(colour, dtype=float)


def fill(picture, x0, y0, x1, y1, colour):
    picture[max(y0, 0):max(y1, 0), max(x0, 0):max(x1, 0)] = colour


def shade(picture, amount):
    """Multiplies the picture by a per-pixel factor (height, width)."""
    picture *= amount[:, :, None]


def vertical_gradient(height, top, bottom):
    t = np.linspace(0.0, 1.0, height)[:, None]
    return np.asarray(top, dtype=float) * (1 - t) + np.asarray(bottom, dtype=float) * t


# ---------------------------------------------------------------------------------------------
# The pictures.


def road():
    """Asphalt, one lane wide: the road repeats this 20 times across and 500 times along (tiles of
    about 2.5 by 2.4 units), so a dashed white line on the tile's side edges reads as lane lines."""
    rng = np.random.default_rng(101)
    size = 256
    grain = fbm(size, size, (32, 32), 3, rng)
    stains = fbm(size, size, (4, 4), 3, rng)
    speckle = rng.random((size, size))
    level = 0.30 + 0.08 * (grain - 0.5) + 0.06 * (stains - 0.5)
    level += np.where(speckle > 0.975, 0.07, 0.0) - np.where(speckle < 0.03, 0.05, 0.0)
    picture = solid(size, size, (1.0, 1.0, 1.02)) * level[:, :, None]
    paint = np.zeros((size, size), dtype=bool)
    dash_rows = slice(size // 4, size * 3 // 4)       # half the tile length, centred in the tile
    paint[dash_rows, :7] = True
    paint[dash_rows, size - 7:] = True
    wear = fbm(size, size, (16, 16), 3, rng)
    paint_colour = np.array([0.92, 0.91, 0.86]) * (0.85 + 0.25 * wear)[:, :, None]
    picture = np.where(paint[:, :, None] & (wear[:, :, None] > 0.28), paint_colour, picture)
    return picture


def wall():
    """Ashlar stone: eight courses of blocks of varied width. The panel repeats the picture 100
    times along and 20 times up (10 by 2 units per tile), so it wraps on all four edges."""
    rng = np.random.default_rng(202)
    width, height = 512, 128
    courses = 8
    course_h = height // courses
    mortar = np.array([0.58, 0.56, 0.52])
    picture = solid(height, width, mortar)
    texture = fbm(height, width, (8, 32), 4, rng)
    for course in range(courses):
        y0 = course * course_h
        x = int(rng.integers(0, 40))
        start = x
        while x < start + width:
            block = int(rng.integers(26, 58))
            if start + width - (x + block) < 20:
                block = start + width - x
            tint = np.array([0.66, 0.62, 0.55]) * rng.uniform(0.82, 1.1) + rng.uniform(-0.01, 0.01, 3)
            for x0 in (x, x - width):          # draw wrapped copies so the tile is seamless
                fill(picture, x0 + 2, y0 + 2, x0 + block, y0 + course_h, tint)
                fill(picture, x0 + 2, y0 + 2, x0 + block, y0 + 4, tint * 1.12)
                fill(picture, x0 + 2, y0 + course_h - 2, x0 + block, y0 + course_h, tint * 0.8)
            x += block
    shade(picture, 0.86 + 0.28 * texture)
    return picture


def sky():
    """Sky for the dome. The dome is a GLU sphere whose poles lie on the horizontal Z axis and which
    is squashed to a fifth of its height, so every texel is mapped to its direction in the world,
    and the colour (blue gradient, clouds on a flat layer) is computed from that direction."""
    rng = np.random.default_rng(303)
    width, height = 1024, 512
    s = (np.arange(width) + 0.5) / width
    t = 1.0 - (np.arange(height) + 0.5) / height            # row 0 is the top of the picture
    polar = np.pi * t[:, None]                              # t = 0 at the -Z pole
    around = 2.0 * np.pi * s[None, :]                       # s = 0 and 1: straight up
    dx = -np.sin(polar) * np.sin(around)
    dy = np.sin(polar) * np.cos(around) * 0.2
    dz = -np.cos(polar) * np.ones_like(around)
    horizontal = np.sqrt(dx * dx + dz * dz)
    elevation = np.arctan2(dy, horizontal)
    up = np.clip(elevation / (np.pi / 2), 0.0, 1.0)
    zenith = np.array([0.20, 0.42, 0.80])
    horizon = np.array([0.70, 0.82, 0.94])
    blend = (1.0 - (1.0 - up) ** 3)[:, :, None]
    picture = horizon * (1 - blend) + zenith * blend
    # Clouds: a noise field on a flat layer above the viewer, seen in perspective.
    lift = np.maximum(dy / np.maximum(np.sqrt(dx * dx + dy * dy + dz * dz), 1e-6), 0.03)
    u = dx / lift * 1.1
    v = dz / lift * 1.1
    density = np.zeros_like(u)
    amplitude = 1.0
    for octave in range(5):
        density += amplitude * lattice_noise(u * 2 ** octave, v * 2 ** octave, rng)
        amplitude *= 0.5
    density /= 1.9375
    cover = np.clip((density - 0.47) * 4.0, 0.0, 1.0)
    cover *= np.clip((elevation - 0.01) / 0.08, 0.0, 1.0)   # thin out into the haze at the horizon
    body = np.clip((density - 0.47) * 2.5, 0.0, 1.0)         # thick cloud is greyer underneath
    cloud = np.array([0.98, 0.98, 1.0]) * (1.0 - 0.22 * body)[:, :, None]
    picture = picture * (1 - cover[:, :, None]) + cloud * cover[:, :, None]
    below = (elevation < 0)[:, :, None]
    return np.where(below, horizon * 0.92, picture)


def lattice_noise(u, v, rng, cells=64):
    """Smooth value noise at arbitrary coordinates, from one periodic random lattice."""
    lattice = rng.random((cells, cells))
    u0 = np.floor(u).astype(int)
    v0 = np.floor(v).astype(int)
    fu = u - u0
    fv = v - v0
    fu = fu * fu * (3 - 2 * fu)
    fv = fv * fv * (3 - 2 * fv)

    def at(a, b):
        return lattice[a % cells, b % cells]
    return ((at(u0, v0) * (1 - fu) + at(u0 + 1, v0) * fu) * (1 - fv)
            + (at(u0, v0 + 1) * (1 - fu) + at(u0 + 1, v0 + 1) * fu) * fv)


def grass():
    """Lawn, one tile per square unit (repeated 1000 times each way): soft green noise with short
    blades, wrapping on all edges, low in contrast so the distant lawn does not glitter."""
    rng = np.random.default_rng(404)
    size = 256
    base = fbm(size, size, (8, 8), 5, rng)
    patches = fbm(size, size, (2, 2), 2, rng)
    picture = solid(size, size, (0.30, 0.50, 0.18))
    picture *= (0.8 + 0.35 * base)[:, :, None]
    picture += np.array([0.06, 0.02, -0.02]) * (patches - 0.5)[:, :, None] * 2
    blades = np.zeros((size, size))
    for _ in range(2600):
        x = int(rng.integers(0, size))
        y = int(rng.integers(0, size))
        length = int(rng.integers(4, 11))
        lean = rng.uniform(-0.5, 0.5)
        strength = rng.uniform(-0.12, 0.14)
        for step in range(length):
            blades[(y - step) % size, int(round(x + lean * step)) % size] += strength
    return picture * (1.0 + blades)[:, :, None]


def glass_pane(height, width, rng, top=(0.55, 0.66, 0.78), bottom=(0.16, 0.22, 0.32)):
    """A window pane with a reflection of the sky: light at the top, dark below, a little variation."""
    pane = vertical_gradient(height, top, bottom)[:, None, :] * np.ones((1, width, 1))
    return pane * rng.uniform(0.85, 1.1)


def place(picture, x0, y0, patch):
    h, w, _ = patch.shape
    picture[y0:y0 + h, x0:x0 + w] = patch


def framed_window(picture, x0, y0, width, height, frame, rng, frame_width=3, mullion=True):
    fill(picture, x0, y0, x0 + width, y0 + height, frame)
    inner_w = width - 2 * frame_width
    inner_h = height - 2 * frame_width
    place(picture, x0 + frame_width, y0 + frame_width, glass_pane(inner_h, inner_w, rng))
    if mullion:
        mid_x = x0 + width // 2
        fill(picture, mid_x - 1, y0, mid_x + 1, y0 + height, frame)
        mid_y = y0 + height * 2 // 5
        fill(picture, x0, mid_y - 1, x0 + width, mid_y + 1, frame)


def brick_wall(height, width, rng, colour):
    picture = solid(height, width, (0.70, 0.66, 0.60))
    brick_h, brick_w = 6, 16
    for row in range(height // brick_h + 1):
        offset = (row % 2) * brick_w // 2
        for column in range(-1, width // brick_w + 1):
            x0 = column * brick_w + offset
            tint = np.asarray(colour) * rng.uniform(0.85, 1.12)
            fill(picture, x0 + 1, row * brick_h + 1, x0 + brick_w, row * brick_h + brick_h, tint)
    return picture


def facade_brick():
    """build1: red brick, four bays of white-framed windows with stone sills, shop fronts below."""
    rng = np.random.default_rng(501)
    width, height = 256, 512
    picture = brick_wall(height, width, rng, (0.56, 0.25, 0.17))
    shade(picture, 0.9 + 0.2 * fbm(height, width, (4, 4), 3, rng))
    stone = np.array([0.86, 0.82, 0.72])
    fill(picture, 0, 0, width, 20, stone)                          # cornice
    fill(picture, 0, 20, width, 26, stone * 0.7)
    floors, floor_h, top = 10, 40, 34
    for floor in range(floors):
        y = top + floor * floor_h
        for bay in range(4):
            x = bay * 64 + 16
            fill(picture, x - 3, y - 4, x + 35, y, stone * 0.95)    # lintel
            framed_window(picture, x, y, 32, 28, (0.93, 0.93, 0.90), rng)
            fill(picture, x - 3, y + 28, x + 35, y + 32, stone)      # sill
    ground = top + floors * floor_h + 6
    fill(picture, 0, ground - 6, width, ground, stone)
    fill(picture, 0, ground, width, ground + 10, (0.15, 0.32, 0.22))  # awning band
    for bay in range(4):
        x = bay * 64 + 6
        if bay == 1:
            fill(picture, x + 14, ground + 14, x + 38, height, (0.30, 0.18, 0.10))  # door
            fill(picture, x + 16, ground + 16, x + 36, ground + 40, (0.24, 0.34, 0.44))
        else:
            framed_window(picture, x, ground + 14, 52, height - ground - 22, (0.12, 0.12, 0.12),
                          rng, frame_width=2, mullion=False)
    fill(picture, 0, height - 8, width, height, stone * 0.8)
    return picture


def facade_glass():
    """build2: a blue glass curtain wall, slim mullions and dark spandrels, a tall lobby below."""
    rng = np.random.default_rng(502)
    width, height = 256, 512
    picture = solid(height, width, (0.18, 0.30, 0.40))
    sheen = vertical_gradient(height, (0.45, 0.62, 0.75), (0.14, 0.26, 0.38))
    top, floor_h, floors = 24, 19, 22
    fill(picture, 0, 0, width, top, (0.30, 0.32, 0.35))
    for floor in range(floors):
        y = top + floor * floor_h
        for bay in range(8):
            x = bay * 32
            tone = rng.uniform(0.88, 1.08)
            picture[y:y + floor_h - 5, x:x + 32] = sheen[y:y + floor_h - 5, None, :] * tone
            fill(picture, x, y + floor_h - 5, x + 32, y + floor_h, (0.12, 0.20, 0.26))
        fill(picture, 0, y + floor_h - 1, width, y + floor_h, (0.70, 0.74, 0.78))
    for bay in range(8):
        fill(picture, bay * 32, top, bay * 32 + 2, height, (0.72, 0.76, 0.80))
    lobby = top + floors * floor_h
    fill(picture, 0, lobby, width, lobby + 6, (0.72, 0.76, 0.80))
    for bay in range(4):
        x = bay * 64
        place(picture, x + 3, lobby + 8, glass_pane(height - lobby - 12, 58, rng,
                                                    top=(0.70, 0.78, 0.82), bottom=(0.35, 0.42, 0.46)))
    fill(picture, 0, height - 4, width, height, (0.30, 0.32, 0.35))
    return picture


def facade_ribbon():
    """build3: pale concrete with continuous ribbon windows on every floor."""
    rng = np.random.default_rng(503)
    width, height = 256, 512
    concrete = np.array([0.80, 0.76, 0.68])
    picture = solid(height, width, concrete)
    shade(picture, 0.92 + 0.12 * fbm(height, width, (8, 8), 3, rng))
    top, floor_h, floors = 28, 34, 13
    fill(picture, 0, 0, width, top - 6, concrete * 0.75)
    for floor in range(floors):
        y = top + floor * floor_h
        fill(picture, 0, y, width, y + 18, (0.10, 0.13, 0.17))
        for pane in range(8):
            x = pane * 32 + 2
            blind = rng.random() < 0.35
            depth = int(rng.integers(4, 14)) if blind else 0
            place(picture, x, y + 2, glass_pane(14, 28, rng, top=(0.45, 0.52, 0.58),
                                                 bottom=(0.18, 0.22, 0.28)))
            if blind:
                fill(picture, x, y + 2, x + 28, y + 2 + depth, (0.86, 0.84, 0.76))
        fill(picture, 0, y + 18, width, y + 20, concrete * 0.6)
    ground = top + floors * floor_h
    fill(picture, 0, ground, width, height, concrete * 0.62)
    for bay in range(4):
        x = bay * 64 + 8
        place(picture, x, ground + 10, glass_pane(height - ground - 14, 48, rng))
    return picture


def facade_shutters():
    """build4: white stucco, windows with green shutters, balconies with railings on every other floor."""
    rng = np.random.default_rng(504)
    width, height = 256, 512
    stucco = np.array([0.93, 0.90, 0.82])
    picture = solid(height, width, stucco)
    shade(picture, 0.93 + 0.1 * fbm(height, width, (8, 8), 4, rng))
    fill(picture, 0, 0, width, 14, (0.68, 0.30, 0.20))                # tiled eaves
    fill(picture, 0, 14, width, 18, (0.45, 0.20, 0.14))
    top, floor_h, floors = 30, 44, 10
    shutter = np.array([0.20, 0.45, 0.30])
    for floor in range(floors):
        y = top + floor * floor_h
        for bay in range(4):
            x = bay * 64 + 20
            fill(picture, x, y, x + 24, y + 32, (0.10, 0.10, 0.12))
            place(picture, x + 2, y + 2, glass_pane(30, 20, rng, top=(0.40, 0.46, 0.50),
                                                     bottom=(0.12, 0.14, 0.18)))
            tone = shutter * rng.uniform(0.85, 1.1)
            fill(picture, x - 11, y, x - 1, y + 32, tone)
            fill(picture, x + 25, y, x + 35, y + 32, tone)
            for slat in range(y + 3, y + 32, 4):
                fill(picture, x - 11, slat, x - 1, slat + 1, tone * 0.7)
                fill(picture, x + 25, slat, x + 35, slat + 1, tone * 0.7)
            if floor % 2 == 1:
                fill(picture, x - 12, y + 32, x + 36, y + 35, (0.55, 0.53, 0.50))   # slab
                fill(picture, x - 12, y + 20, x + 36, y + 21, (0.08, 0.08, 0.08))   # rail
                for post in range(x - 12, x + 37, 4):
                    fill(picture, post, y + 20, post + 1, y + 32, (0.08, 0.08, 0.08))
    ground = top + floors * floor_h
    fill(picture, 0, ground, width, height, stucco * 0.85)
    for bay in range(4):
        x = bay * 64 + 16
        fill(picture, x, ground + 8, x + 32, height, (0.36, 0.22, 0.12))
        fill(picture, x + 15, ground + 8, x + 17, height, (0.26, 0.15, 0.08))
    return picture


def facade_arches():
    """build5: sandstone with arched windows between pilasters, rusticated ground floor, deep cornice."""
    rng = np.random.default_rng(505)
    width, height = 256, 512
    sand = np.array([0.84, 0.70, 0.48])
    picture = solid(height, width, sand)
    shade(picture, 0.94 + 0.1 * fbm(height, width, (8, 8), 3, rng))
    fill(picture, 0, 0, width, 26, sand * 1.08)                       # cornice
    fill(picture, 0, 26, width, 32, sand * 0.62)
    for dentil in range(0, width, 8):
        fill(picture, dentil, 32, dentil + 5, 38, sand * 1.05)
    top, floor_h, floors = 48, 46, 8
    yy, xx = np.mgrid[0:36, 0:26]
    for floor in range(floors):
        y = top + floor * floor_h
        fill(picture, 0, y + 40, width, y + 44, sand * 1.1)          # string course
        for bay in range(4):
            x = bay * 64 + 19
            pane = glass_pane(36, 26, rng, top=(0.42, 0.48, 0.56), bottom=(0.12, 0.14, 0.20))
            arch = (yy >= 13) | ((xx - 12.5) ** 2 + (yy - 13) ** 2 <= 13 ** 2)
            trim = (yy >= 11) | ((xx - 12.5) ** 2 + (yy - 13) ** 2 <= 15 ** 2)
            region = picture[y + 2:y + 38, x:x + 26]
            region[trim & ~arch] = sand * 1.18
            region[arch] = pane[arch]
            fill(picture, x + 12, y + 16, x + 14, y + 38, (0.90, 0.88, 0.82))
        for pilaster in range(4):
            x = pilaster * 64 - 4
            fill(picture, x, y, x + 8, y + 40, sand * 0.9)
            fill(picture, x + 64 * 4, y, x + 64 * 4 + 8, y + 40, sand * 0.9)  # wrapped half
    ground = top + floors * floor_h
    fill(picture, 0, ground, width, height, sand * 0.85)
    for groove in range(ground + 10, height, 12):
        fill(picture, 0, groove, width, groove + 2, sand * 0.6)
    for bay in range(4):
        x = bay * 64 + 16
        fill(picture, x, ground + 14, x + 32, height, (0.20, 0.16, 0.12))
        place(picture, x + 3, ground + 17, glass_pane(height - ground - 20, 26, rng))
    return picture


TEXTURES = [
    ("road.bmp", road, "8"),
    ("wall.bmp", wall, "24"),
    ("sky.bmp", sky, "24"),
    ("grass.bmp", grass, "8"),
    ("build1.bmp", facade_brick, "24"),
    ("build2.bmp", facade_glass, "rle8"),
    ("build3.bmp", facade_ribbon, "rle8"),
    ("build4.bmp", facade_shutters, "8"),
    ("build5.bmp", facade_arches, "rle8"),
]


def main():
    media = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "media")
    root = sys.argv[1] if len(sys.argv) > 1 else media
    for name, draw, storage in TEXTURES:
        picture = np.clip(draw(), 0.0, 1.0)
        height, width, _ = picture.shape
        if width & (width - 1) or height & (height - 1):
            sys.exit(f"make_textures: {name} is {width}x{height}, not a power of two")
        path = os.path.join(root, name)
        save(path, picture, storage)
        print(f"{name}: {width}x{height}, {storage}, {os.path.getsize(path)} bytes")


if __name__ == "__main__":
    main()
