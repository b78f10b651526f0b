// The building table and the crash rules, without OpenGL.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "app/buildings.h"
#include "app/textures.h"
#include "app/vehicle.h"

namespace {
class Collision : public testing::Test {
 protected:
  void SetUp() override {
    carX = carZ = heading = speed = stepLength = cameraDistance = cameraDrop = 0;
    crashed = false;
  }
  // Places a resting car and reports whether the frame's crash checks crash it.
  static bool crashesAt(double x, double z) {
    carX = x;
    carZ = z;
    crashed = false;
    checkCityEdge();
    collideAllBuildings();
    return crashed;
  }
};

// Figures of the city plan worked out by hand from its 51 buildings: what is built where, how
// much wall there is to draw, and the tallest and lowest. A mistyped row moves one of them.
TEST(BuildingTable, AddsUpToTheCityPlan) {
  double area = 0, wallArea = 0, momentX = 0, momentZ = 0;
  double west = 1e9, east = -1e9, south = 1e9, north = -1e9, tallest = 0, lowest = 1e9;
  for (const BuildingSpec& row : buildingTable) {
    const double footprint = row.width * row.depth;
    area += footprint;
    wallArea += 2 * (row.width + row.depth) * row.height;
    momentX += footprint * (row.x + row.width / 2);
    momentZ += footprint * (row.z + row.depth / 2);
    west = std::min(west, row.x);
    east = std::max(east, row.x + row.width);
    south = std::min(south, row.z);
    north = std::max(north, row.z + row.depth);
    tallest = std::max(tallest, row.height);
    lowest = std::min(lowest, row.height);
  }
  EXPECT_EQ(area, 156350);
  EXPECT_EQ(wallArea, 1292700);
  EXPECT_NEAR(momentX / area, -359365.0 / 6254, 1e-9);  // where the built-up area is centred
  EXPECT_NEAR(momentZ / area, -80480.0 / 3127, 1e-9);
  EXPECT_EQ(west, -440);
  EXPECT_EQ(east, 400);
  EXPECT_EQ(south, -450);
  EXPECT_EQ(north, 440);
  EXPECT_EQ(tallest, 220);
  EXPECT_EQ(buildingTable[32].height, 220);  // the 33rd row
  EXPECT_EQ(lowest, 70);
  EXPECT_EQ(buildingTable[22].height, 70);  // the 23rd row
}

TEST(BuildingTable, UsesTheFiveFacadesInTheirProportions) {
  int perSlot[TEXTURE_COUNT] = {};
  for (const BuildingSpec& row : buildingTable) {
    ASSERT_GE(row.texture, TEX_BUILD1);
    ASSERT_LE(row.texture, TEX_BUILD5);
    ++perSlot[row.texture];
  }
  EXPECT_EQ(perSlot[TEX_BUILD1], 10);
  EXPECT_EQ(perSlot[TEX_BUILD2], 12);
  EXPECT_EQ(perSlot[TEX_BUILD3], 12);
  EXPECT_EQ(perSlot[TEX_BUILD4], 9);
  EXPECT_EQ(perSlot[TEX_BUILD5], 8);
}

TEST(BuildingTable, EveryBuildingStandsInsideTheWalls) {
  for (const BuildingSpec& row : buildingTable) {
    EXPECT_GE(row.x, -CITY_HALF_SIZE);
    EXPECT_LE(row.x + row.width, CITY_HALF_SIZE);
    EXPECT_GE(row.z, -CITY_HALF_SIZE);
    EXPECT_LE(row.z + row.depth, CITY_HALF_SIZE);
  }
}

TEST_F(Collision, TheStartAndTheGapBetweenRowsTwentySixAndTwentySevenAreFree) {
  EXPECT_FALSE(crashesAt(0, 0));
  EXPECT_FALSE(crashesAt(50, 30));
}

// The car starts on the road that crosses the whole city from wall to wall, world X -20 ... 30.
// Buildings line it on both sides: the first row on its western kerb, the 35th on its eastern
// one; the crash margin keeps the car 0.5 off them.
TEST_F(Collision, TheStartRoadIsClearFromWallToWall) {
  for (double x : {-19.4, 0.0, 29.4})
    for (double z = -499.5; z <= 499.5; z += 0.5) ASSERT_FALSE(crashesAt(x, z)) << "at " << x << ", " << z;
  EXPECT_TRUE(crashesAt(-19.6, 0));
  EXPECT_TRUE(crashesAt(29.6, -400));
}

TEST_F(Collision, RowOneFootprintIsGrownByHalfAUnitWithStrictBounds) {
  EXPECT_TRUE(crashesAt(-30, 30));
  EXPECT_TRUE(crashesAt(-40.49, 30));
  EXPECT_TRUE(crashesAt(-19.51, -0.49));
  EXPECT_FALSE(crashesAt(-40.5, 30));
  EXPECT_FALSE(crashesAt(-19.5, 30));
  EXPECT_FALSE(crashesAt(-30, -0.5));
  EXPECT_FALSE(crashesAt(-30, 60.5));
}

TEST_F(Collision, CityEdgesLieHalfAUnitInsideTheWalls) {
  EXPECT_FALSE(crashesAt(479.5, -495));
  EXPECT_TRUE(crashesAt(479.6, -495));
  EXPECT_FALSE(crashesAt(-519.5, -495));
  EXPECT_TRUE(crashesAt(-519.6, -495));
  EXPECT_FALSE(crashesAt(-10, 499.5));
  EXPECT_TRUE(crashesAt(-10, 499.6));
  EXPECT_FALSE(crashesAt(-10, -499.5));
  EXPECT_TRUE(crashesAt(-10, -499.6));
}

TEST_F(Collision, ACrashStopsTheCarAndPushesItBackTenSteps) {
  heading = 0.3;
  speed = 50;
  stepLength = 0.49;
  carX = 0;
  carZ = 0;
  crashCar();
  EXPECT_EQ(speed, 0);
  EXPECT_TRUE(crashed);
  EXPECT_NEAR(std::hypot(carX, carZ), 4.9, 1e-12);
  EXPECT_NEAR(carX, 4.9 * sin(0.3), 1e-12);  // back along the track, not toward -X/-Z
  EXPECT_NEAR(carZ, 4.9 * cos(0.3), 1e-12);
  EXPECT_EQ(stepLength, 0.49);
}

TEST_F(Collision, AFrameIntoAWallEndsNineStepsBehindItsStart) {
  carX = 0;
  carZ = -499.4;
  speed = 100.2;
  moveCar();
  checkCityEdge();
  collideAllBuildings();
  EXPECT_TRUE(crashed);
  EXPECT_NEAR(carZ, -499.4 + 9 * stepLength, 1e-9);
}

TEST_F(Collision, ACornerCrossingCrashesTwiceAndPushesBackTwentySteps) {
  heading = -3 * M_PI / 4;  // travelling toward +X and +Z
  stepLength = 1;
  carX = 480;
  carZ = 510;
  checkCityEdge();
  EXPECT_TRUE(crashed);
  EXPECT_NEAR(carX, 480 - 20 * M_SQRT1_2, 1e-9);
  EXPECT_NEAR(carZ, 510 - 20 * M_SQRT1_2, 1e-9);
}

TEST_F(Collision, OnlyTheXPushBackHappensWhenItClearsTheNorthEdge) {
  heading = -3 * M_PI / 4;
  stepLength = 1;
  carX = 480;
  carZ = 501;
  checkCityEdge();
  EXPECT_NEAR(carZ, 501 - 10 * M_SQRT1_2, 1e-9);
}

TEST_F(Collision, APushBackIntoALaterRowCrashesAgainInTheSameFrame) {
  // Row 26 covers world X 39.5 ... 60.5, Z -0.5 ... 20.5; row 27 the same X, Z 39.5 ... 60.5.
  stepLength = 3;
  carX = 50;
  carZ = 19;
  collideAllBuildings();
  EXPECT_NEAR(carZ, 79, 1e-9);
}

TEST_F(Collision, APushBackIntoAnEarlierRowWaitsForTheNextFrame) {
  heading = M_PI;  // travelling toward +Z, pushed back toward -Z
  stepLength = 3;
  carX = 50;
  carZ = 45;
  collideAllBuildings();
  EXPECT_NEAR(carZ, 15, 1e-9);
}

TEST_F(Collision, ACrashedCarAtRestCrashesAgainWithoutMoving) {
  carX = -30;
  carZ = 30;
  crashed = true;
  for (int frame = 0; frame < 3; ++frame) {
    moveCar();
    collideAllBuildings();
  }
  EXPECT_TRUE(crashed);
  EXPECT_EQ(carX, -30);
  EXPECT_EQ(carZ, 30);
}
}  // namespace
