#include "glm/glm.h"
#include "support/model_builder.h"
#include "support/model_ptr.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

std::vector<float> normalAt(const Model* model, unsigned n) {
  return {model->normals[3 * n], model->normals[3 * n + 1], model->normals[3 * n + 2]};
}

std::vector<float> facetAt(const Model* model, unsigned n) {
  return {model->facetnorms[3 * n], model->facetnorms[3 * n + 1], model->facetnorms[3 * n + 2]};
}

void expectNear(const std::vector<float>& actual, const std::vector<float>& expected) {
  for (int c = 0; c < 3; c++) EXPECT_NEAR(actual[c], expected[c], 1e-6) << "component " << c;
}

ModelPtr smoothed(Model* model, float angle) {
  glmComputeFacetNormals(model);
  glmVertexNormals(model, angle);
  return ModelPtr(model);
}

// Vertex 1 at the origin and vertex 2 on the x axis are shared by three triangles whose
// normals are tilted 0, 50 and 100 degrees about x: (0, sin t, cos t).
Model* buildTiltedFan() {
  std::vector<float> xyz = {0, 0, 0, 1, 0, 0};
  for (double degrees : {0.0, 50.0, 100.0}) {
    double t = degrees * M_PI / 180;
    xyz.insert(xyz.end(), {0, float(cos(t)), float(-sin(t))});
  }
  return buildModel(xyz, {{1, 2, 3}, {1, 2, 4}, {1, 2, 5}});
}

std::vector<float> tilted(double degrees) {
  double t = degrees * M_PI / 180;
  return {0, float(sin(t)), float(cos(t))};
}

}  // namespace

TEST(VectorHelpers, LargerKeepsTheFirstOnTiesAndWhenTheSecondIsNaN) {
  EXPECT_FALSE(std::signbit(glmLarger(0.0f, -0.0f)));
  EXPECT_TRUE(std::signbit(glmLarger(-0.0f, 0.0f)));
  EXPECT_EQ(glmLarger(1.0f, NAN), 1.0f);
  EXPECT_TRUE(std::isnan(glmLarger(NAN, 1.0f)));
  EXPECT_EQ(glmLarger(-3.0f, 2.0f), 2.0f);
  EXPECT_EQ(glmAbsValue(-2.5f), 2.5f);
  EXPECT_EQ(glmAbsValue(2.5f), 2.5f);
}

TEST(VectorHelpers, CrossAndDotProductFollowTheRightHandRule) {
  float x[3] = {1, 0, 0}, y[3] = {0, 1, 0}, n[3];
  glmCrossProduct(x, y, n);
  EXPECT_EQ(n[0], 0.0f);
  EXPECT_EQ(n[1], 0.0f);
  EXPECT_EQ(n[2], 1.0f);
  glmCrossProduct(y, x, n);
  EXPECT_EQ(n[2], -1.0f);
  float a[3] = {1, 2, 3}, b[3] = {4, -5, 6};
  EXPECT_EQ(glmDotProduct(a, b), 12.0f);
}

TEST(VectorHelpers, MakeUnitScalesToLengthOneAndTurnsZeroIntoNaN) {
  float v[3] = {3, 0, -4};
  glmMakeUnit(v);
  EXPECT_FLOAT_EQ(v[0], 0.6f);
  EXPECT_EQ(v[1], 0.0f);
  EXPECT_FLOAT_EQ(v[2], -0.8f);
  float zero[3] = {0, 0, 0};
  glmMakeUnit(zero);
  for (float c : zero) EXPECT_TRUE(std::isnan(c));
}

TEST(VectorHelpersDeathTest, NullVectorsFailTheNamedAssertion) {
  float v[3] = {0, 0, 1};
  EXPECT_DEATH(glmDotProduct(nullptr, v), "Assertion `u' failed");
  EXPECT_DEATH(glmDotProduct(v, nullptr), "Assertion `v' failed");
  EXPECT_DEATH(glmCrossProduct(nullptr, v, v), "Assertion `u' failed");
  EXPECT_DEATH(glmCrossProduct(v, nullptr, v), "Assertion `v' failed");
  EXPECT_DEATH(glmCrossProduct(v, v, nullptr), "Assertion `n' failed");
  EXPECT_DEATH(glmMakeUnit(nullptr), "Assertion `v' failed");
}

TEST(FacetNormals, CounterClockwiseTrianglesFaceTheViewer) {
  ModelPtr cube(buildCube());
  glmComputeFacetNormals(cube.get());
  ASSERT_EQ(cube->numfacetnorms, 12u);
  const std::vector<std::vector<float>> faces = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0},
                                                 {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
  for (unsigned i = 0; i < 12; i++) {
    EXPECT_EQ(cube->triangles[i].fidx, i + 1);
    expectNear(facetAt(cube.get(), i + 1), faces[i / 2]);
  }
}

