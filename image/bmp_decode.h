// Internal stages of the BMP loader: header parsing, colour table, row decoders, run-length
// decoding. Everything works on the file's bytes in memory and reports failure by returning
// a message (without "Error: " and without a newline); the public entries print it.
#ifndef IMAGE_BMP_DECODE_H
#define IMAGE_BMP_DECODE_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "image/bmp.h"

// The BMP compression codes the loader accepts.
enum BmpCompression : uint32_t {
  BMP_UNCOMPRESSED = 0,
  BMP_RLE8 = 1,
  BMP_RLE4 = 2,
  BMP_BITFIELDS = 3,
};

// What the headers say, already checked against the file: every pointer and size lies
// inside the file's bytes.
struct BmpLayout {
  int32_t width;                      // pixels per row, > 0
  int32_t height;                     // rows, > 0 (a top-down file's height made positive)
  bool topDown;                       // first stored row is the picture's top row
  uint16_t bitCount;                  // 1, 4, 8, 16, 24 or 32
  uint32_t compression;               // one of BmpCompression, valid for bitCount
  uint32_t masks[3];                  // red, green, blue bit masks (16 and 32 bits only)
  const unsigned char* colorTable;    // entries of colorEntrySize bytes: blue, green, red[, 0]
  uint32_t colorCount;                // entries in colorTable
  uint32_t colorEntrySize;            // 4 (info form) or 3 (core form)
  const unsigned char* pixelData;     // first byte of the stored pixels
  size_t pixelDataSize;               // bytes from pixelData to the end of the pixel data
};

// Colour of each of the 256 possible indices: red, green, blue, 0 in memory order.
// Indices beyond the file's colour table are black.
struct BmpPalette {
  uint32_t colors[256];
};

// Writes the colours of `count` pixels whose palette indices come from indexOf(i).
template <typename IndexOf>
inline void putPaletteColors(const BmpPalette& palette, int32_t count, IndexOf indexOf, unsigned char* out) {
  if (count <= 0) return;
  // One four-byte store per pixel is cheaper than three single bytes; its spare byte lands
  // on the next pixel, written right after, so the last pixel gets a three-byte store.
  for (int32_t i = 0; i + 1 < count; ++i, out += 3) memcpy(out, &palette.colors[indexOf(i)], 4);
  memcpy(out, &palette.colors[indexOf(count - 1)], 3);
}

// Reads and checks the headers of the `size` bytes at `file`. Returns null and fills
// `layout`, or returns the failure message.
const char* parseBmpLayout(const unsigned char* file, size_t size, BmpLayout* layout);

// Builds the lookup table for 1-, 4- and 8-bit pixels.
void buildBmpPalette(const BmpLayout& layout, BmpPalette* palette);

// Bytes one stored row of an uncompressed image takes, padding included.
size_t bmpStoredRowSize(const BmpLayout& layout);

// Where stored row `row` (0 = first in the file) goes in `pixels`, a bottom-up RGB buffer
// of layout.width x layout.height.
unsigned char* bmpOutputRow(const BmpLayout& layout, unsigned char* pixels, int32_t row);

// Converts every stored row of an uncompressed image (any depth, bit fields included).
void decodeBmpRows(const BmpLayout& layout, const BmpPalette& palette, unsigned char* pixels);

// Expands run-length encoded pixel data (RLE8 or RLE4) into `pixels`, which must be
// zero-filled: pixels the encoding skips stay black. Returns null or the failure message.
const char* decodeBmpRunLengths(const BmpLayout& layout, const BmpPalette& palette, unsigned char* pixels);

// The whole loader after the file is in memory: returns a new image, or null with the
// failure message in `*error`.
RgbImage* decodeBmpImage(const unsigned char* file, size_t size, const char** error);

#endif
