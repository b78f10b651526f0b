// Record-building helpers shared by the model library's units (not part of the public interface).
#ifndef GLM_RECORD_H
#define GLM_RECORD_H

#include "glm/glm.h"

// Creates a group named `name` at the head of the list without looking for one of that name
// first; null when out of memory, leaving the model as it was.
ModelGroup* glmAddGroup(Model* model, const char* name);
// Frees every material and the array; leaves the model without materials.
void glmFreeMaterials(Model* model);
// The message of a material lookup that finds no material of that name.
void glmReportMissingMaterial(const char* name);

#endif