TEST(FacetNormals, RecomputingReplacesTheArrayAndDegenerateTrianglesGetNaN) {
  ModelPtr model(buildModel({0, 0, 0, 2, 0, 0, 0, 2, 0, 4, 0, 0}, {{1, 2, 3}, {1, 2, 4}}));
  model->facetnorms = heapEntries(std::vector<float>(30, 7.0f), 3);
  model->numfacetnorms = 10;
  glmComputeFacetNormals(model.get());
  EXPECT_EQ(model->numfacetnorms, 2u);
  expectNear(facetAt(model.get(), 1), {0, 0, 1});
  for (float c : facetAt(model.get(), 2)) EXPECT_TRUE(std::isnan(c));
}

TEST(FacetNormalsDeathTest, MissingModelOrVerticesFailTheNamedAssertion) {
  EXPECT_DEATH(glmComputeFacetNormals(nullptr), "Assertion `model' failed");
  ModelPtr model(buildModel({}, {}));
  free(model->vertices);
  model->vertices = nullptr;
  EXPECT_DEATH(glmComputeFacetNormals(model.get()), "Assertion `model->vertices' failed");
}

TEST(VertexNormals, CubeAtNinetyDegreesGetsOneNormalPerVertex) {
  // cos(90 degrees) with the float nearest pi is just below zero, so perpendicular faces
  // (dot product exactly 0) join the average.
  ModelPtr cube = smoothed(buildCube(), 90);
  ASSERT_EQ(cube->numnormals, 8u);
  for (unsigned i = 0; i < 12; i++)
    for (int c = 0; c < 3; c++) EXPECT_EQ(cube->triangles[i].nidx[c], cube->triangles[i].vidx[c]);
  // Vertex 1 touches one back, two left and two bottom triangles.
  expectNear(normalAt(cube.get(), 1), {-2.0f / 3, -2.0f / 3, -1.0f / 3});
  // The working array (one normal per corner, 37 entries) was shrunk to the 9 used.
  EXPECT_LT(malloc_usable_size(cube->normals), 16 * 3 * sizeof(float));
}

TEST(VertexNormals, CubeAtEightyNineDegreesKeepsPerpendicularFacesApart) {
  ModelPtr cube = smoothed(buildCube(), 89);
  // Each vertex: one average over its reference face, one copy per other triangle.
  EXPECT_EQ(cube->numnormals, 32u);
  // Vertex 1's list runs triangles 11, 10 (bottom), 7, 6 (left), 2 (back).
  expectNear(normalAt(cube.get(), 1), {0, -1, 0});
  expectNear(normalAt(cube.get(), 2), {-1, 0, 0});
  expectNear(normalAt(cube.get(), 3), {-1, 0, 0});
  expectNear(normalAt(cube.get(), 4), {0, 0, -1});
  EXPECT_EQ(cube->triangles[11].nidx[0], 1u);
  EXPECT_EQ(cube->triangles[10].nidx[0], 1u);
  EXPECT_EQ(cube->triangles[7].nidx[0], 2u);
  EXPECT_EQ(cube->triangles[6].nidx[0], 3u);
  EXPECT_EQ(cube->triangles[2].nidx[1], 4u);
  // Vertex 2's numbers follow: its list runs triangles 10 (bottom), 4, 3, 2.
  EXPECT_EQ(cube->triangles[10].nidx[1], 5u);
  EXPECT_EQ(cube->triangles[3].nidx[0], 7u);
}

TEST(VertexNormals, FacetsAreComparedWithTheHighestNumberedTriangleOnly) {
  // Crease 60: the 50-degree facet joins the 100-degree reference, the 0-degree facet does
  // not, although it lies within 60 degrees of the 50-degree one.
  ModelPtr fan = smoothed(buildTiltedFan(), 60);
  EXPECT_EQ(fan->numnormals, 7u);
  expectNear(normalAt(fan.get(), 1), tilted(75));
  expectNear(normalAt(fan.get(), 2), tilted(0));
  EXPECT_EQ(fan->triangles[2].nidx[0], 1u);
  EXPECT_EQ(fan->triangles[1].nidx[0], 1u);
  EXPECT_EQ(fan->triangles[0].nidx[0], 2u);
  EXPECT_EQ(fan->triangles[0].nidx[1], 4u);
  EXPECT_EQ(fan->triangles[2].nidx[2], 7u);
}

TEST(VertexNormals, CreaseOneEightySeparatesOnlyExactlyOppositeFacets) {
  // Folded back onto itself: the second triangle faces -z.
  ModelPtr folded = smoothed(buildModel({0, 0, 0, 1, 0, 0, 0, 1, 0}, {{1, 2, 3}, {1, 3, 2}}), 180);
  EXPECT_EQ(folded->numnormals, 6u);
  ModelPtr nearly = smoothed(buildModel({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0.01f}, {{1, 2, 3}, {1, 3, 4}}), 180);
  EXPECT_EQ(nearly->numnormals, 4u);
}

TEST(VertexNormals, CreaseZeroAveragesNothingForExactUnitFacets) {
  ModelPtr model = smoothed(buildModel({0, 0, 0, 1, 0, 0, 0, 1, 0}, {{1, 2, 3}}), 0);
  ASSERT_EQ(model->numnormals, 3u);
  for (unsigned n = 1; n <= 3; n++) expectNear(normalAt(model.get(), n), {0, 0, 1});
}

