// Checked allocation for the model library: an overflowing size or a failed allocation gives
// null to the readers, which report it, and ends the process elsewhere, instead of a write
// through a null pointer.
#include "glm/memory.h"

#include "glm/fast_paths.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

namespace {

void* orExit(void* block, size_t count, size_t size) {
  if (block) return block;
  fprintf(stderr, "glmAllocate(): out of memory (%zu elements of %zu bytes).\n", count, size);
  exit(1);
}

constexpr uintptr_t PAGE_BYTES = 4096;
constexpr uintptr_t HUGE_PAGE_BYTES = uintptr_t(1) << 21;

// The whole pages inside [from, from + bytes).
void wholePages(void* from, size_t bytes, uintptr_t* start, uintptr_t* end) {
  *start = (uintptr_t(from) + PAGE_BYTES - 1) & ~(PAGE_BYTES - 1);
  *end = (uintptr_t(from) + bytes) & ~(PAGE_BYTES - 1);
}

}  // namespace

void* glmTryAllocate(size_t count, size_t size) {
  if (size != 0 && count > SIZE_MAX / size) return nullptr;
  return calloc(count ? count : 1, size ? size : 1);
}

// Huge pages where the system allows: fewer, larger pages to set up.
void* glmTryAllocateLargeUnprepared(size_t count, size_t size) {
  void* block = glmTryAllocate(count, size);
  uintptr_t start, end;
  if (GLM_FAST_PATHS && block) wholePages(block, count * size, &start, &end);
  if (GLM_FAST_PATHS && block && end > start + HUGE_PAGE_BYTES)
    madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
  return block;
}

// Page faults are expensive (several microseconds each on a virtual machine), and an array that
// is filled front to back takes one for every page it touches; one call sets them all up.
void glmPreparePages(void* from, size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  uintptr_t start, end;
  wholePages(from, bytes, &start, &end);
  if (GLM_FAST_PATHS && end > start + (uintptr_t(1) << 16))
    madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
#else
  (void)from;
  (void)bytes;
#endif
}

void* glmTryAllocateLarge(size_t count, size_t size) {
  void* block = glmTryAllocateLargeUnprepared(count, size);
  if (block) glmPreparePages(block, count * size);
  return block;
}

char* glmTryCopyStringPart(const char* text, size_t length) {
  char* copy = static_cast<char*>(glmTryAllocate(length + 1, 1));
  if (copy) memcpy(copy, text, length);
  return copy;
}

char* glmTryCopyString(const char* text) { return glmTryCopyStringPart(text, strlen(text)); }

void* glmAllocate(size_t count, size_t size) { return orExit(glmTryAllocate(count, size), count, size); }

void* glmAllocateLarge(size_t count, size_t size) { return orExit(glmTryAllocateLarge(count, size), count, size); }

char* glmCopyStringPart(const char* text, size_t length) {
  return static_cast<char*>(orExit(glmTryCopyStringPart(text, length), length + 1, 1));
}
