// Whole-file loading and the rarely taken paths of the text scanner.
#include "glm/text_scan.h"

#include "glm/memory.h"

#include <fast_float/fast_float.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Reads into a zero-filled block with a byte to spare for the terminator. A regular file is read
// into a block of exactly its size plus that byte, so a read past it is a read past the block; a
// pipe or a device grows the block as it goes.
GlmLoadResult readDescriptor(int fd, size_t capacity, bool growable, GlmFileBytes* file) {
  char* bytes = static_cast<char*>(glmTryAllocate(capacity + 1, 1));
  size_t length = 0;
  while (bytes && (length < capacity || growable)) {
    if (length == capacity) {
      char* larger = static_cast<char*>(glmTryAllocate(2 * capacity + 1, 1));
      if (larger) memcpy(larger, bytes, length);
      free(bytes);
      bytes = larger;
      capacity *= 2;
      continue;
    }
    ssize_t got = read(fd, bytes + length, capacity - length);
    if (got == 0) break;
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      free(bytes);
      return GLM_CANNOT_OPEN;
    }
    length += size_t(got);
  }
  if (!bytes) return GLM_OUT_OF_MEMORY;
  *file = {bytes, length, 0};
  return GLM_LOADED;
}

// Files from this size on are mapped rather than copied into the heap.
constexpr size_t MAP_FROM_SIZE = size_t(1) << 20;

// Maps the file read-only, followed by at least one page of zeros for the terminator: an
// anonymous reservation of the whole length, with the file mapped over its start.
bool mapFile(int fd, size_t size, GlmFileBytes* file) {
  size_t page = size_t(sysconf(_SC_PAGESIZE));
  size_t length = (size + page) / page * page;
  void* zeros = mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (zeros == MAP_FAILED) return false;
  if (mmap(zeros, size, PROT_READ, MAP_PRIVATE | MAP_FIXED, fd, 0) == MAP_FAILED) {
    munmap(zeros, length);
    return false;
  }
  *file = {static_cast<char*>(zeros), size, length};
  return true;
}

}  // namespace

GlmLoadResult glmLoadFile(const char* path, GlmFileBytes* file) {
  int fd = open(path, O_RDONLY);
  if (fd < 0) return GLM_CANNOT_OPEN;
  struct stat status;
  GlmLoadResult result = GLM_CANNOT_OPEN;
  if (fstat(fd, &status) == 0 && !S_ISDIR(status.st_mode)) {
    bool regular = S_ISREG(status.st_mode);
    size_t size = regular ? size_t(status.st_size) : 0;
    if (regular && size >= MAP_FROM_SIZE && mapFile(fd, size, file)) result = GLM_LOADED;
    else result = readDescriptor(fd, regular ? size : 65536, !regular, file);
  }
  close(fd);
  return result;
}

void glmReleaseFileBytes(const GlmFileBytes* file, const char* from, const char* to) {
  if (!file->mapped) return;
  uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
  uintptr_t start = (uintptr_t(from) + page - 1) & ~(page - 1), stop = uintptr_t(to) & ~(page - 1);
  if (stop > start) madvise(reinterpret_cast<void*>(start), stop - start, MADV_DONTNEED);
}

void glmUnloadFile(GlmFileBytes* file) {
  if (file->mapped) munmap(file->bytes, file->mapped);
  else free(file->bytes);
  *file = {};
}

unsigned glmLineNumber(const char* start, const char* at) {
  unsigned line = 1;
  for (const char* p = start; (p = static_cast<const char*>(memchr(p, '\n', size_t(at - p)))); p++) line++;
  return line;
}

namespace {

// The span up to an embedded '\0', where a C string would end.
GlmSpan asCString(GlmSpan span) {
  const char* nul = static_cast<const char*>(memchr(span.text, '\0', span.length));
  return {span.text, nul ? size_t(nul - span.text) : span.length};
}

size_t copyToBuffer(const char* text, size_t length, char* buffer) {
  if (length > GLM_WORD_MAX) length = GLM_WORD_MAX;
  memcpy(buffer, text, length);
  buffer[length] = '\0';
  return length;
}

// The next white-space-delimited word at or after `from`, within [from, end).
GlmSpan nextWord(const char* from, const char* end) {
  while (from < end && glmIsSpace(*from)) from++;
  const char* stop = from;
  while (stop < end && !glmIsSpace(*stop)) stop++;
  return {from, size_t(stop - from)};
}

}  // namespace

size_t glmSpanToString(GlmSpan span, char* buffer) {
  span = asCString(span);
  return copyToBuffer(span.text, span.length, buffer);
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

namespace {

// Consumes the characters of `word` (lower case) in any letter case. Like the C library, it
// also consumes the first character that does not match, unless the input (the line) has ended.
bool matchFolded(GlmScanner* text, const char** p, const char* word) {
  for (; *word; word++, (*p)++) {
    if (*p == text->end || **p == '\n') return false;
    if ((**p | 0x20) != *word) {
      (*p)++;
      return false;
    }
  }
  return true;
}

bool scanInfinityOrNan(GlmScanner* text, const char* p, float* value) {
  bool nan = (*p | 0x20) == 'n';
  bool whole = matchFolded(text, &p, nan ? "nan" : "inf");
  if (whole && !nan && (*p | 0x20) == 'i') whole = matchFolded(text, &p, "inity");
  bool negative = *text->at == '-';
  text->at = p;
  if (whole && value) *value = std::copysign(nan ? NAN : INFINITY, negative ? -1.0f : 1.0f);
  return whole;
}

// The characters the C library collects for a hexadecimal float: hex digits, one point, and a
// binary exponent "p" (after a digit) with an optional sign and decimal digits.
const char* hexFloatEnd(const char* p, const char* end) {
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

bool scanHexFloat(GlmScanner* text, const char* p, float* value) {
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

}  // namespace

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
