#include "app/car.h"

Model* carModel = nullptr;

namespace {
constexpr float CREASE_ANGLE = 90.0f;  // degrees; sharper edges keep their facet normals

Model* readCarModel() {
  Model* model = glmReadOBJ(CAR_MODEL_PATH);
  glmFitUnitCube(model);
  glmComputeFacetNormals(model);
  glmVertexNormals(model, CREASE_ANGLE);
  return model;
}
}  // namespace

void drawCar() {
  if (!carModel) carModel = readCarModel();
  glmDraw(carModel, GLMMODE_SMOOTH | GLMMODE_MATERIAL);
}
