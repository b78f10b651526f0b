// Textures, renderer state and whole frames drawn off-screen, with plain-coloured stand-in
// textures and a two-coloured box for a car, so each surface can be recognised by colour.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "app/buildings.h"
#include "app/car.h"
#include "app/frame.h"
#include "app/renderer.h"
#include "app/scenery.h"
#include "app/textures.h"
#include "app/vehicle.h"
#include "support/gl_context.h"
#include "support/test_files.h"

namespace {
constexpr int SIZE = 1000;

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

const Rgb SKY = {40, 80, 200};
const Rgb ROAD = {192, 0, 0};
const Rgb WHITE = {255, 255, 255};

void putLittleEndian(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xff);
}

// A 24-bit BMP with the 40-byte header; `pixels` are RGB, bottom row first, unpadded.
std::string bmp24(int width, int height, const std::vector<uint8_t>& pixels) {
  const int stride = (width * 3 + 3) & ~3;
  std::string out = "BM";
  putLittleEndian(out, 54 + stride * height, 4);
  putLittleEndian(out, 0, 4);
  putLittleEndian(out, 54, 4);
  for (uint32_t field : {40u, uint32_t(width), uint32_t(height)}) putLittleEndian(out, field, 4);
  putLittleEndian(out, 1, 2);
  putLittleEndian(out, 24, 2);
  for (int i = 0; i < 6; ++i) putLittleEndian(out, 0, 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &pixels[(y * width + x) * 3];
      out += {static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0])};
    }
    out.append(stride - width * 3, '\0');
  }
  return out;
}

std::string plainBmp(const Rgb& c) {
  std::vector<uint8_t> pixels;
  for (int i = 0; i < 16; ++i) pixels.insert(pixels.end(), {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)});
  return bmp24(4, 4, pixels);
}

struct Box {
  float low[3], high[3];
  const char* material;  // null: no usemtl line
};

// OBJ text for closed boxes, one group each, faces wound counter-clockwise from outside.
std::string boxesObj(const std::vector<Box>& boxes) {
  static const int FACES[6][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                  {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};
  std::string obj = "mtllib car.mtl\n";
  for (size_t b = 0; b < boxes.size(); ++b) {
    for (int corner = 0; corner < 8; ++corner) {
      obj += "v";
      for (int axis = 0; axis < 3; ++axis)
        obj += " " + std::to_string((corner >> axis) & 1 ? boxes[b].high[axis] : boxes[b].low[axis]);
      obj += "\n";
    }
    obj += "g box" + std::to_string(b) + "\n";
    if (boxes[b].material) obj += std::string("usemtl ") + boxes[b].material + "\n";
    const int base = static_cast<int>(b) * 8 + 1;
    for (const auto& f : FACES) {
      obj += "f " + std::to_string(base + f[0]) + " " + std::to_string(base + f[1]) + " " + std::to_string(base + f[2]) + "\n";
      obj += "f " + std::to_string(base + f[0]) + " " + std::to_string(base + f[2]) + " " + std::to_string(base + f[3]) + "\n";
    }
  }
  return obj;
}

// A box 1 wide, 0.6 high and 2 long: red above its middle, green below.
const std::string CAR_OBJ = boxesObj({{{-0.5f, 0, -1}, {0.5f, 0.3f, 1}, "red"}, {{-0.5f, -0.3f, -1}, {0.5f, 0, 1}, "green"}});
const char* const CAR_MTL =
    "newmtl red\nKa 0 0 0\nKd 1 0 0\nKs 0 0 0\n"
    "newmtl green\nKa 0 0 0\nKd 0 1 0\nKs 0 0 0\n";

// Runs each test in a fresh folder of stand-in media with a current off-screen context.
class Render : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(getcwd(home_, sizeof home_));
    ASSERT_EQ(chdir(media_.path("").c_str()), 0);
    ASSERT_TRUE(makeOffscreenGlContext(SIZE, SIZE));
    carX = carZ = heading = speed = stepLength = cameraDistance = cameraDrop = 0;
    crashed = false;
    for (unsigned& name : textureNames) name = 0;
  }
  void TearDown() override {
    if (carModel) glmFreeModel(carModel);
    carModel = nullptr;
    releaseOffscreenGlContext();
    ASSERT_EQ(chdir(home_), 0);
  }

  void writeCar(const std::string& obj = CAR_OBJ) {
    mkdir(media_.path("data").c_str(), 0755);
    media_.write("data/porsche.obj", obj);
    media_.write("data/car.mtl", CAR_MTL);
  }
  void writeCity() {
    const char* facades[] = {"build1.bmp", "build2.bmp", "build3.bmp", "build4.bmp", "build5.bmp"};
    media_.write("sky.bmp", plainBmp(SKY));
    media_.write("road.bmp", plainBmp(ROAD));
    media_.write("wall.bmp", plainBmp({128, 128, 0}));
    media_.write("grass.bmp", plainBmp({0, 192, 0}));
    for (const char* facade : facades) media_.write(facade, plainBmp({0, 192, 192}));
  }
  void drawStartFrame() {
    initRenderer();
    reshape(SIZE, SIZE);
    drawFrame();
    glFinish();
  }
  // The pixel at (x, y) counted from the top left, as on screen.
  static Rgb pixel(int x, int y) {
    uint8_t p[3];
    glReadPixels(x, SIZE - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
  }

  TempDir media_;
  char home_[4096];
};

