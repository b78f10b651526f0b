"""BMP files built byte by byte, for the texture generator and the BMP test corpus: the 40-byte
info header, the 14-byte file header, colour tables, padded rows and run-length encoded rows."""
import struct


def info_header(width, height, bits, compression=0, image_size=0, colors=0):
    """The 40-byte info header, at 2835 pixels per metre; a negative height stores rows top-down."""
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, image_size, 2835, 2835,
                       colors, 0)


def bmp_file(headers, pixels, gap=b""):
    """A whole file: the "BM" file header, then `headers` (image header, masks, colour table), a
    `gap` of bytes the pixel offset skips, and the pixels."""
    offset = 14 + len(headers) + len(gap)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + headers + gap + pixels


def color_table(palette):
    """Four-byte colour-table entries (blue, green, red, 0) of RGB triples."""
    return b"".join(bytes((b, g, r, 0)) for r, g, b in palette)


def pad_row(row):
    """A stored row, padded to a multiple of four bytes."""
    return row + b"\0" * (-len(row) % 4)


def rle8_row(row):
    """One row in BI_RLE8, with its end-of-line code: runs of 3 or more equal bytes as (count,
    value) pairs, everything else in absolute blocks (0, count, bytes..., pad to even); blocks
    shorter than 3 become short runs."""
    out = bytearray()
    literal = bytearray()

    def flush_literal():
        while literal:
            chunk = literal[:255]
            del literal[:255]
            if len(chunk) < 3:
                for value in chunk:
                    out.extend((1, value))
            else:
                out.extend((0, len(chunk)))
                out.extend(chunk)
                if len(chunk) % 2:
                    out.append(0)

    i = 0
    n = len(row)
    while i < n:
        run = 1
        while i + run < n and run < 255 and row[i + run] == row[i]:
            run += 1
        if run >= 3:
            flush_literal()
            out.extend((run, row[i]))
        else:
            literal.extend(row[i:i + run])
        i += run
    flush_literal()
    return bytes(out) + b"\0\0"


def rle4_row(indices):
    """One row of 4-bit indices in BI_RLE4, with its end-of-line code: runs of equal pairs,
    literals of even length."""
    out, i = bytearray(), 0
    while i < len(indices):
        run = 1
        while i + run < len(indices) and run < 255 and indices[i + run] == indices[i]:
            run += 1
        literal = min(len(indices) - i, 8) & ~1
        if run >= 3 or literal < 4:
            out += bytes([run, indices[i] << 4 | indices[i]])
            i += run
        else:
            chunk = indices[i:i + literal]
            packed = bytes(chunk[k] << 4 | chunk[k + 1] for k in range(0, literal, 2))
            out += bytes([0, literal]) + packed + b"\0" * (len(packed) & 1)
            i += literal
    return bytes(out) + b"\0\0"
