// Feeds arbitrary bytes to the BMP decoder: it must return an image or a message, never
// read or write outside its buffers.
#include <cassert>
#include <cstdint>

#include "image/bmp_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* error = nullptr;
  RgbImage* image = decodeBmpImage(data, size, &error);
  if (!image) {
    assert(error);
    return 0;
  }
  assert(image->width > 0 && image->height > 0);
  // Touch the last byte so a short allocation shows up.
  volatile unsigned char last = image->pixels[size_t(image->width) * image->height * 3 - 1];
  (void)last;
  freeBmpImage(image);
  return 0;
}