using Textures = Render;
using Frame = Render;

TEST_F(Textures, OnlyTheSkyFileFillsOnlyTheSkySlot) {
  media_.write("sky.bmp", plainBmp(SKY));
  EXPECT_TRUE(loadTextures());
  for (int slot = 0; slot < TEXTURE_COUNT; ++slot)
    EXPECT_EQ(textureNames[slot] != 0, slot == TEX_SKY) << "slot " << slot;
  EXPECT_TRUE(glIsTexture(textureNames[TEX_SKY]));
}

TEST_F(Textures, WithoutAnyFileTexturingStaysOff) {
  testing::internal::CaptureStderr();
  EXPECT_FALSE(loadTextures());
  initRenderer();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(Textures, NarrowImagesUploadTheirExactPixels) {
  const std::vector<uint8_t> oneWide = {1, 2, 3, 4, 5, 6};                                 // 1 x 2
  const std::vector<uint8_t> twoWide = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21};  // 2 x 2
  media_.write("road.bmp", bmp24(1, 2, oneWide));
  media_.write("wall.bmp", bmp24(2, 2, twoWide));
  ASSERT_TRUE(loadTextures());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  std::vector<uint8_t> back(12);
  glBindTexture(GL_TEXTURE_2D, textureNames[TEX_ROAD]);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back.data());
  EXPECT_EQ(std::vector<uint8_t>(back.begin(), back.begin() + 6), oneWide);
  glBindTexture(GL_TEXTURE_2D, textureNames[TEX_WALL]);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back.data());
  EXPECT_EQ(back, twoWide);
}

