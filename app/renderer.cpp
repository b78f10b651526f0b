#include "app/renderer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "app/textures.h"

namespace {
constexpr double FIELD_OF_VIEW = 60.0;  // vertical, degrees
constexpr double NEAR_PLANE = 1.0;
constexpr double FAR_PLANE = 10000.0;
}  // namespace

void initRenderer() {
  if (loadTextures()) glEnable(GL_TEXTURE_2D);
  glClearColor(0, 0, 0, 0);
  glShadeModel(GL_SMOOTH);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
}

void reshape(int width, int height) {
  if (height == 0) height = 1;  // a minimised window must not divide by zero
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(FIELD_OF_VIEW, static_cast<double>(width) / static_cast<double>(height), NEAR_PLANE, FAR_PLANE);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}
