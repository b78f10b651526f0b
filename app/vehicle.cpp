#include "app/vehicle.h"

#include <cmath>
#include <cstdlib>

double carX = 0;
double carZ = 0;
double heading = 0;
double speed = 0;
double stepLength = 0;
double cameraDistance = 0;
double cameraDrop = 0;
bool crashed = false;

namespace {
constexpr double SPEED_DECAY = 0.2;
constexpr double STEP_FACTOR = 0.07;  // applied twice
constexpr double ACCELERATION = 2.0;
constexpr double BRAKING = 8.0;
constexpr double TURN_STEP = 0.1;
constexpr double CAMERA_STEP = 0.2;
constexpr double CAMERA_BASE_DISTANCE = 2.0;
constexpr double CAMERA_BASE_HEIGHT = 0.6;
constexpr unsigned char KEY_ESCAPE = 27;
}  // namespace

void keyboard(unsigned char key, int, int) {
  switch (key) {
    case KEY_ESCAPE: exit(0);
    case 'a': cameraDrop -= CAMERA_STEP; break;
    case 's': cameraDrop += CAMERA_STEP; break;
    case 'w': cameraDistance += CAMERA_STEP; break;
    case 'q': cameraDistance -= CAMERA_STEP; break;
    case 'r': crashed = false; break;
    default: break;
  }
}

void specialKeys(int key, int, int) {
  if (crashed) return;
  switch (key) {
    case KEY_LEFT: heading += TURN_STEP; break;
    case KEY_RIGHT: heading -= TURN_STEP; break;
    case KEY_UP: speed += ACCELERATION; break;
    case KEY_DOWN: speed -= BRAKING; break;
    default: break;
  }
}

void moveCar() {
  speed -= SPEED_DECAY;
  if (speed < 0) speed = 0;
  stepLength = speed * STEP_FACTOR * STEP_FACTOR;
  carX += -stepLength * sin(heading);
  carZ += -stepLength * cos(heading);
}

void pointBehindCar(double distance, double height, double point[3]) {
  point[0] = carX + distance * sin(heading);
  point[1] = height;
  point[2] = carZ + distance * cos(heading);
}

void cameraEye(double eye[3]) {
  pointBehindCar(CAMERA_BASE_DISTANCE + cameraDistance, CAMERA_BASE_HEIGHT - cameraDrop, eye);
}

double carTurnDegrees() { return heading * DEGREES_PER_RADIAN; }
