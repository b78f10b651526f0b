#include "glm/glm.h"
#include "support/model_builder.h"
#include "support/model_ptr.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

std::vector<float> vertexArray(const Model* model) {
  return std::vector<float>(model->vertices + 3, model->vertices + 3 * (model->numvertices + 1));
}

std::vector<float> extentsOf(Model* model) {
  float dimensions[3];
  glmMeasureExtents(model, dimensions);
  return {dimensions[0], dimensions[1], dimensions[2]};
}

// A model whose vertex array holds exactly entry 0, so that any read of vertex 1 is caught
// by AddressSanitizer.
ModelPtr withoutVertices() {
  ModelPtr model(buildModel({}, {}));
  free(model->vertices);
  model->vertices = static_cast<float*>(calloc(3, sizeof(float)));
  return model;
}

}  // namespace

TEST(MeasureExtents, AddsTheMagnitudesOfMaximumAndMinimum) {
  ModelPtr model(buildModel({-2, 0, 0, 4, 1, 0, 0, -1, 3}, {}));
  EXPECT_EQ(extentsOf(model.get()), (std::vector<float>{6, 2, 3}));
  // Wholly on one side of the origin: 10 + 5, not the width 5.
  ModelPtr offset(buildModel({5, -1, -1, 10, 1, 1}, {}));
  EXPECT_EQ(extentsOf(offset.get())[0], 15.0f);
}

TEST(FitUnitCube, CentresTheBoxAndScalesByTwoOverTheLargestExtent) {
  ModelPtr model(buildModel({-2, 0, 0, 4, 1, 0, 0, -1, 3}, {}));
  EXPECT_FLOAT_EQ(glmFitUnitCube(model.get()), 1.0f / 3);
  std::vector<float> v = vertexArray(model.get());
  // Centre (1, 0, 1.5), then scale 1/3.
  EXPECT_FLOAT_EQ(v[0], -1.0f);
  EXPECT_FLOAT_EQ(v[3], 1.0f);
  EXPECT_FLOAT_EQ(v[4], 1.0f / 3);
  EXPECT_FLOAT_EQ(v[8], 0.5f);
}

TEST(FitUnitCube, ModelOffTheOriginEndsSmallerThanTheCube) {
  ModelPtr model(buildModel({5, -1, -1, 10, 1, 1}, {}));
  EXPECT_FLOAT_EQ(glmFitUnitCube(model.get()), 2.0f / 15);
  EXPECT_FLOAT_EQ(model->vertices[3], -1.0f / 3);
  EXPECT_FLOAT_EQ(model->vertices[6], 1.0f / 3);
}

TEST(FitUnitCube, SymmetricCubeOfSizeTwoIsLeftUnchanged) {
  ModelPtr cube(buildCube());
  std::vector<float> before = vertexArray(cube.get());
  EXPECT_EQ(glmFitUnitCube(cube.get()), 1.0f);
  EXPECT_EQ(vertexArray(cube.get()), before);
}

TEST(FitUnitCube, ZeroExtentsLeaveTheCoordinatesFinite) {
  ModelPtr model(buildModel({0, 0, 0, 0, 0, 0}, {}));
  EXPECT_EQ(glmFitUnitCube(model.get()), 1.0f);
  EXPECT_EQ(vertexArray(model.get()), std::vector<float>(6, 0.0f));
  // Extents so small that 2 / extent overflows are treated the same way.
  ModelPtr tiny(buildModel({1e-39f, 0, 0, 0, 0, 0}, {}));
  EXPECT_EQ(glmFitUnitCube(tiny.get()), 1.0f);
  EXPECT_EQ(tiny->vertices[3], 1e-39f);
}

TEST(FitUnitCube, PointAwayFromTheOriginEndsAtTheOrigin) {
  ModelPtr model(buildModel({3, 4, 5, 3, 4, 5}, {}));
  glmFitUnitCube(model.get());
  EXPECT_EQ(vertexArray(model.get()), std::vector<float>(6, 0.0f));
}

