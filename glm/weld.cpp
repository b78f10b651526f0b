// Vertex welding: vectors within epsilon of an earlier representative merge into it.
//
// Each vector joins the lowest-numbered representative that lies within epsilon of it in
// all three components, and becomes a representative itself when none does. Instead of
// comparing with every representative, the representatives are indexed in a hashed grid
// whose cells are a little more than CELL_WIDTH * epsilon wide: a match lies in the
// vector's own cell or, on an axis where the vector is within epsilon of a cell border, in
// the neighbour across that border. So at most 8 cells are searched, and a cell holds at
// most (CELL_WIDTH + 1)^3 representatives, since no two of them are within epsilon of each
// other.
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
// The cells of a vector this many places ahead are looked up early, so that the table's
// cache lines arrive while the vectors in between are welded.
constexpr unsigned LOOKAHEAD = 16;  // a power of two

struct CellKey {
  int64_t axis[3];
};

// Where a vector lies: its cell and, per axis, the neighbour (-1 or +1) that may also hold
// a match, or 0 when only its own cell can.
struct CellPlace {
  CellKey key;
  int side[3];
};

// One entry per representative, holding a copy of its coordinates so that a search reads
// the table's cache line and nothing else.
struct GridEntry {
  unsigned index;  // the representative's number, 0 when the entry is empty
  float xyz[3];
};

// An open-addressing table with linear probing and no deletions: every representative lies
// in the run of filled entries that starts at its cell's home entry.
struct WeldGrid {
  double inverseCellSize;
  size_t mask;  // entry count - 1 (a power of two)
  GridEntry* entries;
};

// The home entries of the cells that may hold a match for one vector, its own cell first.
struct Probe {
  int cells;  // 0 for a vector that is never matched
  size_t home[8];
};

WeldGrid makeGrid(unsigned count, float epsilon) {
  WeldGrid grid;
  // An infinite epsilon gives an inverse of 0, which puts every finite vector in one cell.
  grid.inverseCellSize = 1.0 / (CELL_WIDTH * CELL_MARGIN * epsilon);
  size_t entries = 8;
  while (entries < 2 * size_t(count)) entries *= 2;
  grid.mask = entries - 1;
  grid.entries = static_cast<GridEntry*>(glmAllocateLarge(entries, sizeof(GridEntry)));
  return grid;
}

