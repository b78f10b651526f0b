// The car model: read from "data/porsche.obj" on the first frame, then drawn every frame.
#ifndef APP_CAR_H
#define APP_CAR_H

#include "glm/glm.h"

// The car's model file, relative to the working directory.
const char* const CAR_MODEL_PATH = "data/porsche.obj";

// The car's model, null until the first drawCar; kept for the life of the process.
extern Model* carModel;

// On the first call reads the model (a missing or malformed file ends the process with
// status 1 and the reader's message), fits it into the unit cube and smooths its normals;
// on every call draws it with its materials under the current lighting.
void drawCar();

#endif
