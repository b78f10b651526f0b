#include "app/car.h"

#include <GL/gl.h>

Model* carModel = nullptr;

namespace {
constexpr float CREASE_ANGLE = 90.0f;  // degrees; sharper edges keep their facet normals
constexpr unsigned CAR_DRAW_MODE = GLMMODE_SMOOTH | GLMMODE_MATERIAL;

// The car as a display list, which spares the driver the model's vertex calls every frame.
// 0 until made for the current model.
unsigned carList = 0;

Model* readCarModel() {
  Model* model = glmReadOBJ(CAR_MODEL_PATH);
  glmFitUnitCube(model);
  glmComputeFacetNormals(model);
  glmVertexNormals(model, CREASE_ANGLE);
  return model;
}
}  // namespace

void drawCar() {
  if (!carModel) {
    carModel = readCarModel();
    carList = 0;
  }
  // Lists belong to a context: in a new one the old name is no list, and the list is made again.
  if (!carList || !glIsList(carList)) carList = glmMakeDisplayList(carModel, CAR_DRAW_MODE);
  glCallList(carList);
}
