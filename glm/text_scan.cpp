// Whole-file loading and the rarely taken paths of the text scanner.
#include "glm/text_scan.h"

#include "glm/memory.h"

#include <cerrno>
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

// Maps `size` bytes of the file followed by a zero byte: the rest of the last page of a mapped
// file reads as zeros, and when the file fills its last page exactly, an anonymous page reserved
// behind it supplies the terminator.
static char* mapFile(int fd, size_t size, size_t* length) {
  size_t page = size_t(sysconf(_SC_PAGESIZE));
  *length = (size + page) / page * page;
  void* base = mmap(nullptr, *length, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return nullptr;
  if (mmap(base, size, PROT_READ, MAP_PRIVATE | MAP_FIXED, fd, 0) == MAP_FAILED) {
    munmap(base, *length);
    return nullptr;
  }
  return static_cast<char*>(base);
}

bool glmLoadFile(const char* path, GlmFileBytes* file) {
  int fd = open(path, O_RDONLY);
  if (fd < 0) return false;
  struct stat status;
  *file = {};
  if (fstat(fd, &status) == 0 && !S_ISDIR(status.st_mode)) {
    bool regular = S_ISREG(status.st_mode);
    file->size = regular ? size_t(status.st_size) : 0;
    if (regular && file->size >= MAP_FROM_SIZE) file->bytes = mapFile(fd, file->size, &file->mapped);
    if (!file->bytes) file->bytes = readDescriptor(fd, regular ? file->size : 65536, !regular, &file->size);
  }
  close(fd);
  return file->bytes != nullptr;
}

void glmRewindFile(GlmFileBytes* file) { file->released = 0; }

// Dropping the pages of a private, unmodified file mapping only unmaps them: the file's bytes
// come back if they are read again, but the process no longer holds the whole file resident.
void glmReleasePages(GlmFileBytes* file, const char* at) {
  size_t consumed = size_t(at - file->bytes) / GLM_RELEASE_STEP * GLM_RELEASE_STEP;
  madvise(file->bytes + file->released, consumed - file->released, MADV_DONTNEED);
  file->released = consumed;
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

bool glmScanSpecialFloat(GlmScanner* text, const char* digits, float* value) {
  char first = char(*digits | 0x20);
  if (digits < text->end && (first == 'i' || first == 'n')) return scanInfinityOrNan(text, digits, value);
  if (digits[0] == '0' && (digits[1] | 0x20) == 'x') return scanHexFloat(text, digits, value);
  // No number: the sign, and a point not followed by a digit, are consumed all the same.
  text->at = digits + (*digits == '.');
  return false;
}
