// The BMP loader's pipeline once the file is in memory: headers, colour table, pixels,
// result record.
#include <cstdint>
#include <cstdlib>

#include "image/bmp_decode.h"
#include "image/checked_allocation.h"

namespace {

const char* const OUT_OF_MEMORY = "Out of memory.";
const char* const TOO_LARGE = "DIB image is too large.";

bool isRunLength(const BmpLayout& layout) {
  return layout.compression == BMP_RLE8 || layout.compression == BMP_RLE4;
}

// The output buffer at its final size. Run-length images start black, since their
// encoding may skip pixels. A large one is marked for huge pages: first-touch page faults
// otherwise cost more than decoding.
unsigned char* allocatePixels(const BmpLayout& layout, const char** error) {
  uint64_t bytes = uint64_t(layout.width) * uint64_t(layout.height) * 3;
  if (bytes > SIZE_MAX) {
    *error = TOO_LARGE;
    return nullptr;
  }
  void* pixels = (isRunLength(layout) ? checkedAllocateZeroed : checkedAllocate)(size_t(bytes), 1);
  if (pixels) adviseHugePages(pixels, size_t(bytes));
  else *error = OUT_OF_MEMORY;
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
    *error = OUT_OF_MEMORY;
  }
  free(pixels);
  return nullptr;
}
