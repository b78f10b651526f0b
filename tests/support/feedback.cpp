#include "support/feedback.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {

Polygons parseFeedback(const std::vector<float>& buffer, int used) {
  Polygons polygons;
  for (int i = 0; i < used;) {
    if (buffer[i] != GL_POLYGON_TOKEN) {
      ADD_FAILURE() << "feedback token " << buffer[i] << " where a polygon was expected";
      break;
    }
    int count = int(buffer[i + 1]);
    i += 2;
    std::vector<Corner> corners(count);
    for (Corner& corner : corners) {
      memcpy(&corner, &buffer[i], sizeof corner);
      i += sizeof corner / sizeof(float);
    }
    polygons.push_back(corners);
  }
  return polygons;
}

}  // namespace

Polygons feedback(const std::function<void()>& draw, int capacity) {
  std::vector<float> buffer(capacity);
  glFeedbackBuffer(GLsizei(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  int used = glRenderMode(GL_RENDER);
  EXPECT_GE(used, 0) << "feedback buffer overflow";
  return parseFeedback(buffer, used);
}
