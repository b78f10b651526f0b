#include "glm/glm.h"
#include "support/draw_fixtures.h"
#include "support/feedback.h"
#include "support/gl_context.h"
#include "support/model_ptr.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int SIZE = 64;  // the square's corners land on window coordinates 16 and 48

ModelPtr square() { return ModelPtr(buildFixtureModel(squareFixture())); }

std::string drawWarnings(Model* model, unsigned mode) {
  testing::internal::CaptureStdout();
  glmDraw(model, mode);
  return testing::internal::GetCapturedStdout();
}

void expectColor(const Corner& corner, float r, float g, float b) {
  EXPECT_NEAR(corner.color[0], r, 1e-3);
  EXPECT_NEAR(corner.color[1], g, 1e-3);
  EXPECT_NEAR(corner.color[2], b, 1e-3);
}

class Draw : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(makeOffscreenGlContext(SIZE, SIZE));
    glViewport(0, 0, SIZE, SIZE);
  }
  void TearDown() override {
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    releaseOffscreenGlContext();
  }

  // A white directional light along +z with no ambient or specular part, so a lit
  // corner's colour is the diffuse colour times its normal's z.
  static void lightFromViewer() {
    const float direction[] = {0, 0, 1, 0}, white[] = {1, 1, 1, 1}, black[] = {0, 0, 0, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, black);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
  }
};

TEST_F(Draw, SendsEachGroupAsTrianglesNewestGroupFirst) {
  ModelPtr model = square();
  Polygons polygons = feedback([&] { glmDraw(model.get(), GLMMODE_NONE); });
  ASSERT_EQ(polygons.size(), 2u);
  const float roof[3][2] = {{16, 16}, {48, 48}, {16, 48}}, lower[3][2] = {{16, 16}, {48, 16}, {48, 48}};
  for (int k = 0; k < 3; k++) {
    EXPECT_FLOAT_EQ(polygons[0][k].x, roof[k][0]);
    EXPECT_FLOAT_EQ(polygons[0][k].y, roof[k][1]);
    EXPECT_FLOAT_EQ(polygons[1][k].x, lower[k][0]);
    EXPECT_FLOAT_EQ(polygons[1][k].y, lower[k][1]);
    EXPECT_FLOAT_EQ(polygons[1][k].z, 0.5f);
  }
}

TEST_F(Draw, SmoothModeLightsEachCornerWithItsOwnNormal) {
  ModelPtr model = square();
  lightFromViewer();
  Polygons polygons = feedback([&] { glmDraw(model.get(), GLMMODE_SMOOTH); });
  ASSERT_EQ(polygons.size(), 2u);
  // The default material's diffuse 0.8 times the z of normals 1, 3, 2 (roof) and 1, 2, 3.
  const float roof[] = {0.8f, 0.48f, 0.64f}, lower[] = {0.8f, 0.64f, 0.48f};
  for (int k = 0; k < 3; k++) {
    expectColor(polygons[0][k], roof[k], roof[k], roof[k]);
    expectColor(polygons[1][k], lower[k], lower[k], lower[k]);
  }
}

TEST_F(Draw, FlatModeLightsWholeTriangleWithItsFacetNormal) {
  ModelPtr model = square();
  lightFromViewer();
  Polygons polygons = feedback([&] { glmDraw(model.get(), GLMMODE_FLAT); });
  ASSERT_EQ(polygons.size(), 2u);
  for (int k = 0; k < 3; k++) {
    expectColor(polygons[0][k], 0.48f, 0.48f, 0.48f);
    expectColor(polygons[1][k], 0.8f, 0.8f, 0.8f);
  }
}

TEST_F(Draw, TextureModeSendsEachCornersTextureCoordinate) {
  ModelPtr model = square();
  Polygons polygons = feedback([&] { glmDraw(model.get(), GLMMODE_TEXTURE); });
  ASSERT_EQ(polygons.size(), 2u);
  const float roof[3][2] = {{0, 0}, {1, 1}, {0, 1}}, lower[3][2] = {{0, 0}, {1, 0}, {1, 1}};
  for (int k = 0; k < 3; k++) {
    EXPECT_FLOAT_EQ(polygons[0][k].texture[0], roof[k][0]);
    EXPECT_FLOAT_EQ(polygons[0][k].texture[1], roof[k][1]);
    EXPECT_FLOAT_EQ(polygons[1][k].texture[0], lower[k][0]);
    EXPECT_FLOAT_EQ(polygons[1][k].texture[1], lower[k][1]);
  }
}

