// Row stage of the BMP loader: the colour table and one decoder per uncompressed depth,
// each turning a stored row into red, green, blue bytes.
#include <cstring>

#include "image/bmp_decode.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Masked channel of a 16- or 32-bit pixel: the value under `mask`, cut to its top 8 bits,
// widened to 8 bits through `expand`.
struct MaskChannel {
  uint32_t mask;
  unsigned shift;
  unsigned char expand[256];
};

// Widens a `bits`-wide value (1 to 8 bits) by repeating its bits downwards, so that the
// largest value becomes 255: a 5-bit v gives (v << 3) | (v >> 2).
unsigned char widenChannel(unsigned value, unsigned bits) {
  unsigned result = 0;
  for (int filled = 0; filled < 8; filled += int(bits)) {
    int shift = 8 - int(bits) - filled;
    result |= shift >= 0 ? value << shift : value >> -shift;
  }
  return (unsigned char)result;
}

unsigned bitWidth(uint32_t value) {
  unsigned width = 0;
  for (; value; value >>= 1) ++width;
  return width;
}

unsigned lowestSetBit(uint32_t value) {
  unsigned shift = 0;
  for (; value && !(value & 1); value >>= 1) ++shift;
  return shift;
}

void prepareChannel(uint32_t mask, MaskChannel* channel) {
  unsigned lowBit = lowestSetBit(mask);
  unsigned bits = bitWidth(mask >> lowBit);
  unsigned kept = bits > 8 ? 8 : bits;
  channel->mask = mask;
  channel->shift = lowBit + (bits - kept);
  for (unsigned value = 0; value < 256; ++value)
    channel->expand[value] = kept ? widenChannel(value & ((1u << kept) - 1), kept) : 0;
}

template <int Bits>
void decodeIndexedRow(const unsigned char* src, unsigned char* out, int32_t width, const BmpPalette& palette) {
  constexpr int PER_BYTE = 8 / Bits;
  constexpr unsigned INDEX_MASK = (1u << Bits) - 1;
  auto indexOf = [src](int32_t x) { return (src[x / PER_BYTE] >> (8 - Bits * (x % PER_BYTE + 1))) & INDEX_MASK; };
  putPaletteColors(palette, width, indexOf, out);
}

#ifdef __SSE2__
// Swaps blue and red of five 24-bit pixels per 16-byte load and store. Stops while at least
// one pixel is left, so that no load or store reaches past the row; returns the pixels done.
int32_t swapBgrBlocks(const unsigned char* src, unsigned char* out, int32_t width) {
  const __m128i middle = _mm_setr_epi8(0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0);
  const __m128i first = _mm_setr_epi8(-1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, 0);
  const __m128i last = _mm_setr_epi8(0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0);
  int32_t x = 0;
  for (; x + 6 <= width; x += 5) {
    __m128i bgr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * x));
    __m128i red = _mm_and_si128(_mm_srli_si128(bgr, 2), first);
    __m128i blue = _mm_and_si128(_mm_slli_si128(bgr, 2), last);
    __m128i rgb = _mm_or_si128(_mm_and_si128(bgr, middle), _mm_or_si128(red, blue));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * x), rgb);
  }
  return x;
}
#else
int32_t swapBgrBlocks(const unsigned char*, unsigned char*, int32_t) { return 0; }
#endif

// Blue, green, red bytes at a stride of 3 or 4 (the fourth byte unused).
template <int Stride>
void decodeBgrRow(const unsigned char* src, unsigned char* out, int32_t width) {
  int32_t x = Stride == 3 ? swapBgrBlocks(src, out, width) : 0;
  for (src += Stride * x, out += 3 * x; x < width; ++x, src += Stride, out += 3) {
    out[0] = src[2];
    out[1] = src[1];
    out[2] = src[0];
  }
}

template <int Bytes>
void decodeMaskedRow(const unsigned char* src, unsigned char* out, int32_t width, const MaskChannel* channels) {
  for (int32_t x = 0; x < width; ++x, src += Bytes, out += 3) {
    uint32_t pixel = src[0] | src[1] << 8;
    if (Bytes == 4) pixel |= uint32_t(src[2]) << 16 | uint32_t(src[3]) << 24;
    for (int c = 0; c < 3; ++c)
      out[c] = channels[c].expand[(pixel & channels[c].mask) >> channels[c].shift];
  }
}

bool isPlainBgrx(const BmpLayout& layout) {
  return layout.bitCount == 32 && layout.masks[0] == 0xFF0000 && layout.masks[1] == 0xFF00 &&
         layout.masks[2] == 0xFF;
}

void decodeMaskedRows(const BmpLayout& layout, unsigned char* pixels) {
  MaskChannel channels[3];
  for (int c = 0; c < 3; ++c) prepareChannel(layout.masks[c], &channels[c]);
  size_t rowSize = bmpStoredRowSize(layout);
  for (int32_t row = 0; row < layout.height; ++row) {
    const unsigned char* src = layout.pixelData + row * rowSize;
    unsigned char* out = bmpOutputRow(layout, pixels, row);
    if (layout.bitCount == 16)
      decodeMaskedRow<2>(src, out, layout.width, channels);
    else
      decodeMaskedRow<4>(src, out, layout.width, channels);
  }
}

void decodeRow(const BmpLayout& layout, const BmpPalette& palette, const unsigned char* src, unsigned char* out) {
  switch (layout.bitCount) {
    case 1: decodeIndexedRow<1>(src, out, layout.width, palette); break;
    case 4: decodeIndexedRow<4>(src, out, layout.width, palette); break;
    case 8: decodeIndexedRow<8>(src, out, layout.width, palette); break;
    case 24: decodeBgrRow<3>(src, out, layout.width); break;
    default: decodeBgrRow<4>(src, out, layout.width); break;
  }
}

}  // namespace

void buildBmpPalette(const BmpLayout& layout, BmpPalette* palette) {
  memset(palette, 0, sizeof *palette);
  uint32_t count = layout.colorCount < 256 ? layout.colorCount : 256;
  for (uint32_t index = 0; index < count; ++index) {
    const unsigned char* entry = layout.colorTable + index * layout.colorEntrySize;
    const unsigned char rgb0[4] = {entry[2], entry[1], entry[0], 0};
    memcpy(&palette->colors[index], rgb0, 4);
  }
}

size_t bmpStoredRowSize(const BmpLayout& layout) {
  return (size_t(layout.width) * layout.bitCount + 31) / 32 * 4;
}

unsigned char* bmpOutputRow(const BmpLayout& layout, unsigned char* pixels, int32_t row) {
  int32_t target = layout.topDown ? layout.height - 1 - row : row;
  return pixels + size_t(target) * size_t(layout.width) * 3;
}

void decodeBmpRows(const BmpLayout& layout, const BmpPalette& palette, unsigned char* pixels) {
  if (layout.bitCount == 16 || (layout.bitCount == 32 && !isPlainBgrx(layout))) {
    decodeMaskedRows(layout, pixels);
    return;
  }
  size_t rowSize = bmpStoredRowSize(layout);
  for (int32_t row = 0; row < layout.height; ++row)
    decodeRow(layout, palette, layout.pixelData + row * rowSize, bmpOutputRow(layout, pixels, row));
}
