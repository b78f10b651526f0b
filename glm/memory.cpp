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

// Page faults are expensive (several microseconds each on a virtual machine), and a large array
// that is filled front to back takes one for every page it touches.
void prepareLargeBlock(void* block, size_t bytes) {
  const uintptr_t page = 4096;
  uintptr_t start = (uintptr_t(block) + page - 1) & ~(page - 1);
  uintptr_t end = (uintptr_t(block) + bytes) & ~(page - 1);
  void* pages = reinterpret_cast<void*>(start);
  if (end > start + (uintptr_t(1) << 21)) madvise(pages, end - start, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
  if (end > start + (uintptr_t(1) << 16)) madvise(pages, end - start, MADV_POPULATE_WRITE);
#endif
}

}  // namespace

void* glmTryAllocate(size_t count, size_t size) {
  if (size != 0 && count > SIZE_MAX / size) return nullptr;
  return calloc(count ? count : 1, size ? size : 1);
}

void* glmTryAllocateLarge(size_t count, size_t size) {
  void* block = glmTryAllocate(count, size);
  if (GLM_FAST_PATHS && block) prepareLargeBlock(block, count * size);
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
