// The BMP loader's pipeline once the file is in memory: headers, colour table, pixels,
// result record.
#include <cstdlib>

#include "image/bmp_decode.h"

namespace {

const char* const kOutOfMemory = "Out of memory.";
const char* const kTooLarge = "DIB image is too large.";

bool isRunLength(const BmpLayout& layout) {
  return layout.compression == BMP_RLE8 || layout.compression == BMP_RLE4;
}

// The output buffer at its final size. Run-length images start black, since their
// encoding may skip pixels.
unsigned char* allocatePixels(const BmpLayout& layout, const char** error) {
  uint64_t bytes = uint64_t(layout.width) * uint64_t(layout.height) * 3;
  if (bytes > SIZE_MAX) {
    *error = kTooLarge;
    return nullptr;
  }
  void* pixels = isRunLength(layout) ? calloc(size_t(bytes), 1) : malloc(size_t(bytes));
  if (!pixels) *error = kOutOfMemory;
  return static_cast<unsigned char*>(pixels);
}

const char* decodePixels(const BmpLayout& layout, unsigned char* pixels) {
  BmpPalette palette;
  if (layout.bitCount <= 8) buildBmpPalette(layout, &palette);
  if (isRunLength(layout)) return decodeBmpRunLengths(layout, palette, pixels);
  decodeBmpRows(layout, palette, pixels);
  return nullptr;
}

}  // namespace

RgbImage* decodeBmpImage(const unsigned char* file, size_t size, const char** error) {
  BmpLayout layout;
  *error = parseBmpLayout(file, size, &layout);
  if (*error) return nullptr;
  unsigned char* pixels = allocatePixels(layout, error);
  if (!pixels) return nullptr;
  *error = decodePixels(layout, pixels);
  if (!*error) {
    RgbImage* image = static_cast<RgbImage*>(malloc(sizeof(RgbImage)));
    if (image) {
      *image = RgbImage{layout.width, layout.height, pixels};
      return image;
    }
    *error = kOutOfMemory;
  }
  free(pixels);
  return nullptr;
}
