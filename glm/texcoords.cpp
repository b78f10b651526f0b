// Generated texture coordinates: planar (from x and z) and sphere map (from corner normals).
#include "glm/glm.h"
#include "glm/memory.h"

#include <cassert>
#include <cmath>

namespace {

void replaceTexCoords(Model* model, unsigned count) {
  model->numtexcoords = count;
  model->texcoords = glmReplaceVectors(model->texcoords, count, 2);
}

// Points every corner of the triangles listed in a group at the texture coordinate that
// shares the index of its vertex (fromNormals false) or of its normal (true).
void pointCornersAtTexCoords(Model* model, bool fromNormals) {
  for (ModelGroup* group = model->groups; group; group = group->next)
    for (unsigned i = 0; i < group->numtriangles; i++) {
      ModelTriangle* triangle = &model->triangles[group->triangles[i]];
      for (int c = 0; c < 3; c++) triangle->tidx[c] = fromNormals ? triangle->nidx[c] : triangle->vidx[c];
    }
}

}  // namespace

void glmPlanarTexCoords(Model* model) {
  assert(model);
  replaceTexCoords(model, model->numvertices);
  float dimensions[3];
  glmMeasureExtents(model, dimensions);
  float scale = 2.0 / glmAbsValue(glmLarger(glmLarger(dimensions[0], dimensions[1]), dimensions[2]));
  // Zero extents give no finite scale: map the coordinates unscaled instead of to NaN.
  if (!std::isfinite(scale)) scale = 1.0f;
  for (unsigned i = 1; i <= model->numvertices; i++) {
    float x = scale * model->vertices[3 * size_t(i)];
    float z = scale * model->vertices[3 * size_t(i) + 2];
    model->texcoords[2 * size_t(i)] = (x + 1.0) / 2.0;
    model->texcoords[2 * size_t(i) + 1] = (z + 1.0) / 2.0;
  }
  pointCornersAtTexCoords(model, false);
}

namespace {

// u from the angle around the x axis, v from the angle to +x, both scaled from 0..pi to 0..1.
void sphereMapCoordinate(const float* normal, float* texcoord) {
  float x = normal[0], y = normal[1], z = normal[2];
  float r = std::sqrt(z * z + y * y);
  float rho = std::sqrt(r * r + x * x);
  float theta = 0, phi = 0;
  if (r != 0) {
    phi = x == 0 ? 1.5707964f : float(std::acos(double(x / rho)));
    theta = y == 0 ? 1.5707961f : float(std::asin(double(y / r)) + 1.570796325);
  }
  texcoord[0] = theta / 3.14159265;
  texcoord[1] = phi / 3.14159265;
}

}  // namespace

void glmSphereMapTexCoords(Model* model) {
  assert(model);
  assert(model->normals);
  replaceTexCoords(model, model->numnormals);
  for (unsigned i = 1; i <= model->numnormals; i++)
    sphereMapCoordinate(&model->normals[3 * size_t(i)], &model->texcoords[2 * size_t(i)]);
  pointCornersAtTexCoords(model, true);
}
