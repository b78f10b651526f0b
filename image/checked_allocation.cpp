// Checked allocation and page advice: sizes that overflow and failed allocations give null, which
// the callers report, instead of a short block or a write through a null pointer.
#include "image/checked_allocation.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

namespace {

constexpr size_t FIRST_CAPACITY = 16;
constexpr uintptr_t HUGE_PAGE_BYTES = uintptr_t(1) << 21;
// Below this, page faults cost too little to be worth a system call.
constexpr uintptr_t PREPARE_FROM_BYTES = uintptr_t(1) << 16;

// count * size in *bytes; false when it overflows. A request of zero bytes asks for one, so
// that null always means failure.
bool blockBytes(size_t count, size_t size, size_t* bytes) {
  if (size != 0 && count > SIZE_MAX / size) return false;
  *bytes = count * size;
  if (*bytes == 0) *bytes = 1;
  return true;
}

}  // namespace

void* checkedAllocate(size_t count, size_t size) {
  size_t bytes;
  return blockBytes(count, size, &bytes) ? malloc(bytes) : nullptr;
}

void* checkedAllocateZeroed(size_t count, size_t size) {
  size_t bytes;
  return blockBytes(count, size, &bytes) ? calloc(bytes, 1) : nullptr;
}

void* checkedGrow(void* block, size_t* capacity, size_t size) {
  size_t larger = *capacity ? 2 * *capacity : FIRST_CAPACITY, bytes;
  if (larger < *capacity || !blockBytes(larger, size, &bytes)) return nullptr;
  void* moved = realloc(block, bytes);
  if (moved) *capacity = larger;
  return moved;
}

PageSpan wholePages(const void* from, size_t bytes) {
  uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
  return {(uintptr_t(from) + page - 1) & ~(page - 1), (uintptr_t(from) + bytes) & ~(page - 1)};
}

void adviseHugePages(void* block, size_t bytes) {
#ifdef MADV_HUGEPAGE
  PageSpan pages = wholePages(block, bytes);
  if (pages.end > pages.start + HUGE_PAGE_BYTES)
    madvise(reinterpret_cast<void*>(pages.start), pages.end - pages.start, MADV_HUGEPAGE);
#else
  (void)block;
  (void)bytes;
#endif
}

void preparePages(void* from, size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  PageSpan pages = wholePages(from, bytes);
  if (pages.end > pages.start + PREPARE_FROM_BYTES)
    madvise(reinterpret_cast<void*>(pages.start), pages.end - pages.start, MADV_POPULATE_WRITE);
#else
  (void)from;
  (void)bytes;
#endif
}
