#include "glm/glm.h"
#include "support/model_builder.h"
#include "support/model_ptr.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

std::vector<float> texCoordAt(const Model* model, unsigned i) {
  return {model->texcoords[2 * i], model->texcoords[2 * i + 1]};
}

// Sphere-map coordinates of the given normals, one per entry.
ModelPtr sphereMapped(const std::vector<float>& normals) {
  ModelPtr model(buildModel({0, 0, 0}, {}));
  setNormals(model.get(), normals);
  glmSphereMapTexCoords(model.get());
  return model;
}

}  // namespace

TEST(PlanarTexCoords, CentredModelMapsXAndZIntoZeroToOne) {
  ModelPtr model(buildModel({1, 0.3f, -0.5f, -1, 0, 0, 0, -0.5f, 0.5f, 0, 0.5f, 0}, {}));
  glmPlanarTexCoords(model.get());
  ASSERT_EQ(model->numtexcoords, 4u);
  EXPECT_EQ(texCoordAt(model.get(), 1), (std::vector<float>{1.0f, 0.25f}));
  EXPECT_EQ(texCoordAt(model.get(), 2), (std::vector<float>{0.0f, 0.5f}));
  EXPECT_EQ(texCoordAt(model.get(), 3), (std::vector<float>{0.5f, 0.75f}));
}

TEST(PlanarTexCoords, ModelOffTheOriginIsScaledButNotMoved) {
  ModelPtr model(buildModel({5, -1, -1, 10, 1, 1, 10, 0, 0}, {}));
  glmPlanarTexCoords(model.get());
  EXPECT_NEAR(texCoordAt(model.get(), 3)[0], (20.0 / 15 + 1) / 2, 1e-6);
  EXPECT_NEAR(texCoordAt(model.get(), 3)[1], 0.5, 1e-6);
}

TEST(PlanarTexCoords, ZeroExtentsGiveFiniteCoordinates) {
  ModelPtr model(buildModel({0, 0, 0, 0, 0, 0}, {{1, 2, 1}}));
  glmPlanarTexCoords(model.get());
  EXPECT_EQ(texCoordAt(model.get(), 1), (std::vector<float>{0.5f, 0.5f}));
  EXPECT_EQ(texCoordAt(model.get(), 2), (std::vector<float>{0.5f, 0.5f}));
}

TEST(PlanarTexCoords, ModelWithoutVerticesReadsNothing) {
  ModelPtr model(buildModel({}, {}));
  free(model->vertices);
  model->vertices = static_cast<float*>(calloc(3, sizeof(float)));
  glmPlanarTexCoords(model.get());
  EXPECT_EQ(model->numtexcoords, 0u);
  EXPECT_NE(model->texcoords, nullptr);
}

TEST(PlanarTexCoords, ReplacesOldCoordinatesAndPointsGroupedCornersAtTheirVertex) {
  ModelPtr model(buildModel({-1, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -1}, {{1, 2, 3}, {1, 3, 4}}));
  setTexCoords(model.get(), std::vector<float>(20, 9.0f));
  // Triangle 2 is listed in no group and keeps its indices.
  model->numtriangles = 3;
  model->triangles = static_cast<ModelTriangle*>(realloc(model->triangles, 3 * sizeof(ModelTriangle)));
  model->triangles[2] = ModelTriangle{{2, 3, 4}, {0, 0, 0}, {7, 7, 7}, 0};
  addGroup(model.get(), "second", {1});
  glmPlanarTexCoords(model.get());
  EXPECT_EQ(model->numtexcoords, 4u);
  for (unsigned i = 0; i < 2; i++)
    for (int c = 0; c < 3; c++) EXPECT_EQ(model->triangles[i].tidx[c], model->triangles[i].vidx[c]);
  EXPECT_EQ(model->triangles[2].tidx[0], 7u);
}

TEST(SphereMapTexCoords, AxisNormalsGiveTheStatedCoordinates) {
  ModelPtr model = sphereMapped({0, 1, 0, 0, -1, 0, 0, 0, 1, 0, 0, -1, 1, 0, 0, -1, 0, 0});
  ASSERT_EQ(model->numtexcoords, 6u);
  EXPECT_EQ(texCoordAt(model.get(), 1), (std::vector<float>{1.0f, 0.5f}));
  // asin(-1) + 1.570796325 is slightly below zero.
  EXPECT_FLOAT_EQ(texCoordAt(model.get(), 2)[0], -5.713333e-10f);
  EXPECT_EQ(texCoordAt(model.get(), 2)[1], 0.5f);
  // y = 0 takes the substitute 1.5707961, two units in the last place below pi / 2.
  EXPECT_EQ(texCoordAt(model.get(), 3), (std::vector<float>{0.49999994f, 0.5f}));
  EXPECT_EQ(texCoordAt(model.get(), 4), (std::vector<float>{0.49999994f, 0.5f}));
  EXPECT_EQ(texCoordAt(model.get(), 5), (std::vector<float>{0.0f, 0.0f}));
  EXPECT_EQ(texCoordAt(model.get(), 6), (std::vector<float>{0.0f, 0.0f}));
}

TEST(SphereMapTexCoords, SignOfZAndLengthDoNotMatter) {
  ModelPtr model = sphereMapped({0, 0.6f, 0.8f, 0, 0.6f, -0.8f, 0, 3, 4});
  EXPECT_EQ(texCoordAt(model.get(), 1), (std::vector<float>{0.7048328f, 0.5f}));
  EXPECT_EQ(texCoordAt(model.get(), 2), texCoordAt(model.get(), 1));
  EXPECT_NEAR(texCoordAt(model.get(), 3)[0], 0.7048328f, 1e-6);
}

TEST(SphereMapTexCoords, GroupedCornersPointAtTheirNormal) {
  ModelPtr cube(buildCube());
  glmComputeFacetNormals(cube.get());
  glmVertexNormals(cube.get(), 89);
  glmSphereMapTexCoords(cube.get());
  EXPECT_EQ(cube->numtexcoords, cube->numnormals);
  for (unsigned i = 0; i < 12; i++)
    for (int c = 0; c < 3; c++) EXPECT_EQ(cube->triangles[i].tidx[c], cube->triangles[i].nidx[c]);
}

TEST(TexCoordsDeathTest, MissingArraysFailTheNamedAssertion) {
  EXPECT_DEATH(glmPlanarTexCoords(nullptr), "Assertion `model' failed");
  EXPECT_DEATH(glmSphereMapTexCoords(nullptr), "Assertion `model' failed");
  ModelPtr model(buildModel({}, {}));
  EXPECT_DEATH(glmSphereMapTexCoords(model.get()), "Assertion `model->normals' failed");
  free(model->vertices);
  model->vertices = nullptr;
  EXPECT_DEATH(glmPlanarTexCoords(model.get()), "Assertion `model->vertices' failed");
}
