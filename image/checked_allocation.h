// Checked allocation and page advice for the image and model libraries (not part of the public
// interface). Every size is checked for overflow, so null means failure and never a short block.
#ifndef IMAGE_CHECKED_ALLOCATION_H
#define IMAGE_CHECKED_ALLOCATION_H

#include <cstddef>

// malloc(count * size), or null when the product overflows or memory runs out. Never null for a
// request of zero bytes, so null always means failure.
void* checkedAllocate(size_t count, size_t size);
// The same, zero-filled.
void* checkedAllocateZeroed(size_t count, size_t size);
// Doubles the room of `block`, an array of *capacity elements of `size` bytes, keeping what it
// holds; an array without room (a null block, capacity 0) gets room for 16. Returns the moved
// block and updates *capacity, or returns null, leaving both as they were, when the new size
// overflows or memory runs out.
void* checkedGrow(void* block, size_t* capacity, size_t size);

// Gives the system `advice` (an madvise code) for the whole pages inside [from, from + bytes)
// when they span more than `moreThan` bytes.
void adviseWholePages(const void* from, size_t bytes, size_t moreThan, int advice);
// Marks a block larger than a huge page for huge pages where the system allows: fewer, larger
// pages to set up when it is first written.
void adviseHugePages(void* block, size_t bytes);
// Sets up the pages of [from, from + bytes) for writing in one call. Page faults are expensive
// (several microseconds each on a virtual machine), and an array that is filled front to back
// takes one for every page it touches.
void preparePages(void* from, size_t bytes);

#endif
