#include "app/frame.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "app/buildings.h"
#include "app/car.h"
#include "app/scenery.h"
#include "app/vehicle.h"

namespace {
constexpr double LIGHT_DISTANCE = 5.0;  // behind the car
constexpr double LIGHT_HEIGHT = 10.0;
constexpr float SPOT_CUTOFF = 50.0f;    // cone half-angle, degrees

// A white spotlight above and behind the car, pointing straight down; given while the
// modelview holds the camera alone, so it stays put in the world for this frame.
void lightCar() {
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_LIGHTING);
  const GLfloat white[] = {1, 1, 1, 0};
  double where[3];
  pointBehindCar(LIGHT_DISTANCE, LIGHT_HEIGHT, where);
  const GLfloat position[] = {static_cast<GLfloat>(where[0]), static_cast<GLfloat>(where[1]),
                              static_cast<GLfloat>(where[2]), 1};
  const GLfloat down[] = {0, -1, 0};
  glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
  glLightfv(GL_LIGHT0, GL_SPECULAR, white);
  glLightfv(GL_LIGHT0, GL_POSITION, position);
  glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, SPOT_CUTOFF);
  glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, down);
  // Shown only by a model without materials; material mode replaces it otherwise.
  const GLfloat blue[] = {0, 0, 1, 1};
  glMaterialfv(GL_FRONT, GL_DIFFUSE, blue);
  glEnable(GL_LIGHT0);
}

// The model's front points along +Z, so it is turned half round to face its travel.
void placeAndDrawCar() {
  glPushMatrix();
  glTranslatef(static_cast<GLfloat>(carX), 0, static_cast<GLfloat>(carZ));
  glRotatef(static_cast<GLfloat>(carTurnDegrees()), 0, 1, 0);
  glRotatef(180, 0, 1, 0);
  if (crashed) glRotatef(180, 1, 0, 0);
  drawCar();
  glPopMatrix();
}
}  // namespace

void placeCamera() {
  double eye[3];
  cameraEye(eye);
  gluLookAt(eye[0], eye[1], eye[2], carX, 0, carZ, 0, 1, 0);
}

void drawLitCar() {
  lightCar();
  placeAndDrawCar();
}

void drawFrame() {
  glLoadIdentity();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  moveCar();
  checkCityEdge();
  collideAllBuildings();
  placeCamera();
  drawLitCar();
  glDisable(GL_LIGHTING);
  glEnable(GL_TEXTURE_2D);
  drawScenery();
}
