// PLACEHOLDER: replaced by the real implementation before merging.
#include "glm/glm.h"
#include <cstdlib>

float glmAbsValue(float) { abort(); }
float glmLarger(float, float) { abort(); }
float glmDotProduct(const float*, const float*) { abort(); }
void glmCrossProduct(const float*, const float*, float*) { abort(); }
void glmMakeUnit(float*) { abort(); }
void glmComputeFacetNormals(Model*) { abort(); }
void glmVertexNormals(Model*, float) { abort(); }
