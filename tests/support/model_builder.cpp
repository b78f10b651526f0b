#include "support/model_builder.h"

#include <cstdlib>
#include <cstring>

float* heapEntries(const std::vector<float>& values, unsigned width) {
  float* entries = static_cast<float*>(calloc(values.size() + width, sizeof(float)));
  if (!values.empty()) memcpy(entries + width, values.data(), values.size() * sizeof(float));
  return entries;
}

void addGroup(Model* model, const char* name, const std::vector<unsigned>& triangles) {
  ModelGroup* group = static_cast<ModelGroup*>(calloc(1, sizeof(ModelGroup)));
  group->name = strdup(name);
  group->numtriangles = unsigned(triangles.size());
  group->triangles = static_cast<unsigned*>(calloc(triangles.size() + 1, sizeof(unsigned)));
  if (!triangles.empty()) memcpy(group->triangles, triangles.data(), triangles.size() * sizeof(unsigned));
  group->next = model->groups;
  model->groups = group;
  model->numgroups++;
}

Model* buildModel(const std::vector<float>& xyz, const std::vector<Corners>& triangles) {
  Model* model = static_cast<Model*>(calloc(1, sizeof(Model)));
  model->pathname = strdup("built");
  model->numvertices = unsigned(xyz.size() / 3);
  model->vertices = heapEntries(xyz, 3);
  model->numtriangles = unsigned(triangles.size());
  model->triangles = static_cast<ModelTriangle*>(calloc(triangles.size() + 1, sizeof(ModelTriangle)));
  std::vector<unsigned> all;
  for (unsigned i = 0; i < triangles.size(); i++) {
    for (int c = 0; c < 3; c++) model->triangles[i].vidx[c] = triangles[i][c];
    all.push_back(i);
  }
  addGroup(model, "default", all);
  return model;
}

void setNormals(Model* model, const std::vector<float>& xyz) {
  free(model->normals);
  model->numnormals = unsigned(xyz.size() / 3);
  model->normals = heapEntries(xyz, 3);
}

void setTexCoords(Model* model, const std::vector<float>& uv) {
  free(model->texcoords);
  model->numtexcoords = unsigned(uv.size() / 2);
  model->texcoords = heapEntries(uv, 2);
}

Model* buildCube() {
  return buildModel({-1, -1, -1, 1, -1, -1, 1, 1, -1, -1, 1, -1,   // back face z = -1: 1 2 3 4
                     -1, -1, 1, 1, -1, 1, 1, 1, 1, -1, 1, 1},      // front face z = 1: 5 6 7 8
                    {{5, 6, 7}, {5, 7, 8},                         // front (+z)
                     {2, 1, 4}, {2, 4, 3},                         // back (-z)
                     {6, 2, 3}, {6, 3, 7},                         // right (+x)
                     {1, 5, 8}, {1, 8, 4},                         // left (-x)
                     {8, 7, 3}, {8, 3, 4},                         // top (+y)
                     {1, 2, 6}, {1, 6, 5}});                       // bottom (-y)
}