int64_t axisKey(const WeldGrid& grid, float value, int* side) {
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

CellPlace placeOf(const WeldGrid& grid, const float* v) {
  CellPlace place;
  for (int a = 0; a < 3; a++) place.key.axis[a] = axisKey(grid, v[a], &place.side[a]);
  return place;
}

size_t homeOf(const WeldGrid& grid, const CellKey& key) {
  uint64_t h = uint64_t(key.axis[0]) * 0x9E3779B97F4A7C15u;
  h = (h ^ uint64_t(key.axis[1])) * 0xC2B2AE3D27D4EB4Fu;
  h = (h ^ uint64_t(key.axis[2])) * 0x165667B19E3779F9u;
  h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9u;
  h = (h ^ (h >> 27)) * 0x94D049BB133111EBu;
  return size_t(h ^ (h >> 31)) & grid.mask;
}

bool isFinite(const float* v) {
  return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

// The cells that may hold a match for v, its own cell first; their entries are fetched
// into the cache ahead of the search.
Probe planProbe(const WeldGrid& grid, const float* v) {
  Probe probe;
  probe.cells = 0;
  // A NaN or infinite component differs from everything by NaN or infinity: such a
  // vector never matches and is never matched, so it stays out of the grid.
  if (!isFinite(v)) return probe;
  CellPlace place = placeOf(grid, v);
  for (int corner = 0; corner < 8; corner++) {
    CellKey key = place.key;
    bool exists = true;
    for (int a = 0; a < 3; a++) {
      if (!(corner >> a & 1)) continue;
      exists = exists && place.side[a] != 0;
      key.axis[a] += place.side[a];
    }
    if (!exists) continue;
    size_t home = homeOf(grid, key);
    __builtin_prefetch(&grid.entries[home]);
    probe.home[probe.cells++] = home;
  }
  return probe;
}

// The lowest-numbered representative within epsilon of v, or 0. Runs may hold entries of
// other cells; those are representatives too, so checking them is harmless.
unsigned findRepresentative(const WeldGrid& grid, const Probe& probe, const float* v, float epsilon) {
  unsigned best = UINT32_MAX;
  for (int c = 0; c < probe.cells; c++)
    for (size_t e = probe.home[c]; grid.entries[e].index != 0; e = (e + 1) & grid.mask)
      if (grid.entries[e].index < best && glmVectorsEqual(v, grid.entries[e].xyz, epsilon))
        best = grid.entries[e].index;
  return best == UINT32_MAX ? 0 : best;
}

void addRepresentative(WeldGrid* grid, const Probe& probe, const float* v, unsigned r) {
  size_t e = probe.home[0];
  while (grid->entries[e].index != 0) e = (e + 1) & grid->mask;
  grid->entries[e].index = r;
  memcpy(grid->entries[e].xyz, v, sizeof grid->entries[e].xyz);
}

// Leaves vector i's new index r, as a float, in its x component and, when asked for, in
// newIndex[i].
void setNewIndex(float* vectors, unsigned* newIndex, unsigned i, unsigned r) {
  vectors[3 * size_t(i)] = float(r);
  if (newIndex) newIndex[i] = r;
}

// Sets the new indices and fills the representatives into copies; returns their number.
// Each x component is overwritten only after the vector has been welded.
unsigned weldWithGrid(float* vectors, unsigned count, float epsilon, float* copies, unsigned* newIndex) {
  WeldGrid grid = makeGrid(count, epsilon);
  Probe ahead[LOOKAHEAD];  // the probe of vector i sits at i % LOOKAHEAD
  for (unsigned i = 1; i <= count && i <= LOOKAHEAD; i++)
    ahead[i % LOOKAHEAD] = planProbe(grid, &vectors[3 * size_t(i)]);
  unsigned distinct = 0;
  for (unsigned i = 1; i <= count; i++) {
    const float* v = &vectors[3 * size_t(i)];
    Probe& probe = ahead[i % LOOKAHEAD];
    unsigned r = findRepresentative(grid, probe, v, epsilon);
    if (r == 0) {
      r = ++distinct;
      memcpy(&copies[3 * size_t(r)], v, 3 * sizeof(float));
      if (probe.cells != 0) addRepresentative(&grid, probe, v, r);
    }
    setNewIndex(vectors, newIndex, i, r);
    if (count - i >= LOOKAHEAD) probe = planProbe(grid, &vectors[3 * (size_t(i) + LOOKAHEAD)]);
  }
  free(grid.entries);
  return distinct;
}

// Welds the 1-based `vectors`: returns the array of representatives (room for the input
// count + 1 vectors), writes their number to *numvectors, and leaves each vector's new
// index, as a float, in its x component and, unless newIndex is null, in newIndex[i]
// (newIndex[0] = 0).
float* weldVectors(float* vectors, unsigned* numvectors, float epsilon, unsigned* newIndex) {
  unsigned count = *numvectors;
  float* copies = static_cast<float*>(glmAllocateLarge(size_t(count) + 1, 3 * sizeof(float)));
  if (vectors) memcpy(copies, vectors, (size_t(count) + 1) * 3 * sizeof(float));
  if (newIndex) newIndex[0] = 0;
  // No difference is below an epsilon of zero, a negative one or NaN: nothing merges.
  if (epsilon > 0) {
    *numvectors = weldWithGrid(vectors, count, epsilon, copies, newIndex);
  } else {
    for (unsigned i = 1; i <= count; i++) setNewIndex(vectors, newIndex, i, i);
  }
  return copies;
}

}  // namespace

float* glmWeldVectorArray(float* vectors, unsigned* numvectors, float epsilon) {
  return weldVectors(vectors, numvectors, epsilon, nullptr);
}

// Triangles are renumbered from the exact indices rather than from the float x components,
// which stop holding every integer beyond 2^24 vertices. A corner naming no vertex gets 0.
void glmWeldVertices(Model* model, float epsilon) {
  unsigned oldCount = model->numvertices, count = oldCount;
  unsigned* newIndex = static_cast<unsigned*>(glmAllocateLarge(size_t(count) + 1, sizeof(unsigned)));
  float* welded = weldVectors(model->vertices, &count, epsilon, newIndex);
  for (unsigned i = 0; i < model->numtriangles; i++)
    for (unsigned& v : model->triangles[i].vidx) v = v <= oldCount ? newIndex[v] : 0;
  free(newIndex);
  free(model->vertices);
  model->numvertices = count;
  model->vertices = glmTrimVectors(welded, count);
}
