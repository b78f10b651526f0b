// The BMP loader's pipeline once the file is in memory: headers, colour table, pixels,
// result record.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

#include "image/bmp_decode.h"

namespace {

const char* const OUT_OF_MEMORY = "Out of memory.";
const char* const TOO_LARGE = "DIB image is too large.";
constexpr size_t HUGE_PAGE_WORTHY = size_t(4) << 20;
constexpr uintptr_t PAGE_BYTES = 4096;

bool isRunLength(const BmpLayout& layout) {
  return layout.compression == BMP_RLE8 || layout.compression == BMP_RLE4;
}

// The output buffer at its final size. Run-length images start black, since their
// encoding may skip pixels.
unsigned char* allocatePixels(const BmpLayout& layout, const char** error) {
  uint64_t bytes = uint64_t(layout.width) * uint64_t(layout.height) * 3;
  if (bytes > SIZE_MAX) {
    *error = TOO_LARGE;
    return nullptr;
  }
  void* pixels = allocateBmpBuffer(size_t(bytes), isRunLength(layout));
  if (!pixels) *error = OUT_OF_MEMORY;
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
  if (block && bytes >= HUGE_PAGE_WORTHY) {
    uintptr_t first = (uintptr_t(block) + PAGE_BYTES - 1) & ~(PAGE_BYTES - 1);
    uintptr_t last = (uintptr_t(block) + bytes) & ~(PAGE_BYTES - 1);
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
    *error = OUT_OF_MEMORY;
  }
  free(pixels);
  return nullptr;
}
