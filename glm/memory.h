// Allocation helpers shared by the model library's units (not part of the public interface).
#ifndef GLM_MEMORY_H
#define GLM_MEMORY_H

#include <cstddef>

struct Model;

// calloc(count, size) that ends the process with status 1 and a message on standard
// error when the product overflows or memory runs out. Never returns null.
void* glmAllocate(size_t count, size_t size);
// glmAllocate for large arrays that are filled right away: their pages are set up in one call
// (huge pages where the system allows), instead of one page fault every 4 kB.
void* glmAllocateLarge(size_t count, size_t size);
// A heap copy of `text`, allocated with glmAllocate.
char* glmCopyString(const char* text);
// A heap copy of the first `length` bytes of `text`, zero-terminated.
char* glmCopyStringPart(const char* text, size_t length);
// Frees every material and the array; leaves the model without materials.
void glmFreeMaterials(Model* model);

#endif
