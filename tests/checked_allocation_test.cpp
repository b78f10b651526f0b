// Checked allocation: sizes that overflow give null rather than a short block, growth keeps what
// the block holds, and page advice never changes a block's contents.
#include "image/checked_allocation.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

TEST(CheckedAllocation, OverflowingSizesGiveNull) {
  for (auto allocate : {checkedAllocate, checkedAllocateZeroed}) {
    EXPECT_EQ(allocate(SIZE_MAX / 2 + 1, 2), nullptr);
    EXPECT_EQ(allocate(3, SIZE_MAX / 3 + 1), nullptr);
    EXPECT_EQ(allocate(SIZE_MAX, SIZE_MAX), nullptr);
  }
}

TEST(CheckedAllocation, RequestsOfZeroBytesGiveABlock) {
  for (auto allocate : {checkedAllocate, checkedAllocateZeroed}) {
    for (auto [count, size] : {std::pair<size_t, size_t>{0, 12}, {12, 0}, {0, 0}}) {
      void* block = allocate(count, size);
      EXPECT_NE(block, nullptr) << count << " x " << size;
      free(block);
    }
  }
}

TEST(CheckedAllocation, GrowthDoublesFromSixteenAndKeepsTheContents) {
  size_t capacity = 0;
  uint32_t* numbers = static_cast<uint32_t*>(checkedGrow(nullptr, &capacity, sizeof(uint32_t)));
  ASSERT_NE(numbers, nullptr);
  EXPECT_EQ(capacity, 16u);
  for (uint32_t i = 0; i < 16; i++) numbers[i] = i * 2654435761u;
  for (size_t expected : {32u, 64u, 128u}) {
    numbers = static_cast<uint32_t*>(checkedGrow(numbers, &capacity, sizeof(uint32_t)));
    ASSERT_NE(numbers, nullptr);
    EXPECT_EQ(capacity, expected);
    for (uint32_t i = 0; i < 16; i++) ASSERT_EQ(numbers[i], i * 2654435761u);
  }
  free(numbers);
}

// The block is left as it was: the caller still owns it and frees it.
TEST(CheckedAllocation, GrowthPastTheAddressSpaceFailsLeavingTheBlock) {
  void* block = malloc(16);
  struct Case {
    size_t capacity, size;
  } cases[] = {{SIZE_MAX / 2 + 1, 1}, {SIZE_MAX / 32 + 1, 16}, {SIZE_MAX, 1}};
  for (Case c : cases) {
    size_t capacity = c.capacity;
    EXPECT_EQ(checkedGrow(block, &capacity, c.size), nullptr) << c.capacity << " x " << c.size;
    EXPECT_EQ(capacity, c.capacity);
  }
  free(block);
}

// Advice that empties pages shows which ones it reached: only those wholly inside the range,
// and only when they span more than asked.
TEST(PageAdvice, ReachesTheWholePagesInsideTheRange) {
  size_t page = size_t(sysconf(_SC_PAGESIZE));
  void* mapping = mmap(nullptr, 8 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(mapping, MAP_FAILED);
  unsigned char* base = static_cast<unsigned char*>(mapping);
  auto emptied = [&] {
    std::string pages;
    for (size_t p = 0; p < 8; p++) pages += base[p * page] == 0 && base[p * page + page - 1] == 0 ? 'o' : 'x';
    return pages;
  };
  memset(base, 0xAB, 8 * page);
  // Pages 1 to 3 lie wholly inside: three pages, not more than three.
  adviseWholePages(base + 1, 5 * page - 2, 3 * page, MADV_DONTNEED);
  EXPECT_EQ(emptied(), "xxxxxxxx");
  adviseWholePages(base + 1, 5 * page - 2, 3 * page - 1, MADV_DONTNEED);
  EXPECT_EQ(emptied(), "xoooxxxx");
  memset(base, 0xAB, 8 * page);
  adviseWholePages(base + 6 * page + 1, page, 0, MADV_DONTNEED);  // across pages 6 and 7
  EXPECT_EQ(emptied(), "xxxxxxxx");
  adviseWholePages(base + 6 * page, page, 0, MADV_DONTNEED);
  EXPECT_EQ(emptied(), "xxxxxxox");
  munmap(mapping, 8 * page);
}

// Advice on blocks below and above its thresholds, aligned to a page or not.
TEST(PageAdvice, KeepsEveryByteOfTheBlock) {
  for (size_t bytes : {size_t(5000), size_t(1) << 17, (size_t(5) << 20) + 333}) {
    unsigned char* block = static_cast<unsigned char*>(checkedAllocate(bytes, 1));
    ASSERT_NE(block, nullptr);
    for (size_t i = 0; i < bytes; i++) block[i] = static_cast<unsigned char>(1 + i % 251);
    adviseHugePages(block, bytes);
    preparePages(block + 1, bytes - 1);
    size_t changed = 0;
    for (size_t i = 0; i < bytes; i++) changed += block[i] != static_cast<unsigned char>(1 + i % 251);
    EXPECT_EQ(changed, 0u) << bytes << " bytes";
    free(block);
  }
}

}  // namespace
