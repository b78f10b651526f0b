// Allocation helpers shared by the model library's units (not part of the public interface).
#ifndef GLM_MEMORY_H
#define GLM_MEMORY_H

#include <cstddef>

// calloc(count, size), or null when the product overflows or memory runs out. Never null for a
// request of zero bytes, so null always means failure.
void* glmTryAllocate(size_t count, size_t size);
// glmTryAllocate for large arrays that are filled right away: their pages are set up in one call
// (huge pages where the system allows), instead of one page fault every 4 kB.
void* glmTryAllocateLarge(size_t count, size_t size);
// glmTryAllocateLarge without setting up the pages: glmPreparePages does that for parts of the
// block, so that several threads can share the work.
void* glmTryAllocateLargeUnprepared(size_t count, size_t size);
void glmPreparePages(void* from, size_t bytes);
// A heap copy of the first `length` bytes of `text`, zero-terminated; null when out of memory.
char* glmTryCopyStringPart(const char* text, size_t length);
char* glmTryCopyString(const char* text);

// The same for the operations that cannot report a failure to their caller: running out of
// memory ends the process with status 1 and a message on standard error. Never null.
void* glmAllocate(size_t count, size_t size);
void* glmAllocateLarge(size_t count, size_t size);
char* glmCopyStringPart(const char* text, size_t length);

// A model's vector arrays are 1-based: `count` vectors take count + 1 places, the first unused.
// A zero-filled array of `count` vectors of `components` floats, replacing `old` (freed; null
// when there is none). Ends the process when memory runs out.
float* glmReplaceVectors(float* old, size_t count, unsigned components);
// Vectors 1 to `count` of the array of 3-vectors `vectors` in an array of exactly that size, which
// replaces it (freed). Ends the process when memory runs out.
float* glmTrimVectors(float* vectors, unsigned count);

#endif
