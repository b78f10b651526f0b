// Checked allocation and page advice: sizes that overflow and failed allocations give null, which
// the callers report, instead of a short block or a write through a null pointer.
#include "image/checked_allocation.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr size_t FIRST_CAPACITY = 16;
constexpr size_t HUGE_PAGE_BYTES = size_t(1) << 21;
// Below this, page faults cost too little to be worth a system call.
constexpr size_t PREPARE_FROM_BYTES = size_t(1) << 16;

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

void adviseWholePages(const void* from, size_t bytes, size_t moreThan, int advice) {
  uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
  uintptr_t start = (uintptr_t(from) + page - 1) & ~(page - 1), end = (uintptr_t(from) + bytes) & ~(page - 1);
  if (end > start && end - start > moreThan) madvise(reinterpret_cast<void*>(start), end - start, advice);
}

void adviseHugePages([[maybe_unused]] void* block, [[maybe_unused]] size_t bytes) {
#ifdef MADV_HUGEPAGE
  adviseWholePages(block, bytes, HUGE_PAGE_BYTES, MADV_HUGEPAGE);
#endif
}

void preparePages([[maybe_unused]] void* from, [[maybe_unused]] size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  adviseWholePages(from, bytes, PREPARE_FROM_BYTES, MADV_POPULATE_WRITE);
#endif
}
