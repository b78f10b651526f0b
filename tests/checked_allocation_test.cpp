// Checked allocation: sizes that overflow give null rather than a short block, growth keeps what
// the block holds, and page advice never changes a block's contents.
#include "image/checked_allocation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

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

TEST(PageSpan, WholePagesLieInsideTheRange) {
  uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
  const char* base = reinterpret_cast<const char*>(16 * page);
  PageSpan aligned = wholePages(base, 3 * page);
  EXPECT_EQ(aligned.start, 16 * page);
  EXPECT_EQ(aligned.end, 19 * page);
  PageSpan inward = wholePages(base + 1, 3 * page - 2);
  EXPECT_EQ(inward.start, 17 * page);
  EXPECT_EQ(inward.end, 18 * page);
  PageSpan within = wholePages(base + 1, page - 2);
  EXPECT_LE(within.end, within.start);
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
