// Checked allocation for the model library: an overflowing size or a failed allocation gives
// null to the readers, which report it, and ends the process elsewhere, instead of a write
// through a null pointer.
#include "glm/memory.h"

#include "glm/fast_paths.h"
#include "image/checked_allocation.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void* orExit(void* block, size_t count, size_t size) {
  if (block) return block;
  fprintf(stderr, "glmAllocate(): out of memory (%zu elements of %zu bytes).\n", count, size);
  exit(1);
}

}  // namespace

void* glmTryAllocate(size_t count, size_t size) { return checkedAllocateZeroed(count, size); }

void* glmTryAllocateLargeUnprepared(size_t count, size_t size) {
  void* block = glmTryAllocate(count, size);
  if (GLM_FAST_PATHS && block) adviseHugePages(block, count * size);
  return block;
}

void glmPreparePages(void* from, size_t bytes) {
  if (GLM_FAST_PATHS) preparePages(from, bytes);
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

float* glmReplaceVectors(float* old, size_t count, unsigned components) {
  free(old);
  return static_cast<float*>(glmAllocate(count + 1, components * sizeof(float)));
}

float* glmTrimVectors(float* vectors, unsigned count) {
  float* exact = glmReplaceVectors(nullptr, count, 3);
  memcpy(exact + 3, vectors + 3, 3 * sizeof(float) * count);
  free(vectors);
  return exact;
}
