// Vertex welding: vectors within epsilon of an earlier representative merge into it.
//
// Each vector joins the lowest-numbered representative that lies within epsilon of it in
// all three components, and becomes a representative itself when none does. Instead of
// comparing with every representative, the representatives are indexed in a hashed grid
// whose cells are a little more than CELL_WIDTH * epsilon wide: a match lies in the
// vector's own cell or, on an axis where the vector is within epsilon of a cell border, in
// the neighbour across that border. So at most 8 cells are searched (about two on average),
// and a cell holds at most (CELL_WIDTH + 1)^3 representatives, since no two of them are
// within epsilon of each other.
#include "glm/glm.h"
#include "glm/memory.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

bool glmVectorsEqual(const float* u, const float* v, float epsilon) {
  return glmAbsValue(u[0] - v[0]) < epsilon && glmAbsValue(u[1] - v[1]) < epsilon &&
         glmAbsValue(u[2] - v[2]) < epsilon;
}

namespace {

constexpr double CELL_WIDTH = 4;
// Cells are 1/64 wider than CELL_WIDTH * epsilon, so that a vector's reach (epsilon) stays
// clearly inside the border band that decides whether a neighbour is searched.
constexpr double CELL_MARGIN = 1.0 + 1.0 / 64;
// Cell coordinates stay below this bound so that the rounding of coordinate / cell size is
// far smaller than that margin. Beyond it epsilon is below the float spacing of the
// coordinate, so a match must be equal on that axis and the value itself serves as key.
constexpr double CELL_LIMIT = 1099511627776.0;  // 2^40
constexpr int64_t EXACT_KEY = int64_t(1) << 62;

struct CellKey {
  int64_t axis[3];
};

// Where a vector lies: its cell and, per axis, the neighbour (-1 or +1) that may also hold
// a match, or 0 when only its own cell can.
struct CellPlace {
  CellKey key;
  int side[3];
};

// Slots keep the cell's first representative and a fingerprint of the cell's key; a cell is
// recognised by recomputing the key from that representative, whose copy the search reads
// next anyway. Small slots keep the table cache-friendly.
struct GridSlot {
  unsigned first;        // lowest-numbered representative in the cell, 0 when the slot is empty
  unsigned fingerprint;  // high bits of the cell's hash
};

struct WeldGrid {
  double inverseCellSize;
  size_t mask;           // slot count - 1 (a power of two)
  GridSlot* slots;
  unsigned* nextInCell;  // per representative: the next higher one in its cell, 0 at the end
  unsigned* lastInCell;  // per first representative of a cell: the cell's highest one
};

}  // namespace

static WeldGrid makeGrid(unsigned count, float epsilon) {
  WeldGrid grid;
  // An infinite epsilon gives an inverse of 0, which puts every finite vector in one cell.
  grid.inverseCellSize = 1.0 / (CELL_WIDTH * CELL_MARGIN * epsilon);
  size_t slots = 8;  // at least one block
  while (slots < 2 * size_t(count)) slots *= 2;
  grid.mask = slots - 1;
  grid.slots = static_cast<GridSlot*>(glmAllocate(slots, sizeof(GridSlot)));
  grid.nextInCell = static_cast<unsigned*>(glmAllocate(size_t(count) + 1, sizeof(unsigned)));
  grid.lastInCell = static_cast<unsigned*>(glmAllocate(size_t(count) + 1, sizeof(unsigned)));
  return grid;
}

static void freeGrid(WeldGrid* grid) {
  free(grid->slots);
  free(grid->nextInCell);
  free(grid->lastInCell);
}

static int64_t axisKey(const WeldGrid& grid, float value, int* side) {
  double q = value * grid.inverseCellSize;
  *side = 0;
  if (!(std::fabs(q) < CELL_LIMIT)) {
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    return EXACT_KEY + bits;
  }
  int64_t cell = int64_t(q);  // floor, without a library call
  if (double(cell) > q) cell--;
  double offset = q - double(cell);
  if (offset < 1 / CELL_WIDTH) *side = -1;
  if (offset > 1 - 1 / CELL_WIDTH) *side = 1;
  return cell;
}

