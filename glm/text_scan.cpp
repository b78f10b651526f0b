// Whole-file loading and the rarely taken paths of the text scanner.
#include "glm/text_scan.h"

#include "glm/memory.h"

#include <fast_float/fast_float.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

// Reads into a zero-filled block with a byte to spare for the terminator. A regular file is read
// into a block of exactly its size plus that byte, so a read past it is a read past the block; a
// pipe or a device grows the block as it goes.
static char* readDescriptor(int fd, size_t capacity, bool growable, size_t* size) {
  char* bytes = static_cast<char*>(glmAllocate(capacity + 1, 1));
  size_t length = 0;
  while (length < capacity || growable) {
    if (length == capacity) {
      char* larger = static_cast<char*>(glmAllocate(2 * capacity + 1, 1));
      memcpy(larger, bytes, length);
      free(bytes);
      bytes = larger;
      capacity *= 2;
    }
    ssize_t got = read(fd, bytes + length, capacity - length);
    if (got == 0) break;
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      free(bytes);
      return nullptr;
    }
    length += size_t(got);
  }
  *size = length;
  return bytes;
}

// Files from this size on are mapped rather than copied into the heap.
constexpr size_t MAP_FROM_SIZE = size_t(1) << 20;

// The window's chunk offset before it opens: any read position is outside that chunk.
constexpr size_t NO_WINDOW = SIZE_MAX / 2;

[[noreturn]] static void outOfAddressSpace(size_t length) {
  fprintf(stderr, "glmLoadFile(): out of memory (mapping %zu bytes).\n", length);
  exit(1);
}

static void mapFixed(void* at, size_t length, int fd, size_t offset) {
  int flags = MAP_PRIVATE | MAP_FIXED | (fd < 0 ? MAP_ANONYMOUS : 0);
  if (mmap(at, length, PROT_READ, flags, fd, off_t(offset)) == MAP_FAILED) outOfAddressSpace(length);
}

// Maps chunk `offset` of the file as it is first mapped: the file's bytes, then zero pages up to
// the end of the chunk, which give the terminator and are never read further.
static void mapChunk(GlmFileBytes* file, size_t offset) {
  mapFixed(file->bytes + offset, GLM_WINDOW, -1, 0);
  if (offset < file->size)
    mapFixed(file->bytes + offset, std::min(GLM_WINDOW, file->size - offset), file->descriptor, offset);
}