TEST(VertexNormals, FlatMeshGetsTheCommonFacetNormalOncePerVertex) {
  ModelPtr flat = smoothed(buildModel({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, {{1, 2, 3}, {1, 3, 4}}), 90);
  ASSERT_EQ(flat->numnormals, 4u);
  for (unsigned n = 1; n <= 4; n++) expectNear(normalAt(flat.get(), n), {0, 0, 1});
  for (unsigned i = 0; i < 2; i++)
    for (int c = 0; c < 3; c++) EXPECT_EQ(flat->triangles[i].nidx[c], flat->triangles[i].vidx[c]);
}

TEST(VertexNormals, DegenerateReferenceFacetAveragesNothing) {
  // Triangle 1 is a line (vertices 1, 2, 4 on the x axis); it is vertex 1's and 2's reference.
  ModelPtr model = smoothed(buildModel({0, 0, 0, 1, 0, 0, 0, 1, 0, 2, 0, 0}, {{1, 2, 3}, {1, 2, 4}}), 90);
  EXPECT_EQ(model->numnormals, 6u);
  EXPECT_TRUE(std::isnan(normalAt(model.get(), 1)[2]));
  expectNear(normalAt(model.get(), 2), {0, 0, 1});
  for (int c = 0; c < 3; c++) {
    EXPECT_TRUE(std::isfinite(normalAt(model.get(), model->triangles[0].nidx[c])[2]));
    EXPECT_TRUE(std::isnan(normalAt(model.get(), model->triangles[1].nidx[c])[2]));
  }
}

TEST(VertexNormals, EveryCornerNamingTheSameVertexGetsAFreshIndex) {
  ModelPtr model(buildModel({0, 0, 0, 1, 0, 0, 0, 1, 0}, {{1, 2, 3}, {1, 1, 2}, {3, 3, 3}}));
  for (unsigned i = 0; i < 3; i++)
    for (unsigned& n : model->triangles[i].nidx) n = 999;
  glmComputeFacetNormals(model.get());
  glmVertexNormals(model.get(), 90);
  for (unsigned i = 0; i < 3; i++)
    for (unsigned n : model->triangles[i].nidx) {
      EXPECT_GE(n, 1u);
      EXPECT_LE(n, model->numnormals);
    }
  EXPECT_EQ(model->triangles[1].nidx[1], model->triangles[1].nidx[0]);
  EXPECT_EQ(model->triangles[2].nidx[1], model->triangles[2].nidx[0]);
  EXPECT_EQ(model->triangles[2].nidx[2], model->triangles[2].nidx[0]);
}

TEST(VertexNormals, VertexWithoutTriangleIsReportedAndGetsNoNormal) {
  ModelPtr model(buildModel({0, 0, 0, 5, 5, 5, 1, 0, 0, 0, 1, 0}, {{1, 3, 4}}));
  glmComputeFacetNormals(model.get());
  testing::internal::CaptureStderr();
  glmVertexNormals(model.get(), 90);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "glmVertexNormals(): vertex w/o a triangle\n");
  EXPECT_EQ(model->numnormals, 3u);
  EXPECT_EQ(model->triangles[0].nidx[1], 2u);
}

TEST(VertexNormals, ModelWithoutTrianglesReportsEveryVertex) {
  ModelPtr model(buildModel({0, 0, 0, 1, 1, 1}, {}));
  glmComputeFacetNormals(model.get());
  testing::internal::CaptureStderr();
  glmVertexNormals(model.get(), 90);
  std::string line = "glmVertexNormals(): vertex w/o a triangle\n";
  EXPECT_EQ(testing::internal::GetCapturedStderr(), line + line);
  EXPECT_EQ(model->numnormals, 0u);
  EXPECT_NE(model->normals, nullptr);
}

TEST(VertexNormals, SecondRunGivesTheSameResultAsTheFirst) {
  ModelPtr cube = smoothed(buildCube(), 89);
  std::vector<float> first(cube->normals, cube->normals + 3 * (cube->numnormals + 1));
  std::vector<unsigned> firstIndices;
  for (unsigned i = 0; i < 12; i++) firstIndices.insert(firstIndices.end(), cube->triangles[i].nidx, cube->triangles[i].nidx + 3);
  glmVertexNormals(cube.get(), 89);
  ASSERT_EQ(cube->numnormals, 32u);
  for (unsigned i = 3; i < first.size(); i++) EXPECT_EQ(cube->normals[i], first[i]);
  for (unsigned i = 0; i < 12; i++)
    for (int c = 0; c < 3; c++) EXPECT_EQ(cube->triangles[i].nidx[c], firstIndices[3 * i + c]);
}

TEST(VertexNormalsDeathTest, MissingModelOrFacetNormalsFailTheNamedAssertion) {
  EXPECT_DEATH(glmVertexNormals(nullptr, 90), "Assertion `model' failed");
  ModelPtr cube(buildCube());
  EXPECT_DEATH(glmVertexNormals(cube.get(), 90), "Assertion `model->facetnorms' failed");
}
