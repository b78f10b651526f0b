// What a piece of drawing code sends through the OpenGL pipeline, caught in feedback mode
// instead of drawn: each polygon as its corners after transformation and clipping.
#ifndef TESTS_SUPPORT_FEEDBACK_H
#define TESTS_SUPPORT_FEEDBACK_H

#include <functional>
#include <vector>

// One vertex as GL_3D_COLOR_TEXTURE feedback reports it: window position, RGBA, STRQ.
struct Corner {
  float x, y, z;
  float color[4];
  float texture[4];
};
using Polygons = std::vector<std::vector<Corner>>;

// The polygons `draw` sends, in order. Needs a current context; fails the current test when
// anything but polygons comes back or more than `capacity` floats of feedback would.
Polygons feedback(const std::function<void()>& draw, int capacity = 4096);

#endif