// Reserves the file's length plus at least one byte, in whole chunks aligned to the chunk size
// (so that the window can be a huge page), and maps the file there.
static bool mapFile(GlmFileBytes* file) {
  size_t length = (file->size + GLM_WINDOW) / GLM_WINDOW * GLM_WINDOW;
  void* reserved = mmap(nullptr, length + GLM_WINDOW, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (reserved == MAP_FAILED) return false;
  uintptr_t start = (uintptr_t(reserved) + GLM_WINDOW - 1) & ~uintptr_t(GLM_WINDOW - 1);
  size_t before = start - uintptr_t(reserved);
  if (before) munmap(reserved, before);
  munmap(reinterpret_cast<char*>(start) + length, GLM_WINDOW - before);
  file->bytes = reinterpret_cast<char*>(start);
  file->mapped = length;
  file->window = NO_WINDOW;
  mapFixed(file->bytes, length, -1, 0);
  mapFixed(file->bytes, file->size, file->descriptor, 0);
  return true;
}

bool glmLoadFile(const char* path, GlmFileBytes* file) {
  int fd = open(path, O_RDONLY);
  if (fd < 0) return false;
  struct stat status;
  *file = {};
  file->descriptor = -1;
  if (fstat(fd, &status) == 0 && !S_ISDIR(status.st_mode)) {
    bool regular = S_ISREG(status.st_mode);
    file->size = regular ? size_t(status.st_size) : 0;
    file->descriptor = fd;
    if (!(regular && file->size >= MAP_FROM_SIZE && mapFile(file))) {
      file->descriptor = -1;
      file->bytes = readDescriptor(fd, regular ? file->size : 65536, !regular, &file->size);
    }
  }
  if (file->descriptor < 0) close(fd);
  return file->bytes != nullptr;
}

// Fills the window, now at chunk `offset`, with the file's bytes there and zeros after the end.
static void fillWindow(GlmFileBytes* file, size_t offset) {
  char* chunk = file->bytes + offset;
  size_t wanted = offset < file->size ? std::min(GLM_WINDOW, file->size - offset) : 0, got = 0;
  while (got < wanted) {
    ssize_t step = pread(file->descriptor, chunk + got, wanted - got, off_t(offset + got));
    if (step > 0) got += size_t(step);
    else if (!(step < 0 && errno == EINTR)) break;
  }
  memset(chunk + got, 0, GLM_WINDOW - got);
}

// The window opens as fresh memory, then moves its pages from chunk to chunk, so they are
// faulted in once per file; the chunk it leaves is mapped from the file again.
void glmMoveWindow(GlmFileBytes* file, const char* at) {
  size_t offset = size_t(at - file->bytes) / GLM_WINDOW * GLM_WINDOW;
  char* chunk = file->bytes + offset;
  if (file->window == NO_WINDOW) {
    if (mmap(chunk, GLM_WINDOW, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_FIXED | MAP_ANONYMOUS, -1, 0) == MAP_FAILED)
      outOfAddressSpace(GLM_WINDOW);
    madvise(chunk, GLM_WINDOW, MADV_HUGEPAGE);
  } else {
    if (mremap(file->bytes + file->window, GLM_WINDOW, GLM_WINDOW, MREMAP_MAYMOVE | MREMAP_FIXED, chunk) == MAP_FAILED)
      outOfAddressSpace(GLM_WINDOW);
    mapChunk(file, file->window);
  }
  file->window = offset;
  fillWindow(file, offset);
}

void glmUnloadFile(GlmFileBytes* file) {
  if (file->mapped) munmap(file->bytes, file->mapped);
  else free(file->bytes);
  if (file->descriptor >= 0) close(file->descriptor);
  *file = {};
}

unsigned glmLineNumber(const char* start, const char* at) {
  unsigned line = 1;
  for (const char* p = start; (p = static_cast<const char*>(memchr(p, '\n', size_t(at - p)))); p++) line++;
  return line;
}

// The span up to an embedded '\0', where a C string would end.
static GlmSpan asCString(GlmSpan span) {
  const char* nul = static_cast<const char*>(memchr(span.text, '\0', span.length));
  return {span.text, nul ? size_t(nul - span.text) : span.length};
}

static size_t copyToBuffer(const char* text, size_t length, char* buffer) {
  if (length > GLM_WORD_MAX) length = GLM_WORD_MAX;
  memcpy(buffer, text, length);
  buffer[length] = '\0';
  return length;
}

size_t glmSpanToString(GlmSpan span, char* buffer) {
  span = asCString(span);
  return copyToBuffer(span.text, span.length, buffer);
}

// The next white-space-delimited word at or after `from`, within [from, end).
static GlmSpan nextWord(const char* from, const char* end) {
  while (from < end && glmIsSpace(*from)) from++;
  const char* stop = from;
  while (stop < end && !glmIsSpace(*stop)) stop++;
  return {from, size_t(stop - from)};
}

void glmLineName(GlmSpan line, char* buffer) {
  line = asCString(line);
  const char* end = line.text + line.length;
  GlmSpan first = nextWord(line.text, end);
  GlmSpan second = nextWord(first.text + first.length, end);
  GlmSpan name = second.length ? second : first;
  copyToBuffer(name.text, name.length, buffer);
}

void glmTrimmedLine(GlmSpan line, char* buffer) {
  line = asCString(line);
  const char* start = line.text;
  const char* end = line.text + line.length;
  while (start < end && glmIsSpace(*start)) start++;
  while (end > start && glmIsSpace(end[-1])) end--;
  copyToBuffer(start, size_t(end - start), buffer);
}

// Consumes the characters of `word` (lower case) in any letter case. Like the C library, it
// also consumes the first character that does not match, unless the input has ended.
static bool matchFolded(GlmScanner* text, const char** p, const char* word) {
  for (; *word; word++, (*p)++) {
    if (*p == text->end) return false;
    if ((**p | 0x20) != *word) {
      (*p)++;
      return false;
    }
  }
  return true;
}

static bool scanInfinityOrNan(GlmScanner* text, const char* p, float* value) {
  bool nan = (*p | 0x20) == 'n';
  bool whole = matchFolded(text, &p, nan ? "nan" : "inf");
  if (whole && !nan && p < text->end && (*p | 0x20) == 'i') whole = matchFolded(text, &p, "inity");
  bool negative = *text->at == '-';
  text->at = p;
  if (whole && value) *value = std::copysign(nan ? NAN : INFINITY, negative ? -1.0f : 1.0f);
  return whole;
}

// The characters the C library collects for a hexadecimal float: hex digits, one point, and a
// binary exponent "p" (after a digit) with an optional sign and decimal digits.
static const char* hexFloatEnd(const char* p, const char* end) {
  bool gotDigit = false, gotDot = false, gotExponent = false;
  for (; p < end; p++) {
    char c = *p;
    if (glmIsDigit(c) || (!gotExponent && ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'))) {
      gotDigit = true;
    } else if (gotExponent && (p[-1] | 0x20) == 'p' && (c == '+' || c == '-')) {
    } else if (gotDigit && !gotExponent && (c | 0x20) == 'p') {
      gotExponent = gotDot = true;
    } else if (!gotDot && c == '.') {
      gotDot = true;
    } else {
      break;
    }
  }
  return p;
}

static bool scanHexFloat(GlmScanner* text, const char* p, float* value) {
  const char* mantissa = p + 2;
  const char* stop = hexFloatEnd(mantissa, text->end);
  const char* start = text->at;
  text->at = stop;
  if (stop == mantissa) return false;
  if (!value) return true;
  // Rare enough that the C library's own conversion can do it, from a terminated copy.
  char* copy = glmCopyStringPart(start, size_t(stop - start));
  *value = strtof(copy, nullptr);
  free(copy);
  return true;
}

float glmConvertDecimal(const char* p, const char* stop) {
  float value = 0;
  fast_float::from_chars(p, stop, value);
  return value;
}

bool glmScanSpecialFloat(GlmScanner* text, const char* digits, float* value) {
  char first = char(*digits | 0x20);
  if (digits < text->end && (first == 'i' || first == 'n')) return scanInfinityOrNan(text, digits, value);
  if (digits[0] == '0' && (digits[1] | 0x20) == 'x') return scanHexFloat(text, digits, value);
  // No number: the sign, and a point not followed by a digit, are consumed all the same.
  text->at = digits + (*digits == '.');
  return false;
}