static CellPlace placeOf(const WeldGrid& grid, const float* v) {
  CellPlace place;
  for (int a = 0; a < 3; a++) place.key.axis[a] = axisKey(grid, v[a], &place.side[a]);
  return place;
}

static bool sameCell(const CellKey& a, const CellKey& b) {
  return a.axis[0] == b.axis[0] && a.axis[1] == b.axis[1] && a.axis[2] == b.axis[2];
}

// Cells are hashed in blocks of 2 x 2 x 2: the eight cells of a block share one cache line
// of slots, so a search that crosses into a neighbouring cell often stays in that line.
// The block's coordinates are mixed into every bit of the hash.
static uint64_t hashBlock(const CellKey& key) {
  uint64_t h = (uint64_t(key.axis[0]) >> 1) * 0x9E3779B97F4A7C15u;
  h = (h ^ (uint64_t(key.axis[1]) >> 1)) * 0xC2B2AE3D27D4EB4Fu;
  h = (h ^ (uint64_t(key.axis[2]) >> 1)) * 0x165667B19E3779F9u;
  h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9u;
  h = (h ^ (h >> 27)) * 0x94D049BB133111EBu;
  return h ^ (h >> 31);
}

static unsigned cornerInBlock(const CellKey& key) {
  return unsigned(key.axis[0] & 1) << 2 | unsigned(key.axis[1] & 1) << 1 | unsigned(key.axis[2] & 1);
}

static unsigned fingerprintOf(uint64_t blockHash, const CellKey& key) {
  return unsigned(blockHash >> 32) ^ cornerInBlock(key);
}

// The slot of the cell, or the empty slot where it belongs.
static GridSlot* findSlot(const WeldGrid& grid, const CellKey& key, const float* copies) {
  uint64_t blockHash = hashBlock(key);
  unsigned fingerprint = fingerprintOf(blockHash, key);
  for (size_t i = (blockHash << 3 | cornerInBlock(key)) & grid.mask;; i = (i + 1) & grid.mask) {
    GridSlot* slot = &grid.slots[i];
    if (slot->first == 0) return slot;
    if (slot->fingerprint == fingerprint && sameCell(placeOf(grid, &copies[3 * size_t(slot->first)]).key, key))
      return slot;
  }
}

static void addRepresentative(WeldGrid* grid, GridSlot* slot, const CellKey& key, unsigned r) {
  if (slot->first == 0) {
    slot->first = r;
    slot->fingerprint = fingerprintOf(hashBlock(key), key);
  } else {
    grid->nextInCell[grid->lastInCell[slot->first]] = r;
  }
  grid->lastInCell[slot->first] = r;
}

// The lowest-numbered representative of the slot's cell within epsilon of v if it is below
// `best`, otherwise `best`. A cell's representatives are listed in ascending order.
static unsigned bestInCell(const WeldGrid& grid, const GridSlot* slot, const float* copies,
                           const float* v, float epsilon, unsigned best) {
  for (unsigned r = slot->first; r != 0 && r < best; r = grid.nextInCell[r])
    if (glmVectorsEqual(v, &copies[3 * size_t(r)], epsilon)) return r;
  return best;
}

// The cells that may hold a match for a vector at `place`, its own cell first; returns
// their number (1 to 8).
static int cellsToSearch(const CellPlace& place, CellKey* keys) {
  int n = 0;
  for (int corner = 0; corner < 8; corner++) {
    CellKey key = place.key;
    bool exists = true;
    for (int a = 0; a < 3; a++) {
      if (!(corner >> a & 1)) continue;
      exists = exists && place.side[a] != 0;
      key.axis[a] += place.side[a];
    }
    if (exists) keys[n++] = key;
  }
  return n;
}

