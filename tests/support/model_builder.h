// Models built from literal data on the C heap, released with glmFreeModel like read ones.
#ifndef TESTS_SUPPORT_MODEL_BUILDER_H
#define TESTS_SUPPORT_MODEL_BUILDER_H

#include "glm/glm.h"

#include <array>
#include <vector>

using Corners = std::array<unsigned, 3>;

// A model with the given vertices (x, y, z per vertex; the first is vertex 1) and triangles
// (1-based vertex indices per corner), every triangle listed in one group "default".
// Other arrays are null and their counts 0.
Model* buildModel(const std::vector<float>& xyz, const std::vector<Corners>& triangles);

// A 1-based heap array of `width`-float entries holding `values`, entry 0 zero. Caller frees.
float* heapEntries(const std::vector<float>& values, unsigned width);

// Sets the model's normals (x, y, z per normal) or texture coordinates (u, v per entry).
void setNormals(Model* model, const std::vector<float>& xyz);
void setTexCoords(Model* model, const std::vector<float>& uv);

// Adds a group listing the given 0-based triangles at the head of the group list.
void addGroup(Model* model, const char* name, const std::vector<unsigned>& triangles);

// The cube -1..1: 8 vertices, 12 outward-facing triangles.
Model* buildCube();

#endif