TEST_F(Draw, MaterialModeSetsEachGroupsMaterialBeforeItsTriangles) {
  ModelPtr model = square();
  lightFromViewer();
  glEnable(GL_COLOR_MATERIAL);
  Polygons polygons = feedback([&] { EXPECT_EQ(drawWarnings(model.get(), GLMMODE_MATERIAL), ""); });
  EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
  ASSERT_EQ(polygons.size(), 2u);
  for (int k = 0; k < 3; k++) {
    expectColor(polygons[0][k], 1, 0, 0);  // "roof" is red
    expectColor(polygons[1][k], 0, 0, 1);  // "default" is blue
  }
}

TEST_F(Draw, MaterialModeLeavesLastGroupsMaterialInOpenGl) {
  ModelPtr model = square();
  glmDraw(model.get(), GLMMODE_SMOOTH | GLMMODE_MATERIAL);
  float ambient[4], diffuse[4], specular[4], shininess;
  glGetMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
  glGetMaterialfv(GL_BACK, GL_DIFFUSE, diffuse);
  glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
  glGetMaterialfv(GL_BACK, GL_SHININESS, &shininess);
  const ModelMaterial& blue = model->materials[2];
  for (int i = 0; i < 4; i++) {
    EXPECT_FLOAT_EQ(ambient[i], blue.ambient[i]);
    EXPECT_FLOAT_EQ(diffuse[i], blue.diffuse[i]);
    EXPECT_FLOAT_EQ(specular[i], blue.specular[i]);
  }
  EXPECT_FLOAT_EQ(shininess, 12.5f);
}

TEST_F(Draw, GroupWithoutTrianglesStillSetsItsMaterial) {
  FixtureModel fixture = squareFixture();
  fixture.groups = {{"empty", 1, {}}, {"all", 2, {0, 1}}};  // "empty" is drawn last
  ModelPtr model(buildFixtureModel(fixture));
  Polygons polygons = feedback([&] { glmDraw(model.get(), GLMMODE_MATERIAL); });
  EXPECT_EQ(polygons.size(), 2u);
  float diffuse[4];
  glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
  EXPECT_FLOAT_EQ(diffuse[0], 1);  // red
  EXPECT_FLOAT_EQ(diffuse[2], 0);
}

TEST_F(Draw, ColorModeEnablesColorMaterialAndColoursEachGroup) {
  ModelPtr model = square();
  glDisable(GL_COLOR_MATERIAL);
  Polygons polygons = feedback([&] { glmDraw(model.get(), GLMMODE_COLOR); });
  EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
  ASSERT_EQ(polygons.size(), 2u);
  expectColor(polygons[0][0], 1, 0, 0);
  expectColor(polygons[1][2], 0, 0, 1);
  float current[4];
  glGetFloatv(GL_CURRENT_COLOR, current);
  EXPECT_FLOAT_EQ(current[2], 1);
}

TEST_F(Draw, WithoutColorOrMaterialLeavesColorMaterialAsItWas) {
  ModelPtr model = square();
  glEnable(GL_COLOR_MATERIAL);
  glmDraw(model.get(), GLMMODE_SMOOTH);
  EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
  glDisable(GL_COLOR_MATERIAL);
  glmDraw(model.get(), GLMMODE_SMOOTH | GLMMODE_TEXTURE);
  EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
}