// 0 when no representative matches; `own` receives the slot of the vector's own cell.
static unsigned findRepresentative(const WeldGrid& grid, const CellPlace& place, const float* copies,
                                   const float* v, float epsilon, GridSlot** own) {
  CellKey keys[8];
  int n = cellsToSearch(place, keys);
  *own = findSlot(grid, keys[0], copies);
  unsigned best = bestInCell(grid, *own, copies, v, epsilon, UINT32_MAX);
  for (int i = 1; i < n; i++) best = bestInCell(grid, findSlot(grid, keys[i], copies), copies, v, epsilon, best);
  return best == UINT32_MAX ? 0 : best;
}

static bool isFinite(const float* v) {
  return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

// Fills newIndex[1..count] and the representatives into copies; returns their number.
static unsigned weldWithGrid(const float* vectors, unsigned count, float epsilon, float* copies,
                             unsigned* newIndex) {
  WeldGrid grid = makeGrid(count, epsilon);
  unsigned distinct = 0;
  for (unsigned i = 1; i <= count; i++) {
    const float* v = &vectors[3 * size_t(i)];
    // A NaN or infinite component differs from everything by NaN or infinity: such a
    // vector never matches and is never matched, so it stays out of the grid.
    bool finite = isFinite(v);
    CellPlace place = finite ? placeOf(grid, v) : CellPlace{};
    GridSlot* own = nullptr;
    unsigned r = finite ? findRepresentative(grid, place, copies, v, epsilon, &own) : 0;
    if (r == 0) {
      r = ++distinct;
      memcpy(&copies[3 * size_t(r)], v, 3 * sizeof(float));
      if (finite) addRepresentative(&grid, own, place.key, r);
    }
    newIndex[i] = r;
  }
  freeGrid(&grid);
  return distinct;
}

// Welds the 1-based `vectors`: returns the array of representatives (room for the input
// count + 1 vectors), writes their number to *numvectors, and leaves each vector's new
// index in newIndex[i] (newIndex[0] = 0) and, as a float, in the vector's x component.
static float* weldVectors(float* vectors, unsigned* numvectors, float epsilon, unsigned* newIndex) {
  unsigned count = *numvectors;
  float* copies = static_cast<float*>(glmAllocate(size_t(count) + 1, 3 * sizeof(float)));
  if (vectors) memcpy(copies, vectors, (size_t(count) + 1) * 3 * sizeof(float));
  // No difference is below an epsilon of zero, a negative one or NaN: nothing merges.
  bool merging = epsilon > 0;
  unsigned distinct = merging ? weldWithGrid(vectors, count, epsilon, copies, newIndex) : count;
  newIndex[0] = 0;
  for (unsigned i = 1; i <= count; i++) {
    if (!merging) newIndex[i] = i;
    vectors[3 * size_t(i)] = float(newIndex[i]);
  }
  *numvectors = distinct;
  return copies;
}

float* glmWeldVectorArray(float* vectors, unsigned* numvectors, float epsilon) {
  unsigned* newIndex = static_cast<unsigned*>(glmAllocate(size_t(*numvectors) + 1, sizeof(unsigned)));
  float* copies = weldVectors(vectors, numvectors, epsilon, newIndex);
  free(newIndex);
  return copies;
}

// Triangles are renumbered from the exact indices rather than from the float x components,
// which stop holding every integer beyond 2^24 vertices. A corner naming no vertex gets 0.
void glmWeldVertices(Model* model, float epsilon) {
  unsigned oldCount = model->numvertices, count = oldCount;
  unsigned* newIndex = static_cast<unsigned*>(glmAllocate(size_t(count) + 1, sizeof(unsigned)));
  float* welded = weldVectors(model->vertices, &count, epsilon, newIndex);
  for (unsigned i = 0; i < model->numtriangles; i++)
    for (unsigned& v : model->triangles[i].vidx) v = v <= oldCount ? newIndex[v] : 0;
  free(newIndex);
  free(model->vertices);
  model->numvertices = count;
  model->vertices = static_cast<float*>(glmAllocate(size_t(count) + 1, 3 * sizeof(float)));
  memcpy(model->vertices + 3, welded + 3, 3 * sizeof(float) * count);
  free(welded);
}
