// Whether two models hold the same data, byte for byte: for comparing reads of one file.
#ifndef TESTS_SUPPORT_MODEL_COMPARE_H
#define TESTS_SUPPORT_MODEL_COMPARE_H

#include "glm/glm.h"

#include <string>

// "" when a and b are the same; otherwise the first difference, named.
std::string modelDifference(const Model* a, const Model* b);

#endif
