// PLACEHOLDER: replaced by the real implementation before merging.
#include "glm/glm.h"
#include <cstdlib>

bool glmVectorsEqual(const float*, const float*, float) { abort(); }
float* glmWeldVectorArray(float*, unsigned*, float) { abort(); }
void glmWeldVertices(Model*, float) { abort(); }
