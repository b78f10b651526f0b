// The readers' name index: linear probing over a power-of-two table kept at most half full.
#include "glm/name_index.h"

#include "glm/memory.h"

#include <cstdlib>
#include <cstring>

namespace {

// FNV-1a over the name's bytes.
uint64_t hashName(const char* name) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (; *name; name++) hash = (hash ^ uint8_t(*name)) * 0x100000001b3ull;
  return hash;
}

// The slot that holds `name`, or the free slot where it belongs.
GlmNameSlot* slotFor(const GlmNameIndex* index, const char* name, uint64_t hash) {
  size_t mask = index->capacity - 1;
  for (size_t i = size_t(hash) & mask;; i = (i + 1) & mask) {
    GlmNameSlot* slot = &index->slots[i];
    if (!slot->name || (slot->hash == hash && strcmp(slot->name, name) == 0)) return slot;
  }
}

bool grow(GlmNameIndex* index) {
  size_t capacity = index->capacity ? 2 * index->capacity : 64;
  GlmNameSlot* slots = static_cast<GlmNameSlot*>(glmTryAllocate(capacity, sizeof(GlmNameSlot)));
  if (!slots) return false;
  GlmNameIndex larger = {slots, capacity, index->count};
  for (size_t i = 0; i < index->capacity; i++)
    if (const GlmNameSlot& slot = index->slots[i]; slot.name) *slotFor(&larger, slot.name, slot.hash) = slot;
  free(index->slots);
  *index = larger;
  return true;
}

}  // namespace

void* glmFindName(const GlmNameIndex* index, const char* name) {
  if (!index->count) return nullptr;
  return slotFor(index, name, hashName(name))->item;
}

bool glmAddName(GlmNameIndex* index, const char* name, void* item) {
  if (2 * (index->count + 1) > index->capacity && !grow(index)) return false;
  uint64_t hash = hashName(name);
  GlmNameSlot* slot = slotFor(index, name, hash);
  if (slot->name) return true;
  *slot = {name, hash, item};
  index->count++;
  return true;
}

void glmFreeNameIndex(GlmNameIndex* index) {
  free(index->slots);
  *index = {};
}
