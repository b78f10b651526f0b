#!/usr/bin/python3
"""Writes the BMP test corpus into OUTDIR: files of every kind made by ImageMagick and Pillow
(and a few rewritten from them), each NAME.bmp with NAME.rgb holding Pillow's decoding of it
as bottom-up RGB rows, listed in manifest.txt as "NAME WIDTH HEIGHT TOLERANCE".

Usage: bmp_corpus.py OUTDIR"""
import os
import shutil
import struct
import subprocess
import sys

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "generators"))
from bmp_writer import bmp_file, info_header, pad_row, rle4_row

CONVERT = next(p for p in ("/usr/bin/convert-im6.q16", "/usr/bin/convert") if os.path.exists(p))


def base_image(width, height):
    """A picture with flat patches (runs for run-length files) and gradients."""
    image = Image.new("RGB", (width, height))
    for y in range(height):
        for x in range(width):
            if (x // 6 + y // 4) % 3 == 0:
                image.putpixel((x, y), (200, 40, 90))
            else:
                image.putpixel((x, y), ((x * 7) % 256, (y * 23) % 256, (x * y * 5) % 256))
    return image


def expected_rgb(path):
    with Image.open(path) as image:
        return image.convert("RGB").transpose(Image.Transpose.FLIP_TOP_BOTTOM).tobytes()


class Corpus:
    def __init__(self, outdir):
        self.outdir = outdir
        self.entries = []

    def path(self, name):
        return os.path.join(self.outdir, name + ".bmp")

    def add(self, name, tolerance=0, expected_from=None):
        """Records NAME.bmp with Pillow's decoding of it (or of `expected_from`)."""
        with Image.open(expected_from or self.path(name)) as image:
            width, height = image.size
        with open(os.path.join(self.outdir, name + ".rgb"), "wb") as out:
            out.write(expected_rgb(expected_from or self.path(name)))
        self.entries.append(f"{name} {width} {height} {tolerance}")

    def magick(self, name, source, form, *options):
        """ImageMagick's writer; form BMP3 gives the 40-byte header, BMP2 the 12-byte one."""
        subprocess.run([CONVERT, source, *options, form + ":" + self.path(name)], check=True)
        self.add(name)

    def write(self, name, data, tolerance=0, expected_from=None):
        with open(self.path(name), "wb") as out:
            out.write(data)
        self.add(name, tolerance, expected_from)

    def read(self, name):
        with open(self.path(name), "rb") as source:
            return source.read()

    def finish(self):
        with open(os.path.join(self.outdir, "manifest.txt"), "w") as manifest:
            manifest.write("\n".join(self.entries) + "\n")


def split_info_file(data):
    """Header fields, colour table and stored rows of an info-form file from a real tool."""
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits, _, _, _, _, colors, _ = struct.unpack_from("<iiHHIIiiII", data, 18)
    colors = colors or (1 << bits if bits <= 8 else 0)
    table = data[54:54 + 4 * colors]
    row_size = (width * bits + 31) // 32 * 4
    rows = [data[offset + i * row_size:offset + (i + 1) * row_size] for i in range(abs(height))]
    return width, height, bits, table, rows


def rgb_rows(image, pack):
    """Bottom-up stored rows of `image`, each pixel packed by pack(r, g, b)."""
    width, height = image.size
    pixels = image.load()
    return [pad_row(b"".join(pack(*pixels[x, y]) for x in range(width))) for y in reversed(range(height))]


def make_magick_files(corpus, source, small):
    for name, options in [
        ("im_1bit", ["-type", "palette", "-colors", "2"]),
        ("im_4bit", ["+dither", "-colors", "16", "-compress", "none"]),
        ("im_8bit", ["+dither", "-colors", "200", "-compress", "none"]),
        ("im_rle8", ["+dither", "-colors", "200", "-compress", "RLE"]),
        ("im_24bit", ["-type", "truecolor"]),
        ("im_32bit", ["-alpha", "set", "-define", "bmp3:alpha=true"]),
    ]:
        corpus.magick(name, source, "BMP3", *options)
    corpus.magick("im_24bit_w6", small, "BMP3", "-type", "truecolor")
    for name, options in [
        ("core_1bit", ["-type", "palette", "-colors", "2"]),
        ("core_4bit", ["+dither", "-colors", "16"]),
        ("core_8bit", ["+dither", "-colors", "200"]),
        ("core_24bit", ["-type", "truecolor"]),
    ]:
        corpus.magick(name, source, "BMP2", *options)


def make_pillow_files(corpus, image):
    for name, converted in [
        ("pil_1bit", image.convert("1")),
        ("pil_8bit_gray", image.convert("L")),
        ("pil_8bit_palette", image.quantize(37)),
        ("pil_24bit", image),
        ("pil_32bit", image.convert("RGBA")),
    ]:
        converted.save(corpus.path(name))
        corpus.add(name)


def make_rewritten_files(corpus, image):
    width, height, bits, table, rows = split_info_file(corpus.read("im_8bit"))
    used = max(max(row[:width]) for row in rows) + 1
    short = info_header(width, height, 8, colors=used) + table[:4 * used]
    corpus.write("short_table_8bit", bmp_file(short, b"".join(rows), gap=b"\xAB" * 6))
    corpus.write("topdown_8bit", bmp_file(info_header(width, -height, 8) + table, b"".join(reversed(rows))))

    width, height, bits, table, rows = split_info_file(corpus.read("im_24bit"))
    corpus.write("topdown_24bit", bmp_file(info_header(width, -height, 24), b"".join(reversed(rows))))

    width, height, bits, table, rows = split_info_file(corpus.read("im_4bit"))
    indices = [[row[x // 2] >> (4 - 4 * (x % 2)) & 15 for x in range(width)] for row in rows]
    stream = b"".join(rle4_row(row) for row in indices) + b"\0\1"
    corpus.write("rle4", bmp_file(info_header(width, height, 4, 2, len(stream)) + table, stream))

    corpus.write("bare_8bit", corpus.read("im_8bit")[14:], expected_from=corpus.path("im_8bit"))
    corpus.write("bare_core_4bit", corpus.read("core_4bit")[14:], expected_from=corpus.path("core_4bit"))

    def rgb555(r, g, b):
        return struct.pack("<H", (r >> 3) << 10 | (g >> 3) << 5 | b >> 3)

    def rgb565(r, g, b):
        return struct.pack("<H", (r >> 3) << 11 | (g >> 2) << 5 | b >> 3)

    # Tolerance 1: Pillow widens a 5-bit channel v to v * 255 // 31, the loader repeats its
    # bits as Windows does, (v << 3) | (v >> 2); the two differ by at most one.
    width, height = image.size
    corpus.write("rgb555", bmp_file(info_header(width, height, 16), b"".join(rgb_rows(image, rgb555))), 1)
    masks565 = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
    corpus.write("bitfields565",
                 bmp_file(info_header(width, height, 16, 3) + masks565, b"".join(rgb_rows(image, rgb565))), 1)
    masks888 = struct.pack("<III", 0xFF0000, 0xFF00, 0xFF)
    bgrx = b"".join(rgb_rows(image, lambda r, g, b: bytes([b, g, r, 0x5A])))
    corpus.write("bitfields32", bmp_file(info_header(width, height, 32, 3) + masks888, bgrx))


def main():
    outdir = sys.argv[1]
    shutil.rmtree(outdir, ignore_errors=True)
    os.makedirs(outdir)
    corpus = Corpus(outdir)
    image = base_image(37, 11)
    source = os.path.join(outdir, "source.png")
    small = os.path.join(outdir, "small.png")
    image.save(source)
    base_image(6, 5).save(small)
    make_magick_files(corpus, source, small)
    make_pillow_files(corpus, image)
    make_rewritten_files(corpus, image)
    corpus.finish()


if __name__ == "__main__":
    main()
