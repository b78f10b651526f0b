// The city's nine textures: their slots, their files and their OpenGL texture objects.
#ifndef APP_TEXTURES_H
#define APP_TEXTURES_H

#include "app/texture_slots.h"
#include "image/bmp.h"

// OpenGL texture object per slot; 0 (OpenGL's empty default texture, so the surface is
// drawn in plain colour) where the file could not be read.
extern unsigned textureNames[TEXTURE_COUNT];

// Reads "road.bmp", "wall.bmp", "sky.bmp", "grass.bmp", "build1.bmp" ... "build5.bmp" from
// the working directory and uploads each into its slot. Needs a current OpenGL context.
// Returns true when at least one texture was created.
bool loadTextures();
// The BMP image at `path`, or null: silently when the file is absent (or path is null),
// with the BMP loader's message when it exists but cannot be decoded. Release it with
// freeBmpImage.
RgbImage* loadImageIfPresent(const char* path);

#endif
