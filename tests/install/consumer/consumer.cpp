// A program of another project: reads a model and a BMP file with the installed libraries
// and prints what it found. Usage: consumer MODEL.obj IMAGE.bmp
#include <cstdio>
#include <cstdlib>

#include "glm/glm.h"
#include "image/bmp.h"

// The drawing code is linked in too, so the link line must bring OpenGL with it.
void (*const volatile drawModel)(Model*, unsigned) = glmDraw;

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: consumer MODEL.obj IMAGE.bmp\n");
    return 2;
  }
  Model* model = glmTryReadOBJ(argv[1]);
  if (!model) return 1;
  glmFitUnitCube(model);
  glmComputeFacetNormals(model);
  glmVertexNormals(model, 90);
  RgbImage* image = loadBmpImage(argv[2]);
  if (!image) {
    glmFreeModel(model);
    return 1;
  }
  printf("%u vertices, %u triangles, %u materials; %dx%d pixels\n", model->numvertices, model->numtriangles,
         model->nummaterials, image->width, image->height);
  free(image->pixels);
  free(image);
  glmFreeModel(model);
  return 0;
}
