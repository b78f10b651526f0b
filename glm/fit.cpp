// Fitting into the unit cube, extents, uniform scaling and winding reversal.
#include "glm/glm.h"

#include <cassert>
#include <cmath>
#include <utility>

namespace {

struct Bounds {
  float max[3];
  float min[3];
};

// The bounding box of vertices 1..numvertices; all zero for a model without vertices.
Bounds measureBounds(const Model* model) {
  Bounds b = {{0, 0, 0}, {0, 0, 0}};
  if (model->numvertices == 0) return b;
  for (int axis = 0; axis < 3; axis++) b.max[axis] = b.min[axis] = model->vertices[3 + axis];
  for (unsigned i = 1; i <= model->numvertices; i++) {
    const float* v = &model->vertices[3 * size_t(i)];
    for (int axis = 0; axis < 3; axis++) {
      if (b.max[axis] < v[axis]) b.max[axis] = v[axis];
      if (b.min[axis] > v[axis]) b.min[axis] = v[axis];
    }
  }
  return b;
}

// The extent is |max| + |min|, which equals the width only when the range contains 0.
float extentOf(const Bounds& b, int axis) { return glmAbsValue(b.max[axis]) + glmAbsValue(b.min[axis]); }

float largestExtent(const Bounds& b) {
  return glmLarger(glmLarger(extentOf(b, 0), extentOf(b, 1)), extentOf(b, 2));
}

void negateVectors(float* vectors, unsigned count) {
  for (size_t i = 3; i < 3 * (size_t(count) + 1); i++) vectors[i] = -vectors[i];
}

}  // namespace

float glmFitUnitCube(Model* model) {
  assert(model);
  assert(model->vertices);
  Bounds b = measureBounds(model);
  float scale = 2.0 / largestExtent(b);
  // Extents of zero (every coordinate 0, or no vertices) give no finite scale; leave the
  // model as it is rather than turn every coordinate into NaN.
  if (!std::isfinite(scale)) return 1.0f;
  float centre[3];
  for (int axis = 0; axis < 3; axis++) centre[axis] = (b.max[axis] + b.min[axis]) / 2.0;
  for (unsigned i = 1; i <= model->numvertices; i++) {
    float* v = &model->vertices[3 * size_t(i)];
    for (int axis = 0; axis < 3; axis++) {
      v[axis] -= centre[axis];
      v[axis] *= scale;
    }
  }
  return scale;
}

void glmMeasureExtents(Model* model, float* dimensions) {
  assert(model);
  assert(model->vertices);
  assert(dimensions);
  Bounds b = measureBounds(model);
  for (int axis = 0; axis < 3; axis++) dimensions[axis] = extentOf(b, axis);
}

void glmScaleVertices(Model* model, float scale) {
  for (size_t i = 3; i < 3 * (size_t(model->numvertices) + 1); i++) model->vertices[i] *= scale;
}

void glmFlipWinding(Model* model) {
  assert(model);
  for (unsigned i = 0; i < model->numtriangles; i++) {
    ModelTriangle* triangle = &model->triangles[i];
    std::swap(triangle->vidx[0], triangle->vidx[2]);
    if (model->numnormals) std::swap(triangle->nidx[0], triangle->nidx[2]);
    if (model->numtexcoords) std::swap(triangle->tidx[0], triangle->tidx[2]);
  }
  negateVectors(model->facetnorms, model->numfacetnorms);
  negateVectors(model->normals, model->numnormals);
}