TEST_F(Draw, LitColouredModelLooksRight) {
  ModelPtr model = square();
  lightFromViewer();
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glmDraw(model.get(), GLMMODE_FLAT | GLMMODE_MATERIAL);
  unsigned char pixels[SIZE][SIZE][4];
  glReadPixels(0, 0, SIZE, SIZE, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
  auto expectPixel = [&](int x, int y, int r, int g, int b) {
    EXPECT_NEAR(pixels[y][x][0], r, 2) << x << "," << y;
    EXPECT_NEAR(pixels[y][x][1], g, 2) << x << "," << y;
    EXPECT_NEAR(pixels[y][x][2], b, 2) << x << "," << y;
  };
  expectPixel(22, 40, 153, 0, 0);  // red roof, facet normal z 0.6
  expectPixel(40, 22, 0, 0, 255);  // blue lower triangle facing the light
  expectPixel(5, 5, 0, 0, 0);
  expectPixel(58, 58, 0, 0, 0);
}

TEST_F(Draw, DisplayListReplaysTheModelAsCompiled) {
  ModelPtr model = square();
  lightFromViewer();
  const unsigned mode = GLMMODE_SMOOTH | GLMMODE_TEXTURE | GLMMODE_MATERIAL;
  Polygons direct = feedback([&] { glmDraw(model.get(), mode); });
  unsigned list = glmMakeDisplayList(model.get(), mode);
  EXPECT_NE(list, 0u);
  model->vertices[3] = 0.9f;  // later changes must not reach the list
  Polygons replayed = feedback([&] { glCallList(list); });
  ASSERT_EQ(replayed.size(), direct.size());
  for (size_t p = 0; p < direct.size(); p++)
    for (int k = 0; k < 3; k++) EXPECT_EQ(memcmp(&replayed[p][k], &direct[p][k], sizeof(Corner)), 0);
  glDeleteLists(list, 1);
}

TEST_F(Draw, DisplayListWarnsOnceWhileCompiling) {
  ModelPtr model = square();
  free(model->texcoords);
  model->texcoords = nullptr;
  testing::internal::CaptureStdout();
  unsigned list = glmMakeDisplayList(model.get(), GLMMODE_TEXTURE);
  glCallList(list);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "glmDraw() warning: texture render mode requested with no texture coordinates defined.\n");
  glDeleteLists(list, 1);
}

// Which data the model lacks, then the mode asked for and the warnings expected, in order.
struct WarningCase {
  bool facetnorms, normals, texcoords, materials;
  unsigned mode;
  std::vector<int> warnings;  // 1-based numbers of the tests that fire
};

const char* const DRAW_WARNING_LINES[] = {
    "glmDraw() warning: flat render mode requested with no facet normals defined.\n",
    "glmDraw() warning: smooth render mode requested with no normals defined.\n",
    "glmDraw() warning: texture render mode requested with no texture coordinates defined.\n",
    "glmDraw() warning: flat render mode requested and smooth render mode requested (using smooth).\n",
    "glmDraw() warning: color render mode requested with no materials defined.\n",
    "glmDraw() warning: material render mode requested with no materials defined.\n",
    "glmDraw() warning: color and material render mode requested using only material mode.\n",
};

TEST_F(Draw, ReconcilesModeWithWarningsInOrder) {
  const WarningCase cases[] = {
      {true, true, true, true, GLMMODE_SMOOTH | GLMMODE_MATERIAL, {}},
      {true, true, true, true, GLMMODE_FLAT | GLMMODE_SMOOTH, {4}},
      {true, false, true, true, GLMMODE_FLAT | GLMMODE_SMOOTH, {2}},
      {false, false, false, false, 31, {1, 2, 3, 5, 6}},
      {true, true, true, true, GLMMODE_COLOR | GLMMODE_MATERIAL, {7}},
      {true, true, true, false, GLMMODE_COLOR | GLMMODE_MATERIAL, {5, 6}},
      {false, true, false, true, 31, {1, 3, 7}},
  };
  for (const WarningCase& c : cases) {
    ModelPtr model(buildSquareModel(c.facetnorms, c.normals, c.texcoords, c.materials));
    std::string expected;
    for (int number : c.warnings) expected += DRAW_WARNING_LINES[number - 1];
    feedback([&] { EXPECT_EQ(drawWarnings(model.get(), c.mode), expected) << "mode " << c.mode; });
  }
}

TEST_F(Draw, ColorAndMaterialWithoutMaterialsLeavesColorMaterialAlone) {
  ModelPtr model(buildSquareModel(true, true, true, false));
  glEnable(GL_COLOR_MATERIAL);
  glColor3f(0.25f, 0.5f, 0.75f);
  Polygons polygons = feedback([&] { glmDraw(model.get(), GLMMODE_COLOR | GLMMODE_MATERIAL); });
  EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
  ASSERT_EQ(polygons.size(), 2u);
  expectColor(polygons[0][0], 0.25f, 0.5f, 0.75f);
}

TEST(DrawDeathTest, NullModelFailsAssertion) {
  EXPECT_DEATH(glmDraw(nullptr, GLMMODE_NONE), "Assertion `model' failed");
}

TEST(DrawDeathTest, ModelWithoutVerticesFailsAssertion) {
  Model empty{};
  EXPECT_DEATH(glmDraw(&empty, GLMMODE_NONE), "Assertion `model->vertices' failed");
}

}  // namespace