TEST_F(Textures, AnUndecodableFileGetsTheLoadersMessageAndNoTexture) {
  media_.write("grass.bmp", "not a picture");
  media_.write("sky.bmp", plainBmp(SKY));
  testing::internal::CaptureStderr();
  EXPECT_TRUE(loadTextures());
  EXPECT_NE(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(textureNames[TEX_GRASS], 0u);
}

TEST_F(Textures, AbsentFilesAreSkippedSilently) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(loadImageIfPresent("nosuch.bmp"), nullptr);
  EXPECT_EQ(loadImageIfPresent(nullptr), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(Render, ReshapeKeepsThePictureUndistorted) {
  reshape(400, 200);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 400);
  EXPECT_EQ(viewport[3], 200);
  GLdouble projection[16];
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  EXPECT_NEAR(projection[5], 1 / tan(M_PI / 6), 1e-6);  // 60 degrees vertically
  EXPECT_NEAR(projection[0] * 2, projection[5], 1e-6);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(Render, ReshapeToZeroHeightGivesAFiniteProjection) {
  reshape(640, 0);
  GLdouble projection[16];
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  for (double entry : projection) EXPECT_TRUE(std::isfinite(entry));
  EXPECT_NEAR(projection[5] / projection[0], 640, 1e-6);
}

TEST_F(Frame, StartFrameShowsSkyAboveRoadBelowAndTheCarBetween) {
  writeCity();
  writeCar();
  drawStartFrame();
  EXPECT_EQ(pixel(500, 5), SKY);
  EXPECT_EQ(pixel(10, 5), SKY);
  EXPECT_EQ(pixel(500, 990), ROAD);
  const Rgb carTop = pixel(500, 420);
  EXPECT_GT(carTop.r, 150) << carTop;  // the red upper half, lit from above
  EXPECT_LT(carTop.g + carTop.b, 40) << carTop;
}

TEST_F(Frame, WithoutTexturesEverySurfaceIsWhite) {
  writeCar();
  drawStartFrame();
  EXPECT_EQ(pixel(500, 5), WHITE);
  EXPECT_EQ(pixel(500, 990), WHITE);
}

TEST_F(Frame, ACrashedCarIsDrawnUpsideDown) {
  writeCity();
  writeCar();
  crashed = true;
  drawStartFrame();
  const Rgb carTop = pixel(500, 420);
  EXPECT_GT(carTop.g, 150) << carTop;  // the green lower half now faces up
  EXPECT_LT(carTop.r + carTop.b, 40) << carTop;
}

// The model's front points along +Z; the car drives toward -Z, away from the camera.
TEST_F(Frame, TheCarFacesItsDirectionOfTravel) {
  writeCity();
  writeCar(boxesObj({{{-0.5f, -0.3f, 0}, {0.5f, 0.3f, 1}, "red"}, {{-0.5f, -0.3f, -1}, {0.5f, 0.3f, 0}, "green"}}));
  drawStartFrame();
  const Rgb nearEnd = pixel(500, 480), farEnd = pixel(500, 360);
  EXPECT_GT(nearEnd.g, 150) << nearEnd;  // the tail, seen from behind
  EXPECT_GT(farEnd.r, 150) << farEnd;
}

TEST_F(Frame, AModelWithoutMaterialsIsDrawnBlue) {
  writeCity();
  writeCar(boxesObj({{{-0.5f, -0.3f, -1}, {0.5f, 0.3f, 1}, nullptr}}).substr(sizeof "mtllib car.mtl\n" - 1));
  testing::internal::CaptureStdout();
  drawStartFrame();
  testing::internal::GetCapturedStdout();
  const Rgb carTop = pixel(500, 420);
  EXPECT_GT(carTop.b, 150) << carTop;
  EXPECT_LT(carTop.r + carTop.g, 40) << carTop;
}

TEST_F(Frame, TheCarModelIsReadOnlyOnTheFirstFrame) {
  writeCity();
  writeCar();
  EXPECT_EQ(carModel, nullptr);
  drawStartFrame();
  Model* first = carModel;
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(remove("data/porsche.obj"), 0);
  drawFrame();
  EXPECT_EQ(carModel, first);
}

TEST_F(Frame, AMissingCarModelEndsTheProcessWithTheReadersMessage) {
  // A plain fork would lose the renderer's worker threads; start the child afresh instead.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  writeCity();
  initRenderer();
  reshape(SIZE, SIZE);
  EXPECT_EXIT(drawFrame(), testing::ExitedWithCode(1), "can't open data file \"data/porsche.obj\"");
}

TEST_F(Frame, EachFrameMovesTheCarOneStepAndChecksForCrashes) {
  writeCar();
  speed = 100;
  drawStartFrame();
  EXPECT_NEAR(carZ, -0.48902, 1e-12);
  carX = -30;
  carZ = 30;
  drawFrame();
  EXPECT_TRUE(crashed);
}

// The camera looks from behind the car; the scenery frame is left on the matrix.
TEST_F(Frame, TheModelviewEndsAsCameraTimesSceneryFrame) {
  writeCar();
  carX = 12;
  carZ = -7;
  heading = 0.4;
  cameraDrop = 0.2;
  drawStartFrame();
  GLdouble actual[16], expected[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, actual);
  glLoadIdentity();
  gluLookAt(12 + 2 * sin(0.4), 0.4, -7 + 2 * cos(0.4), 12, 0, -7, 0, 1, 0);
  glScaled(1, 0.2, 1);
  glTranslated(-20, -1.5, 0);
  glGetDoublev(GL_MODELVIEW_MATRIX, expected);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-5) << "entry " << i;
}

TEST_F(Frame, BuildingsAndRoadsLeaveTheMatrixAsTheyFoundIt) {
  GLdouble before[16], after[16];
  glTranslated(3, 4, 5);
  glGetDoublev(GL_MODELVIEW_MATRIX, before);
  drawBuilding(-20, 0, 0, 60, 20, 170, TEX_BUILD1);
  drawRoad(120, 0, 0, 40);
  drawCityWall();
  glGetDoublev(GL_MODELVIEW_MATRIX, after);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(before[i], after[i]);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
}  // namespace
