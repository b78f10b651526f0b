// Hand-built models with every array, material and group set, for the drawing and
// writing tests; made without any reader.
#ifndef TESTS_SUPPORT_DRAW_FIXTURES_H
#define TESTS_SUPPORT_DRAW_FIXTURES_H

#include "glm/glm.h"

#include <string>
#include <vector>

struct FixtureMaterial {
  std::string name;
  float ambient[3];
  float diffuse[3];
  float specular[3];
  float shininess;
};

struct FixtureGroup {
  std::string name;
  int material;
  std::vector<unsigned> triangles;  // 0-based indices into FixtureModel::triangles
};

// Vector arrays are listed without the unused entry 0; an empty list becomes a null
// array. Groups are listed oldest first, as a reader would create them.
struct FixtureModel {
  std::vector<float> vertices, normals, texcoords, facetnorms;
  std::vector<ModelTriangle> triangles;
  std::vector<FixtureMaterial> materials;
  std::vector<FixtureGroup> groups;
  std::string mtllibname;  // empty: none
};

// A heap model laid out as a reader leaves it (with facet normals already computed);
// release it with glmFreeModel.
Model* buildFixtureModel(const FixtureModel& fixture);

// A square from (-0.5, -0.5) to (0.5, 0.5) at z = 0 split into two triangles: triangle 0
// (vertices 1 2 3, lower right) in "default" with material "blue", triangle 1 (vertices
// 1 3 4, upper left) in the newer group "roof" with material "red". Corner normals
// (0 0 1), (0.6 0 0.8), (0 0.8 0.6); facet normals (0 0 1) and (0.8 0 0.6); texture
// coordinates at the square's corners. Library "square.mtl".
FixtureModel squareFixture();

// The square as a heap model that keeps only the arrays asked for; the others are null.
Model* buildSquareModel(bool facetnorms, bool normals, bool texcoords, bool materials);

#endif
