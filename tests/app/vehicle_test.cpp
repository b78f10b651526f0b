// Keys, the motion step and the chase camera, without OpenGL.
#include <gtest/gtest.h>

#include <cmath>

#include "app/vehicle.h"

namespace {
constexpr double STEP_PER_SPEED = 0.07 * 0.07;

class Vehicle : public testing::Test {
 protected:
  void SetUp() override {
    carX = carZ = heading = speed = stepLength = cameraDistance = cameraDrop = 0;
    crashed = false;
  }
  static void press(unsigned char key, int times = 1) {
    for (int i = 0; i < times; ++i) keyboard(key, 0, 0);
  }
  static void pressSpecial(int key, int times = 1) {
    for (int i = 0; i < times; ++i) specialKeys(key, 0, 0);
  }
};

TEST_F(Vehicle, LetterKeysMoveTheCameraByFifths) {
  press('a');
  EXPECT_DOUBLE_EQ(cameraDrop, -0.2);
  press('s', 2);
  EXPECT_DOUBLE_EQ(cameraDrop, 0.2);
  press('w', 3);
  EXPECT_NEAR(cameraDistance, 0.6, 1e-12);
  press('q');
  EXPECT_NEAR(cameraDistance, 0.4, 1e-12);
}

TEST_F(Vehicle, ArrowKeysSteerAccelerateAndBrake) {
  pressSpecial(KEY_LEFT, 3);
  EXPECT_NEAR(heading, 0.3, 1e-12);
  pressSpecial(KEY_RIGHT);
  EXPECT_NEAR(heading, 0.2, 1e-12);
  pressSpecial(KEY_UP, 5);
  EXPECT_DOUBLE_EQ(speed, 10.0);
  pressSpecial(KEY_DOWN);
  EXPECT_DOUBLE_EQ(speed, 2.0);
}

// The two callbacks share key codes: the arrows come as 100 ... 103, the codes of d ... g, and
// GLUT's Shift, Ctrl and Alt keys as 112 ... 117, the codes of p ... u (q, r and s among them).
// Neither callback may act on the other's keys, crashed or not.
TEST_F(Vehicle, OtherKeysChangeNothing) {
  const unsigned char letters[] = {'A', 'S', 'W', 'Q', 'R', 'x', ' ', '\r', 'd', 'e', 'f', 'g'};
  const int specials[] = {1, 12, 27, 97, 99, 104, 105, 106, 107, 108, 111, 112, 113, 114, 115, 116, 117, 119};
  for (bool wasCrashed : {false, true}) {
    SCOPED_TRACE(wasCrashed ? "crashed" : "driving");
    SetUp();
    crashed = wasCrashed;
    for (unsigned char key : letters) press(key);
    for (int key : specials) pressSpecial(key);
    EXPECT_EQ(cameraDrop, 0);
    EXPECT_EQ(cameraDistance, 0);
    EXPECT_EQ(heading, 0);
    EXPECT_EQ(speed, 0);
    EXPECT_EQ(crashed, wasCrashed);
  }
}

TEST_F(Vehicle, WhileCrashedArrowsAreIgnoredButCameraAndResetWork) {
  crashed = true;
  for (int key : {KEY_LEFT, KEY_RIGHT, KEY_UP, KEY_DOWN}) pressSpecial(key);
  EXPECT_EQ(heading, 0);
  EXPECT_EQ(speed, 0);
  press('a');
  press('w');
  EXPECT_DOUBLE_EQ(cameraDrop, -0.2);
  EXPECT_DOUBLE_EQ(cameraDistance, 0.2);
  press('r');
  EXPECT_FALSE(crashed);
  pressSpecial(KEY_UP);
  EXPECT_DOUBLE_EQ(speed, 2.0);
}

TEST_F(Vehicle, ResetLeavesPositionAndHeadingAlone) {
  carX = 3;
  carZ = -4;
  heading = 1.5;
  crashed = true;
  press('r');
  EXPECT_EQ(carX, 3);
  EXPECT_EQ(carZ, -4);
  EXPECT_EQ(heading, 1.5);
}

TEST_F(Vehicle, EscapeEndsTheProcessWithStatusZeroEvenWhenCrashed) {
  crashed = true;
  EXPECT_EXIT(press(27), testing::ExitedWithCode(0), "");
}

TEST_F(Vehicle, SpeedHundredMovesTheCarTowardMinusZ) {
  speed = 100;
  moveCar();
  EXPECT_DOUBLE_EQ(speed, 99.8);
  EXPECT_NEAR(stepLength, 0.48902, 1e-12);
  EXPECT_NEAR(carZ, -0.48902, 1e-12);
  EXPECT_NEAR(carX, 0, 1e-15);
}

TEST_F(Vehicle, TheStepFollowsTheHeading) {
  heading = M_PI / 2;  // a quarter turn to the left: toward -X
  speed = 10.2;
  moveCar();
  EXPECT_NEAR(carX, -10 * STEP_PER_SPEED, 1e-12);
  EXPECT_NEAR(carZ, 0, 1e-12);
}

TEST_F(Vehicle, SpeedDecaysEveryFrameAndNeverGoesNegative) {
  speed = 0.1;
  moveCar();
  EXPECT_EQ(speed, 0);
  EXPECT_EQ(carZ, 0);
  moveCar();
  EXPECT_EQ(speed, 0);
  EXPECT_EQ(stepLength, 0);
}

TEST_F(Vehicle, BrakingStopsTheCarInsteadOfReversingIt) {
  speed = 3;
  pressSpecial(KEY_DOWN);
  moveCar();
  EXPECT_EQ(speed, 0);
  EXPECT_EQ(carZ, 0);
  speed = 8.19;
  pressSpecial(KEY_DOWN);
  moveCar();
  EXPECT_EQ(speed, 0);
}

TEST_F(Vehicle, TwoPressesFromRestCoastToAStopInTwentyFrames) {
  pressSpecial(KEY_UP, 2);
  double travelled = 0;
  for (int frame = 1; frame < 20; ++frame) {
    moveCar();
    EXPECT_NEAR(stepLength, (4.0 - 0.2 * frame) * STEP_PER_SPEED, 1e-12) << "frame " << frame;
    travelled += stepLength;
  }
  moveCar();
  EXPECT_NEAR(stepLength, 0, 1e-12);
  EXPECT_NEAR(-carZ, travelled, 1e-12);
  EXPECT_NEAR(travelled, 38 * STEP_PER_SPEED, 1e-12);
}

TEST_F(Vehicle, CameraStartsBehindTheCarLookingTowardMinusZ) {
  double eye[3];
  cameraEye(eye);
  EXPECT_EQ(eye[0], 0);
  EXPECT_DOUBLE_EQ(eye[1], 0.6);
  EXPECT_DOUBLE_EQ(eye[2], 2);
}

TEST_F(Vehicle, CameraFollowsPositionHeadingAndItsOffsets) {
  carX = 10;
  carZ = -5;
  heading = M_PI / 2;  // travelling toward -X, so "behind" is +X
  press('a', 2);
  press('w');
  double eye[3];
  cameraEye(eye);
  EXPECT_NEAR(eye[0], 12.2, 1e-12);
  EXPECT_NEAR(eye[1], 1.0, 1e-12);
  EXPECT_NEAR(eye[2], -5, 1e-12);
}

TEST_F(Vehicle, ElevenPressesOfQPutTheEyeInFrontOfTheCar) {
  press('q', 11);
  double eye[3];
  cameraEye(eye);
  EXPECT_NEAR(eye[2], -0.2, 1e-12);
}

// The drawing turns by 180 degrees per 3.14 radians, a little short of pi.
TEST_F(Vehicle, TheDrawnCarTurnsSlightlyFasterThanItTravels) {
  const struct {
    double heading, degrees;
  } cases[] = {{3.14, 180}, {-1.57, -90}, {M_PI, 180.0913}, {2 * M_PI, 360.1826}, {0, 0}};
  for (const auto& c : cases) {
    heading = c.heading;
    EXPECT_NEAR(carTurnDegrees(), c.degrees, 1e-4) << "heading " << c.heading;
  }
}
}  // namespace
