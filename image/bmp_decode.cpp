// The BMP loader's pipeline once the file is in memory: headers, colour table, pixels,
// result record.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

#include "image/bmp_decode.h"

namespace {

const char* const kOutOfMemory = "Out of memory.";
const char* const kTooLarge = "DIB image is too large.";
constexpr size_t kHugePageWorthy = size_t(4) << 20;
constexpr uintptr_t kPageSize = 4096;

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
  void* pixels = allocateBmpBuffer(size_t(bytes), isRunLength(layout));
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

void* allocateBmpBuffer(size_t bytes, bool zeroed) {
  void* block = zeroed ? calloc(bytes, 1) : malloc(bytes);
#ifdef MADV_HUGEPAGE
  if (block && bytes >= kHugePageWorthy) {
    uintptr_t first = (uintptr_t(block) + kPageSize - 1) & ~(kPageSize - 1);
    uintptr_t last = (uintptr_t(block) + bytes) & ~(kPageSize - 1);
    madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
  }
#endif
  return block;
}

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
