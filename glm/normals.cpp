// Vector helpers, facet normals and crease-angle smoothed corner normals.
#include "glm/glm.h"
#include "glm/memory.h"

#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

float glmAbsValue(float f) { return f < 0 ? -f : f; }

float glmLarger(float a, float b) { return b > a ? b : a; }

float glmDotProduct(const float* u, const float* v) {
  assert(u);
  assert(v);
  return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
}

void glmCrossProduct(const float* u, const float* v, float* n) {
  assert(u);
  assert(v);
  assert(n);
  n[0] = u[1] * v[2] - u[2] * v[1];
  n[1] = u[2] * v[0] - u[0] * v[2];
  n[2] = u[0] * v[1] - u[1] * v[0];
}

// A zero vector is divided by a zero length on purpose: its non-finite result keeps
// degenerate triangles out of every normal average.
void glmMakeUnit(float* v) {
  assert(v);
  float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  v[0] /= length;
  v[1] /= length;
  v[2] /= length;
}

void glmComputeFacetNormals(Model* model) {
  assert(model);
  assert(model->vertices);
  model->numfacetnorms = model->numtriangles;
  model->facetnorms = glmReplaceVectors(model->facetnorms, model->numfacetnorms, 3);
  for (unsigned i = 0; i < model->numtriangles; i++) {
    ModelTriangle* triangle = &model->triangles[i];
    triangle->fidx = i + 1;
    const float* p0 = &model->vertices[3 * size_t(triangle->vidx[0])];
    const float* p1 = &model->vertices[3 * size_t(triangle->vidx[1])];
    const float* p2 = &model->vertices[3 * size_t(triangle->vidx[2])];
    float u[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    float v[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
    float* normal = &model->facetnorms[3 * size_t(i + 1)];
    glmCrossProduct(u, v, normal);
    glmMakeUnit(normal);
  }
}

namespace {

// The corners of each vertex, flat: entries first[v] .. first[v + 1] - 1 belong to vertex v
// and run from the highest-numbered triangle that uses it down to the lowest.
struct Membership {
  unsigned* first;           // numvertices + 2 offsets
  unsigned* triangle;        // triangle of each entry
  unsigned char* inAverage;  // 1 when the entry's facet joins the vertex's average
};

bool namesVertex(const Model* model, unsigned v) { return v >= 1 && v <= model->numvertices; }

// Counting sort by vertex. Each vertex's range is filled from its end towards its start
// while the triangles are visited in ascending order, so the highest-numbered triangle ends first.
Membership buildMembership(const Model* model) {
  size_t corners = 3 * size_t(model->numtriangles);
  Membership m;
  m.first = static_cast<unsigned*>(glmAllocate(size_t(model->numvertices) + 2, sizeof(unsigned)));
  m.triangle = static_cast<unsigned*>(glmAllocate(corners, sizeof(unsigned)));
  m.inAverage = static_cast<unsigned char*>(glmAllocate(corners, 1));
  for (unsigned i = 0; i < model->numtriangles; i++)
    for (unsigned v : model->triangles[i].vidx)
      if (namesVertex(model, v)) m.first[v]++;
  for (unsigned v = 1; v <= model->numvertices + 1; v++) m.first[v] += m.first[v - 1];
  for (unsigned i = 0; i < model->numtriangles; i++)
    for (unsigned v : model->triangles[i].vidx)
      if (namesVertex(model, v)) m.triangle[--m.first[v]] = i;
  return m;
}

void freeMembership(Membership* m) {
  free(m->first);
  free(m->triangle);
  free(m->inAverage);
}

const float* facetNormalOf(const Model* model, unsigned triangle) {
  return &model->facetnorms[3 * size_t(model->triangles[triangle].fidx)];
}

// Marks the entries of v whose facet lies within the crease angle of the reference facet
// (the first entry's) and sums their facet normals; false when none qualifies.
bool sumWithinCrease(const Model* model, Membership* m, unsigned v, float creaseCosine, float* sum) {
  const float* reference = facetNormalOf(model, m->triangle[m->first[v]]);
  bool any = false;
  for (unsigned e = m->first[v]; e < m->first[v + 1]; e++) {
    const float* facet = facetNormalOf(model, m->triangle[e]);
    float d = glmDotProduct(facet, reference);
    m->inAverage[e] = d > creaseCosine;
    if (!m->inAverage[e]) continue;
    any = true;
    for (int c = 0; c < 3; c++) sum[c] += facet[c];
  }
  return any;
}

// Every corner of the triangle that names v gets normal n, so a triangle naming one vertex
// twice never keeps a normal index from an earlier computation.
void setCornerNormals(ModelTriangle* triangle, unsigned v, unsigned n) {
  for (int c = 0; c < 3; c++)
    if (triangle->vidx[c] == v) triangle->nidx[c] = n;
}

void storeNormal(Model* model, unsigned k, const float* normal) {
  memcpy(&model->normals[3 * size_t(k)], normal, 3 * sizeof(float));
}

// Gives vertex v its normals, numbered from k: the average first, then one facet copy per
// entry outside the crease. Returns the next free normal number.
unsigned smoothVertex(Model* model, Membership* m, unsigned v, float creaseCosine, unsigned k) {
  if (m->first[v] == m->first[v + 1]) {
    fputs("glmVertexNormals(): vertex w/o a triangle\n", stderr);
    return k;
  }
  float sum[3] = {0, 0, 0};
  unsigned average = 0;
  if (sumWithinCrease(model, m, v, creaseCosine, sum)) {
    glmMakeUnit(sum);
    storeNormal(model, k, sum);
    average = k++;
  }
  for (unsigned e = m->first[v]; e < m->first[v + 1]; e++) {
    unsigned n = average;
    if (!m->inAverage[e]) {
      storeNormal(model, k, facetNormalOf(model, m->triangle[e]));
      n = k++;
    }
    setCornerNormals(&model->triangles[m->triangle[e]], v, n);
  }
  return k;
}

}  // namespace

void glmVertexNormals(Model* model, float angle) {
  assert(model);
  assert(model->facetnorms);
  // pi as the nearest float: 90 degrees gives a cosine just below zero, so perpendicular
  // facets still join an average.
  const float pi = 3.1415927f;
  float creaseCosine = float(cos(double(angle) * double(pi) / 180.0));
  model->normals = glmReplaceVectors(model->normals, 3 * size_t(model->numtriangles), 3);
  Membership m = buildMembership(model);
  unsigned k = 1;
  for (unsigned v = 1; v <= model->numvertices; v++) k = smoothVertex(model, &m, v, creaseCosine, k);
  model->numnormals = k - 1;
  freeMembership(&m);
  // The working array is sized for one normal per corner; keep only what was used.
  model->normals = glmTrimVectors(model->normals, model->numnormals);
}
