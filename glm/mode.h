// Mode reconciliation shared by drawing and writing (not part of the public interface).
#ifndef GLM_MODE_H
#define GLM_MODE_H

#include "glm/glm.h"

#include <cstdio>

// The warning lines of the seven mode tests, in the order the tests run: flat without
// facet normals, smooth without normals, texture without texture coordinates, flat with
// smooth, colour without materials, material without materials, colour with material.
struct GlmModeWarnings {
  const char* lines[7];
};

// Drops from `mode` every flag whose data the model lacks and resolves the two conflicts
// (smooth wins over flat, material over colour). Each test runs on the mode as the
// tests before it left it and prints its warning line on standard output when it fires.
inline unsigned glmReconcileMode(const Model* model, unsigned mode, const GlmModeWarnings& warnings) {
  auto clearIf = [&](unsigned flag, bool condition, const char* warning) {
    if (!(mode & flag) || !condition) return;
    printf("%s\n", warning);
    mode &= ~flag;
  };
  clearIf(GLMMODE_FLAT, !model->facetnorms, warnings.lines[0]);
  clearIf(GLMMODE_SMOOTH, !model->normals, warnings.lines[1]);
  clearIf(GLMMODE_TEXTURE, !model->texcoords, warnings.lines[2]);
  clearIf(GLMMODE_FLAT, mode & GLMMODE_SMOOTH, warnings.lines[3]);
  clearIf(GLMMODE_COLOR, !model->materials, warnings.lines[4]);
  clearIf(GLMMODE_MATERIAL, !model->materials, warnings.lines[5]);
  clearIf(GLMMODE_COLOR, mode & GLMMODE_MATERIAL, warnings.lines[6]);
  return mode;
}

#endif
