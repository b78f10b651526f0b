// Textures, renderer state and whole frames drawn off-screen, with plain-coloured stand-in
// textures and a two-coloured box for a car, so each surface can be recognised by colour.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/buildings.h"
#include "app/car.h"
#include "app/frame.h"
#include "app/renderer.h"
#include "app/scenery.h"
#include "app/textures.h"
#include "app/vehicle.h"
#include "support/bmp_writer.h"
#include "support/feedback.h"
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

// After a frame the modelview holds the chase camera and the scenery frame, in which world
// (x, y, z) is scenery (x + 20, 5 y + 1.5, z). Checked by where points land in eye space, worked
// out from the picture's geometry: the eye stands 2 behind the car at height 0.6 - 0.2 and looks
// at the car's ground point, so that point lies straight ahead at sqrt(2 * 2 + 0.4 * 0.4).
TEST_F(Frame, TheModelviewEndsAsCameraTimesSceneryFrame) {
  writeCar();
  carX = 12;
  carZ = -7;
  heading = 0.4;
  cameraDrop = 0.2;
  drawStartFrame();
  GLdouble m[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, m);
  // Eye-space position of world point (x, y, z).
  auto seen = [&](double x, double y, double z) {
    const double p[3] = {x + 20, 5 * y + 1.5, z};
    std::vector<double> eye(3);
    for (int row = 0; row < 3; ++row) eye[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
    return eye;
  };
  const double reach = std::sqrt(4.16);
  const struct {
    const char* what;
    double x, y, z;
    std::vector<double> eye;
  } cases[] = {
      {"the eye", 12 + 2 * sin(0.4), 0.4, -7 + 2 * cos(0.4), {0, 0, 0}},
      {"the car", 12, 0, -7, {0, 0, -reach}},
      // One to the right of the car (its direction of travel turned a quarter clockwise).
      {"right of the car", 12 + cos(0.4), 0, -7 - sin(0.4), {1, 0, -reach}},
      // One above the car: 2 ahead of the eye and 0.6 above it, seen tilted down by 0.4 in 2.
      {"above the car", 12, 1, -7, {0, 2 / reach, -3.76 / reach}},
  };
  for (const auto& c : cases) {
    const std::vector<double> eye = seen(c.x, c.y, c.z);
    for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR(eye[axis], c.eye[axis], 1e-5) << c.what << ", axis " << axis;
  }
}

// The enclosure walls as the scenery draws them: the corners of each wall polygon in world X
// and Z, found through an orthographic camera that sees the whole city from an oblique angle
// (no wall edge-on) and mapped back from feedback window coordinates.
std::vector<std::vector<std::pair<double, double>>> enclosureWalls() {
  constexpr int HALF = 1500;  // takes in the sky dome and the roads' ends however it is turned
  const GLint viewport[4] = {0, 0, 2 * HALF, 2 * HALF};
  glViewport(0, 0, 2 * HALF, 2 * HALF);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-HALF, HALF, -HALF, HALF, -HALF, HALF);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glRotated(30, 1, 0, 0);
  glRotated(20, 0, 1, 0);
  GLdouble camera[16], projection[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, camera);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  const Polygons polygons = feedback(drawScenery, 1 << 21);
  // Only the wall picture repeats 100 times along and 20 times up its surface.
  std::vector<std::vector<std::pair<double, double>>> walls;
  for (const auto& polygon : polygons) {
    float along = 0, up = 0;
    for (const Corner& corner : polygon) {
      along = std::max(along, corner.texture[0]);
      up = std::max(up, corner.texture[1]);
    }
    if (along != 100 || up != 20) continue;
    walls.emplace_back();
    for (const Corner& corner : polygon) {
      GLdouble x, y, z;
      EXPECT_TRUE(gluUnProject(corner.x, corner.y, corner.z, camera, projection, viewport, &x, &y, &z));
      walls.back().emplace_back(x, z);
    }
  }
  return walls;
}

// Whether the edge check alone crashes a car resting at world (x, z).
bool edgeCrashesAt(double x, double z) {
  carX = x;
  carZ = z;
  crashed = false;
  stepLength = 0;
  checkCityEdge();
  return crashed;
}

// The walls the car sees are where it crashes: each stands on a straight line 0.5 beyond a
// crash edge, and each runs the whole length of its side, from wall to wall.
TEST_F(Frame, TheEnclosureWallsStandHalfAUnitBeyondTheCrashEdges) {
  // Each wall's line (X of those running along Z, Z of those along X) with the stretch it covers.
  std::map<double, std::pair<double, double>> alongZ, alongX;
  for (const auto& wall : enclosureWalls()) {
    std::set<double> xs, zs;
    for (const auto& [x, z] : wall) {
      xs.insert(std::round(x * 100) / 100);
      zs.insert(std::round(z * 100) / 100);
    }
    ASSERT_TRUE(xs.size() == 1 || zs.size() == 1) << "a wall that does not stand on a straight line";
    const bool runsAlongZ = xs.size() == 1;
    const double at = *(runsAlongZ ? xs : zs).begin();
    const std::set<double>& stretch = runsAlongZ ? zs : xs;
    auto line = (runsAlongZ ? alongZ : alongX).emplace(at, std::make_pair(*stretch.begin(), *stretch.rbegin())).first;
    line->second.first = std::min(line->second.first, *stretch.begin());
    line->second.second = std::max(line->second.second, *stretch.rbegin());
  }
  ASSERT_EQ(alongZ.size(), 2u) << "walls running along Z";
  ASSERT_EQ(alongX.size(), 2u) << "walls running along X";
  const double west = alongZ.begin()->first, east = alongZ.rbegin()->first;
  const double south = alongX.begin()->first, north = alongX.rbegin()->first;
  for (const auto& [x, stretch] : alongZ) EXPECT_EQ(stretch, std::make_pair(south, north)) << "the wall at X " << x;
  for (const auto& [z, stretch] : alongX) EXPECT_EQ(stretch, std::make_pair(west, east)) << "the wall at Z " << z;
  const double middleX = (west + east) / 2, middleZ = (south + north) / 2;
  const struct {
    const char* wall;
    double insideX, insideZ, beyondX, beyondZ;
  } edges[] = {
      {"west", west + 0.51, middleZ, west + 0.49, middleZ},
      {"east", east - 0.51, middleZ, east - 0.49, middleZ},
      {"south", middleX, south + 0.51, middleX, south + 0.49},
      {"north", middleX, north - 0.51, middleX, north - 0.49},
  };
  for (const auto& e : edges) {
    EXPECT_FALSE(edgeCrashesAt(e.insideX, e.insideZ)) << "0.51 inside the " << e.wall << " wall";
    EXPECT_TRUE(edgeCrashesAt(e.beyondX, e.beyondZ)) << "0.49 inside the " << e.wall << " wall";
  }
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
