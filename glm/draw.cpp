// Drawing a model with OpenGL 1.x immediate mode: one GL_TRIANGLES batch per group,
// each preceded by the group's material or colour. Matrices, lighting, texturing and
// texture binding are left to the caller.
#include "glm/glm.h"
#include "glm/mode.h"

#include <GL/gl.h>

#include <cassert>

namespace {

const GlmModeWarnings DRAW_WARNINGS = {{
    "glmDraw() warning: flat render mode requested with no facet normals defined.",
    "glmDraw() warning: smooth render mode requested with no normals defined.",
    "glmDraw() warning: texture render mode requested with no texture coordinates defined.",
    "glmDraw() warning: flat render mode requested and smooth render mode requested (using smooth).",
    "glmDraw() warning: color render mode requested with no materials defined.",
    "glmDraw() warning: material render mode requested with no materials defined.",
    "glmDraw() warning: color and material render mode requested using only material mode.",
}};

// Colour mode feeds glColor into the material; material mode must not let it. With
// neither, the caller's setting stands.
void setColorMaterial(unsigned mode) {
  if (mode & GLMMODE_COLOR)
    glEnable(GL_COLOR_MATERIAL);
  else if (mode & GLMMODE_MATERIAL)
    glDisable(GL_COLOR_MATERIAL);
}

void applyGroupAppearance(const Model* model, const ModelGroup* group, unsigned mode) {
  if (!(mode & (GLMMODE_MATERIAL | GLMMODE_COLOR))) return;  // materials may be null then
  const ModelMaterial& material = model->materials[group->material];
  if (mode & GLMMODE_MATERIAL) {
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, material.ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, material.diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, material.specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, material.shininess);
  }
  if (mode & GLMMODE_COLOR) glColor3fv(material.diffuse);
}

void drawTriangle(const Model* model, const ModelTriangle& triangle, unsigned mode) {
  if (mode & GLMMODE_FLAT) glNormal3fv(&model->facetnorms[3 * triangle.fidx]);
  for (int corner = 0; corner < 3; corner++) {
    if (mode & GLMMODE_SMOOTH) glNormal3fv(&model->normals[3 * triangle.nidx[corner]]);
    if (mode & GLMMODE_TEXTURE) glTexCoord2fv(&model->texcoords[2 * triangle.tidx[corner]]);
    glVertex3fv(&model->vertices[3 * triangle.vidx[corner]]);
  }
}

void drawGroup(const Model* model, const ModelGroup* group, unsigned mode) {
  applyGroupAppearance(model, group, mode);
  glBegin(GL_TRIANGLES);
  for (unsigned i = 0; i < group->numtriangles; i++)
    drawTriangle(model, model->triangles[group->triangles[i]], mode);
  glEnd();
}

}  // namespace

void glmDraw(Model* model, unsigned mode) {
  assert(model);
  assert(model->vertices);
  mode = glmReconcileMode(model, mode, DRAW_WARNINGS);
  setColorMaterial(mode);
  for (const ModelGroup* group = model->groups; group; group = group->next) drawGroup(model, group, mode);
}

unsigned glmMakeDisplayList(Model* model, unsigned mode) {
  unsigned list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  glmDraw(model, mode);
  glEndList();
  return list;
}
