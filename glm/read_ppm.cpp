// Binary ("P6") PPM reading. The header is read line by line through a 70-byte buffer:
// a longer line arrives in pieces, so the continuation of a long comment is scanned for
// numbers like any other line. Every failure returns null after one line on standard
// error naming the file; the caller's width and height are only written on success.
#include "glm/glm.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int LINE_BUFFER = 70;  // so at most 69 characters of a line at a time

// The header's three numbers, in file order.
struct PpmHeader {
  long width;
  long height;
  long maxValue;
};

unsigned char* fail(FILE* file, const char* path, const char* reason) {
  fprintf(stderr, "%s: %s\n", path, reason);
  if (file) fclose(file);
  return nullptr;
}

// Reads up to `wanted` decimal integers from the start of `line`, as "%d %d %d" would,
// into numbers[0..]. Returns how many it read. Values beyond int are clamped to
// LONG_MIN/LONG_MAX and rejected later, instead of overflowing an int.
int scanIntegers(const char* line, long* numbers, int wanted) {
  int found = 0;
  while (found < wanted) {
    char* end;
    long value = strtol(line, &end, 10);
    if (end == line) break;
    numbers[found++] = value;
    line = end;
  }
  return found;
}

// Collects width, height and maximum value from the lines after the magic line,
// skipping comments. False when the file ends first.
bool readHeaderNumbers(FILE* file, PpmHeader* header) {
  long numbers[3];
  int count = 0;
  char line[LINE_BUFFER];
  while (count < 3) {
    if (!fgets(line, sizeof line, file)) return false;
    if (line[0] == '#') continue;
    count += scanIntegers(line, numbers + count, 3 - count);
  }
  *header = {numbers[0], numbers[1], numbers[2]};
  return true;
}

// Why the header cannot describe an image we can hold, or null when it can. The byte
// count must fit an int too, since callers size their own buffers from width * height * 3.
const char* headerProblem(const PpmHeader& header) {
  if (header.width <= 0 || header.height <= 0) return "PPM width and height must be positive";
  if (header.maxValue <= 0) return "PPM maximum value must be positive";
  if (header.width > INT_MAX / 3 / header.height) return "PPM image is too large";
  return nullptr;
}

// Bytes left between the current position and the end, or -1 when the file cannot seek.
long bytesLeft(FILE* file) {
  long here = ftell(file);
  if (here < 0 || fseek(file, 0, SEEK_END) != 0) return -1;
  long end = ftell(file);
  if (fseek(file, here, SEEK_SET) != 0) return -1;
  return end - here;
}

// Reads `size` pixel bytes, checking first that the file holds them so that a lying
// header cannot make us allocate a huge block for nothing.
unsigned char* readPixels(FILE* file, const char* path, long size) {
  const char* shortData = "PPM pixel data is shorter than its header announces";
  long available = bytesLeft(file);
  if (available >= 0 && available < size) return fail(file, path, shortData);
  auto* pixels = static_cast<unsigned char*>(malloc(size_t(size)));
  if (!pixels) return fail(file, path, "out of memory for the PPM pixel data");
  if (fread(pixels, 1, size_t(size), file) != size_t(size)) {
    free(pixels);
    return fail(file, path, shortData);
  }
  fclose(file);
  return pixels;
}

}  // namespace

unsigned char* glmReadRawPPM(const char* path, int* width, int* height) {
  FILE* file = fopen(path, "rb");
  if (!file) {
    perror(path);
    return nullptr;
  }
  char magic[LINE_BUFFER];
  if (!fgets(magic, sizeof magic, file) || strncmp(magic, "P6", 2) != 0)
    return fail(file, path, "Not a raw PPM file");
  PpmHeader header;
  if (!readHeaderNumbers(file, &header))
    return fail(file, path, "PPM header ends before width, height and maximum value");
  if (const char* problem = headerProblem(header)) return fail(file, path, problem);
  unsigned char* pixels = readPixels(file, path, header.width * header.height * 3);
  if (!pixels) return nullptr;
  *width = int(header.width);
  *height = int(header.height);
  return pixels;
}
