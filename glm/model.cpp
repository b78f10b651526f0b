// The model record: group and material lookups, deletion.
#include "glm/glm.h"
#include "glm/memory.h"
#include "glm/record.h"

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>

ModelGroup* glmLookupGroup(Model* model, const char* name) {
  assert(model);
  for (ModelGroup* group = model->groups; group; group = group->next)
    if (strcmp(group->name, name) == 0) return group;
  return nullptr;
}

ModelGroup* glmAddGroup(Model* model, const char* name) {
  ModelGroup* group = static_cast<ModelGroup*>(glmTryAllocate(1, sizeof(ModelGroup)));
  char* copy = glmTryCopyString(name);
  if (!group || !copy) {
    free(group);
    free(copy);
    return nullptr;
  }
  *group = {copy, 0, nullptr, 0, model->groups};
  model->groups = group;
  model->numgroups++;
  return group;
}

ModelGroup* glmEnsureGroup(Model* model, const char* name) {
  ModelGroup* group = glmLookupGroup(model, name);
  if (group) return group;
  group = glmAddGroup(model, name);
  if (group) return group;
  fprintf(stderr, "glmEnsureGroup(): out of memory.\n");
  exit(1);
}

void glmReportMissingMaterial(const char* name) { printf("glmFindMaterial():  can't find material \"%s\".\n", name); }

unsigned glmFindMaterial(Model* model, const char* name) {
  for (unsigned i = 0; i < model->nummaterials; i++)
    if (strcmp(model->materials[i].name, name) == 0) return i;
  glmReportMissingMaterial(name);
  return 0;
}

void glmFreeMaterials(Model* model) {
  for (unsigned i = 0; i < model->nummaterials; i++) free(model->materials[i].name);
  free(model->materials);
  model->materials = nullptr;
  model->nummaterials = 0;
}

void glmFreeModel(Model* model) {
  assert(model);
  free(model->pathname);
  free(model->mtllibname);
  free(model->vertices);
  free(model->normals);
  free(model->texcoords);
  free(model->facetnorms);
  free(model->triangles);
  glmFreeMaterials(model);
  while (model->groups) {
    ModelGroup* group = model->groups;
    model->groups = group->next;
    free(group->name);
    free(group->triangles);
    free(group);
  }
  free(model);
}
