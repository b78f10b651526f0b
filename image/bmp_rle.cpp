// Run-length stage of the BMP loader: the 8-bit and 4-bit encodings. Pixels that a run
// would put past the end of its row are dropped, and a delta or end of line that leaves
// the image ends the decoding; the buffer is never written outside the image.
#include "image/bmp_decode.h"

namespace {

const char* const TRUNCATED = "DIB run-length data ends before the image is complete.";

// Escape codes that follow a zero count.
enum : unsigned { END_OF_LINE = 0, END_OF_BITMAP = 1, DELTA = 2 };

struct RleDecoder {
  const BmpLayout& layout;
  const BmpPalette& palette;
  unsigned char* pixels;
  size_t position;  // next byte of layout.pixelData
  int32_t x;        // column of the next pixel, at most layout.width
  int32_t y;        // stored row of the next pixel
};

size_t bytesLeft(const RleDecoder& decoder) { return decoder.layout.pixelDataSize - decoder.position; }

// at + by, stopping at limit (at <= limit).
int32_t advance(int32_t at, unsigned by, int32_t limit) {
  return int64_t(by) < int64_t(limit) - at ? at + int32_t(by) : limit;
}

// Writes up to `count` pixels from the current position, whose indices come from `index`
// (pixel number within the run -> colour index); pixels beyond the row are dropped.
template <typename IndexOf>
void putPixels(RleDecoder* decoder, unsigned count, IndexOf index) {
  int32_t written = advance(decoder->x, count, decoder->layout.width) - decoder->x;
  unsigned char* out = bmpOutputRow(decoder->layout, decoder->pixels, decoder->y) + size_t(decoder->x) * 3;
  putPaletteColors(decoder->palette, written, index, out);
  decoder->x += written;
}

void putRun(RleDecoder* decoder, unsigned count, unsigned value) {
  if (decoder->layout.compression == BMP_RLE8) {
    putPixels(decoder, count, [value](int32_t) { return value; });
  } else {
    unsigned pair[2] = {value >> 4, value & 0x0F};
    putPixels(decoder, count, [&pair](int32_t i) { return pair[i & 1]; });
  }
}

// Absolute mode: `count` literal indices, padded to a whole number of 16-bit words.
const char* putLiterals(RleDecoder* decoder, unsigned count) {
  bool rle8 = decoder->layout.compression == BMP_RLE8;
  size_t bytes = rle8 ? count : (count + 1) / 2;
  if (bytesLeft(*decoder) < bytes) return TRUNCATED;
  const unsigned char* data = decoder->layout.pixelData + decoder->position;
  if (rle8)
    putPixels(decoder, count, [data](int32_t i) { return data[i]; });
  else
    putPixels(decoder, count, [data](int32_t i) { return i & 1 ? data[i / 2] & 0x0F : data[i / 2] >> 4; });
  size_t padded = bytes + (bytes & 1);
  decoder->position += padded < bytesLeft(*decoder) ? padded : bytesLeft(*decoder);
  return nullptr;
}

const char* moveBy(RleDecoder* decoder) {
  if (bytesLeft(*decoder) < 2) return TRUNCATED;
  const unsigned char* offsets = decoder->layout.pixelData + decoder->position;
  decoder->position += 2;
  decoder->x = advance(decoder->x, offsets[0], decoder->layout.width);
  decoder->y = advance(decoder->y, offsets[1], decoder->layout.height);
  return nullptr;
}

// Handles the code after a zero count; sets `finished` at the end of the bitmap.
const char* escape(RleDecoder* decoder, unsigned code, bool* finished) {
  switch (code) {
    case END_OF_LINE:
      decoder->x = 0;
      ++decoder->y;
      return nullptr;
    case END_OF_BITMAP:
      *finished = true;
      return nullptr;
    case DELTA:
      return moveBy(decoder);
    default:
      return putLiterals(decoder, code);
  }
}

}  // namespace

const char* decodeBmpRunLengths(const BmpLayout& layout, const BmpPalette& palette, unsigned char* pixels) {
  RleDecoder decoder{layout, palette, pixels, 0, 0, 0};
  bool finished = false;
  while (!finished && decoder.y < layout.height) {
    if (bytesLeft(decoder) < 2) return TRUNCATED;
    unsigned count = layout.pixelData[decoder.position];
    unsigned value = layout.pixelData[decoder.position + 1];
    decoder.position += 2;
    if (count) {
      putRun(&decoder, count, value);
    } else if (const char* error = escape(&decoder, value, &finished)) {
      return error;
    }
  }
  return nullptr;
}
