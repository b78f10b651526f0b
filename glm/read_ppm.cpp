// Binary ("P6") PPM reading. The file is taken into memory whole; its header is read line by
// line as through a 70-byte buffer: a longer line arrives in pieces, so the continuation of a
// long comment is scanned for numbers like any other line. Every failure returns null after one
// line on standard error naming the file; the caller's width and height are only written on
// success.
#include "glm/glm.h"
#include "image/checked_allocation.h"
#include "image/file_bytes.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t LINE_BUFFER = 70;  // so at most 69 characters of a line at a time

// The header's three numbers, in file order.
struct PpmHeader {
  long width;
  long height;
  long maxValue;
};

// The part of the file not read yet.
struct PpmInput {
  const char* at;
  const char* end;
};

unsigned char* fail(const char* path, const char* reason) {
  fprintf(stderr, "%s: %s\n", path, reason);
  return nullptr;
}

// The next piece of a line, as fgets reads it into a buffer of LINE_BUFFER bytes: through the
// line end, at most LINE_BUFFER - 1 characters, as a C string. False at the end of the file.
bool readLinePiece(PpmInput* input, char (&line)[LINE_BUFFER]) {
  if (input->at == input->end) return false;
  size_t room = std::min(size_t(input->end - input->at), LINE_BUFFER - 1);
  const char* newline = static_cast<const char*>(memchr(input->at, '\n', room));
  size_t length = newline ? size_t(newline - input->at) + 1 : room;
  memcpy(line, input->at, length);
  line[length] = '\0';
  input->at += length;
  return true;
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
bool readHeaderNumbers(PpmInput* input, PpmHeader* header) {
  long numbers[3];
  int count = 0;
  char line[LINE_BUFFER];
  while (count < 3) {
    if (!readLinePiece(input, line)) return false;
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

// A copy of the `size` pixel bytes that follow the header; bytes after them are ignored.
unsigned char* readPixels(const PpmInput& input, const char* path, long size) {
  if (input.end - input.at < size) return fail(path, "PPM pixel data is shorter than its header announces");
  auto* pixels = static_cast<unsigned char*>(checkedAllocate(size_t(size), 1));
  if (!pixels) return fail(path, "out of memory for the PPM pixel data");
  memcpy(pixels, input.at, size_t(size));
  return pixels;
}

unsigned char* readImage(const FileBytes& file, const char* path, int* width, int* height) {
  PpmInput input = {file.bytes, file.bytes + file.size};
  char magic[LINE_BUFFER];
  if (!readLinePiece(&input, magic) || strncmp(magic, "P6", 2) != 0) return fail(path, "Not a raw PPM file");
  PpmHeader header;
  if (!readHeaderNumbers(&input, &header))
    return fail(path, "PPM header ends before width, height and maximum value");
  if (const char* problem = headerProblem(header)) return fail(path, problem);
  unsigned char* pixels = readPixels(input, path, header.width * header.height * 3);
  if (!pixels) return nullptr;
  *width = int(header.width);
  *height = int(header.height);
  return pixels;
}

}  // namespace

unsigned char* glmReadRawPPM(const char* path, int* width, int* height) {
  FileBytes file;
  FileBytesResult loaded = loadFileBytes(path, true, &file);
  if (loaded == FILE_BYTES_CANNOT_OPEN) {
    perror(path);
    return nullptr;
  }
  unsigned char* pixels = loaded == FILE_BYTES_LOADED ? readImage(file, path, width, height)
                                                      : fail(path, "out of memory reading the PPM file");
  unloadFileBytes(&file);
  return pixels;
}
