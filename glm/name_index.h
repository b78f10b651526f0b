// Names to items in constant time, for the readers' group and material lookups (not part of
// the public interface). An OBJ file may hold a hundred thousand group or material lines; a
// walk along the group list or the materials for each would make reading quadratic.
#ifndef GLM_NAME_INDEX_H
#define GLM_NAME_INDEX_H

#include <cstddef>
#include <cstdint>

struct GlmNameSlot {
  const char* name;  // not copied: its owner keeps it alive as long as the index; null when free
  uint64_t hash;
  void* item;
};

// An open-addressing hash table; zero-initialised, it is empty.
struct GlmNameIndex {
  GlmNameSlot* slots;
  size_t capacity;  // a power of two, or 0
  size_t count;
};

// The item stored under `name`, or null.
void* glmFindName(const GlmNameIndex* index, const char* name);
// Stores `item` under `name` unless the name is there already, where the first item stays.
// False when out of memory, leaving the index as it was.
bool glmAddName(GlmNameIndex* index, const char* name, void* item);
void glmFreeNameIndex(GlmNameIndex* index);

#endif
