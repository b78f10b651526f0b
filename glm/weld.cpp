// Vertex welding: vectors within epsilon of an earlier representative merge into it.
//
// Each vector joins the lowest-numbered representative that lies within epsilon of it in
// all three components, and becomes a representative itself when none does. Instead of
// comparing with every representative, the representatives are indexed in a hashed grid
// whose cells are a little more than 2 * epsilon wide: a match then lies in the vector's
// own cell or in the neighbour on the side of the cell half the vector is in, 8 cells at
// most, and a cell holds at most 8 representatives (they are epsilon apart).
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

// Cell coordinates stay below this bound so that the rounding of coordinate / cell size is
// far smaller than the cell margin. Beyond it epsilon is below the float spacing of the
// coordinate, so a match must be equal on that axis and the value itself serves as key.
constexpr double CELL_LIMIT = 1099511627776.0;  // 2^40
constexpr int64_t EXACT_KEY = int64_t(1) << 62;

struct CellKey {
  int64_t axis[3];
};

// Where a vector lies: its cell and, per axis, which neighbour (-1 or +1) may also hold
// a match, or 0 when only its own cell can.
struct CellPlace {
  CellKey key;
  int side[3];
};

struct WeldGrid {
  double inverseCellSize;
  size_t mask;            // slot count - 1 (a power of two)
  unsigned* firstInSlot;  // lowest-numbered representative of the slot's cell, 0 when empty
  unsigned* lastInSlot;
  unsigned* nextInCell;   // per representative: the next higher one in its cell, 0 at the end
};

}  // namespace

static WeldGrid makeGrid(unsigned count, float epsilon) {
  WeldGrid grid;
  // A 1/64 margin keeps the neighbour choice safe from rounding; an infinite epsilon gives
  // an inverse of 0, which puts every finite vector in one cell.
  grid.inverseCellSize = 1.0 / (2.0 * epsilon * (1.0 + 1.0 / 64));
  size_t slots = 2;
  while (slots < 2 * size_t(count)) slots *= 2;
  grid.mask = slots - 1;
  grid.firstInSlot = static_cast<unsigned*>(glmAllocate(slots, sizeof(unsigned)));
  grid.lastInSlot = static_cast<unsigned*>(glmAllocate(slots, sizeof(unsigned)));
  grid.nextInCell = static_cast<unsigned*>(glmAllocate(size_t(count) + 1, sizeof(unsigned)));
  return grid;
}

static void freeGrid(WeldGrid* grid) {
  free(grid->firstInSlot);
  free(grid->lastInSlot);
  free(grid->nextInCell);
}

static int64_t axisKey(const WeldGrid& grid, float value, int* side) {
  double q = value * grid.inverseCellSize;
  if (!(std::fabs(q) < CELL_LIMIT)) {
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    *side = 0;
    return EXACT_KEY + bits;
  }
  double cell = std::floor(q);
  *side = q - cell < 0.5 ? -1 : 1;
  return int64_t(cell);
}

static CellPlace placeOf(const WeldGrid& grid, const float* v) {
  CellPlace place;
  for (int a = 0; a < 3; a++) place.key.axis[a] = axisKey(grid, v[a], &place.side[a]);
  return place;
}

static bool sameCell(const CellKey& a, const CellKey& b) {
  return a.axis[0] == b.axis[0] && a.axis[1] == b.axis[1] && a.axis[2] == b.axis[2];
}

static size_t hashCell(const CellKey& key) {
  uint64_t h = uint64_t(key.axis[0]) * 0x9E3779B97F4A7C15u;
  h = (h ^ uint64_t(key.axis[1])) * 0xC2B2AE3D27D4EB4Fu;
  h = (h ^ uint64_t(key.axis[2])) * 0x165667B19E3779F9u;
  return size_t(h ^ (h >> 29));
}

// The slot of the cell, or the empty slot where it belongs. Cells are recognised by the
// key of their first representative, recomputed from its copy.
static size_t findSlot(const WeldGrid& grid, const CellKey& key, const float* copies) {
  for (size_t slot = hashCell(key) & grid.mask;; slot = (slot + 1) & grid.mask) {
    unsigned first = grid.firstInSlot[slot];
    if (first == 0 || sameCell(placeOf(grid, &copies[3 * size_t(first)]).key, key)) return slot;
  }
}

static void addRepresentative(WeldGrid* grid, const CellKey& key, const float* copies, unsigned r) {
  size_t slot = findSlot(*grid, key, copies);
  if (grid->firstInSlot[slot] == 0)
    grid->firstInSlot[slot] = r;
  else
    grid->nextInCell[grid->lastInSlot[slot]] = r;
  grid->lastInSlot[slot] = r;
}

// The lowest-numbered representative of the cell within epsilon of v if it is below
// `best`, otherwise `best`. A cell's representatives are listed in ascending order.
static unsigned bestInCell(const WeldGrid& grid, const CellKey& key, const float* copies,
                           const float* v, float epsilon, unsigned best) {
  unsigned r = grid.firstInSlot[findSlot(grid, key, copies)];
  for (; r != 0 && r < best; r = grid.nextInCell[r])
    if (glmVectorsEqual(v, &copies[3 * size_t(r)], epsilon)) return r;
  return best;
}

// 0 when no representative matches.
static unsigned findRepresentative(const WeldGrid& grid, const CellPlace& place, const float* copies,
                                   const float* v, float epsilon) {
  unsigned best = UINT32_MAX;
  for (int corner = 0; corner < 8; corner++) {
    CellKey key = place.key;
    bool exists = true;
    for (int a = 0; a < 3; a++) {
      if (!(corner >> a & 1)) continue;
      exists = exists && place.side[a] != 0;
      key.axis[a] += place.side[a];
    }
    if (exists) best = bestInCell(grid, key, copies, v, epsilon, best);
  }
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
    unsigned r = finite ? findRepresentative(grid, place, copies, v, epsilon) : 0;
    if (r == 0) {
      r = ++distinct;
      memcpy(&copies[3 * size_t(r)], v, 3 * sizeof(float));
      if (finite) addRepresentative(&grid, place.key, copies, r);
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