TEST(FitUnitCube, ModelWithoutVerticesReadsNothing) {
  ModelPtr model = withoutVertices();
  EXPECT_EQ(glmFitUnitCube(model.get()), 1.0f);
  EXPECT_EQ(extentsOf(model.get()), std::vector<float>(3, 0.0f));
}

TEST(FitDeathTest, MissingArgumentsFailTheNamedAssertion) {
  EXPECT_DEATH(glmFitUnitCube(nullptr), "Assertion `model' failed");
  float dimensions[3];
  EXPECT_DEATH(glmMeasureExtents(nullptr, dimensions), "Assertion `model' failed");
  ModelPtr model(buildModel({1, 2, 3}, {}));
  EXPECT_DEATH(glmMeasureExtents(model.get(), nullptr), "Assertion `dimensions' failed");
  free(model->vertices);
  model->vertices = nullptr;
  EXPECT_DEATH(glmFitUnitCube(model.get()), "Assertion `model->vertices' failed");
  EXPECT_DEATH(glmMeasureExtents(model.get(), dimensions), "Assertion `model->vertices' failed");
  EXPECT_DEATH(glmFlipWinding(nullptr), "Assertion `model' failed");
}

TEST(ScaleVertices, MinusOneNegatesCoordinatesAndNothingElse) {
  ModelPtr cube(buildCube());
  glmComputeFacetNormals(cube.get());
  glmVertexNormals(cube.get(), 90);
  std::vector<float> before = vertexArray(cube.get());
  std::vector<float> normals(cube->normals, cube->normals + 3 * (cube->numnormals + 1));
  glmScaleVertices(cube.get(), -1);
  std::vector<float> after = vertexArray(cube.get());
  for (size_t i = 0; i < before.size(); i++) EXPECT_EQ(after[i], -before[i]);
  EXPECT_EQ(std::vector<float>(cube->normals, cube->normals + normals.size()), normals);
  EXPECT_EQ(cube->triangles[0].vidx[1], 6u);
  glmScaleVertices(cube.get(), 1);
  EXPECT_EQ(vertexArray(cube.get()), after);
}

TEST(FlipWinding, ReversesCornersAndNegatesEveryNormal) {
  ModelPtr model(buildModel({0, 0, 0, 1, 0, 0, 0, 1, 0}, {{1, 2, 3}}));
  glmComputeFacetNormals(model.get());
  glmVertexNormals(model.get(), 90);
  setTexCoords(model.get(), {0, 0, 1, 0, 0, 1});
  model->triangles[0].tidx[0] = 1;
  model->triangles[0].tidx[2] = 3;
  glmFlipWinding(model.get());
  const ModelTriangle& t = model->triangles[0];
  EXPECT_EQ((std::vector<unsigned>{t.vidx[0], t.vidx[1], t.vidx[2]}), (std::vector<unsigned>{3, 2, 1}));
  EXPECT_EQ((std::vector<unsigned>{t.nidx[0], t.nidx[1], t.nidx[2]}), (std::vector<unsigned>{3, 2, 1}));
  EXPECT_EQ(t.tidx[0], 3u);
  EXPECT_EQ(t.tidx[2], 1u);
  EXPECT_EQ(t.fidx, 1u);
  EXPECT_EQ(model->facetnorms[5], -1.0f);
  for (unsigned n = 1; n <= 3; n++) EXPECT_EQ(model->normals[3 * n + 2], -1.0f);
}

TEST(FlipWinding, SwapsOnlyVertexIndicesWhenThereAreNoNormalsOrTexCoords) {
  ModelPtr model(buildModel({0, 0, 0, 1, 0, 0, 0, 1, 0}, {{1, 2, 3}}));
  glmComputeFacetNormals(model.get());
  ModelTriangle& t = model->triangles[0];
  t.nidx[0] = t.tidx[0] = 7;
  glmFlipWinding(model.get());
  EXPECT_EQ(t.vidx[0], 3u);
  EXPECT_EQ(t.nidx[0], 7u);
  EXPECT_EQ(t.tidx[0], 7u);
  EXPECT_EQ(model->facetnorms[5], -1.0f);
}
