#include "app/textures.h"

#include <GL/gl.h>

#include <cstdio>

static_assert(sizeof(unsigned) == sizeof(GLuint), "textureNames holds GL texture names");

unsigned textureNames[TEXTURE_COUNT];

namespace {
const char* const TEXTURE_FILES[TEXTURE_COUNT] = {
    "road.bmp", "wall.bmp", "sky.bmp", "grass.bmp", "build1.bmp",
    "build2.bmp", "build3.bmp", "build4.bmp", "build5.bmp",
};

void uploadTexture(unsigned* name, const RgbImage& image) {
  glGenTextures(1, name);
  glBindTexture(GL_TEXTURE_2D, *name);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  // Image rows are packed without padding; the default alignment of 4 would read past
  // the end of rows that are 3 or 6 bytes long.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, 3, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE, image.pixels);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}
}  // namespace

bool loadTextures() {
  bool created = false;
  for (int slot = 0; slot < TEXTURE_COUNT; ++slot) {
    RgbImage* image = loadImageIfPresent(TEXTURE_FILES[slot]);
    if (!image) continue;
    created = true;
    uploadTexture(&textureNames[slot], *image);
    freeBmpImage(image);
  }
  return created;
}

RgbImage* loadImageIfPresent(const char* path) {
  if (!path) return nullptr;
  FILE* file = fopen(path, "r");
  if (!file) return nullptr;
  fclose(file);
  return loadBmpImage(path);
}
