// A model a test owns: released with glmFreeModel when it goes.
#ifndef TESTS_SUPPORT_MODEL_PTR_H
#define TESTS_SUPPORT_MODEL_PTR_H

#include <memory>

#include "glm/glm.h"

struct ModelDeleter {
  void operator()(Model* model) const { glmFreeModel(model); }
};
using ModelPtr = std::unique_ptr<Model, ModelDeleter>;

#endif
