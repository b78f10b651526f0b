// Feeds arbitrary bytes to the PPM reader through a scratch file: it must return exactly
// width * height * 3 bytes or null with the caller's width and height untouched, and
// never read or write outside its buffers.
#include "glm/glm.h"

#include <cassert>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

char scratch[] = "/tmp/kerbhopper-ppm-fuzz-XXXXXX";

void removeScratch() { unlink(scratch); }

// One file for the whole run, removed when the fuzzer exits.
const char* scratchPath() {
  static bool made = [] {
    int descriptor = mkstemp(scratch);
    assert(descriptor >= 0);
    close(descriptor);
    atexit(removeScratch);
    return true;
  }();
  (void)made;
  return scratch;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* path = scratchPath();
  FILE* file = fopen(path, "wb");
  assert(file);
  fwrite(data, 1, size, file);
  fclose(file);
  int width = -1, height = -1;
  unsigned char* pixels = glmReadRawPPM(path, &width, &height);
  if (!pixels) {
    assert(width == -1 && height == -1);
    return 0;
  }
  assert(width > 0 && height > 0 && size_t(width) * height * 3 <= size);
  // Touch the last byte so a short allocation shows up.
  volatile unsigned char last = pixels[size_t(width) * height * 3 - 1];
  (void)last;
  free(pixels);
  return 0;
}
