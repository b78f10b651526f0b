// Record-building helpers shared by the model library's units (not part of the public interface).
#ifndef GLM_RECORD_H
#define GLM_RECORD_H

#include "glm/glm.h"

// Creates a group named `name` at the head of the list without looking for one of that name
// first; null when out of memory, leaving the model as it was.
ModelGroup* glmAddGroup(Model* model, const char* name);
// Frees every material and the array; leaves the model without materials.
void glmFreeMaterials(Model* model);
// The directory of `path` (up to and including its last '/', or nothing) followed by `name`:
// where a material library named in a model file lies. Null when out of memory.
char* glmTryPathBeside(const char* path, const char* name);
// The message of a material lookup that finds no material of that name.
void glmReportMissingMaterial(const char* name);

#endif
