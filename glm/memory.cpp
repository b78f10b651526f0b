// Checked allocation for the model library: running out of memory ends the process
// with a message instead of a write through a null pointer.
#include "glm/memory.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

void* glmAllocate(size_t count, size_t size) {
  if (size != 0 && count > SIZE_MAX / size) {
    fprintf(stderr, "glmAllocate(): %zu elements of %zu bytes overflow the address space.\n", count, size);
    exit(1);
  }
  // calloc(0, ...) may return null; ask for at least one byte so null always means failure.
  void* block = calloc(count ? count : 1, size ? size : 1);
  if (!block) {
    fprintf(stderr, "glmAllocate(): out of memory (%zu elements of %zu bytes).\n", count, size);
    exit(1);
  }
  return block;
}

char* glmCopyStringPart(const char* text, size_t length) {
  char* copy = static_cast<char*>(glmAllocate(length + 1, 1));
  memcpy(copy, text, length);
  copy[length] = '\0';
  return copy;
}

char* glmCopyString(const char* text) { return glmCopyStringPart(text, strlen(text)); }

// Page faults are expensive (several microseconds each on a virtual machine), and a large array
// that is filled front to back takes one for every page it touches.
void* glmAllocateLarge(size_t count, size_t size) {
  void* block = glmAllocate(count, size);
  const uintptr_t page = 4096;
  uintptr_t start = (uintptr_t(block) + page - 1) & ~(page - 1);
  uintptr_t end = (uintptr_t(block) + count * size) & ~(page - 1);
  void* pages = reinterpret_cast<void*>(start);
  if (end > start + (uintptr_t(1) << 21)) madvise(pages, end - start, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
  if (end > start + (uintptr_t(1) << 16)) madvise(pages, end - start, MADV_POPULATE_WRITE);
#endif
  return block;
}
