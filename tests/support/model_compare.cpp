#include "support/model_compare.h"

#include <cstring>

namespace {

bool sameText(const char* a, const char* b) { return (!a && !b) || (a && b && strcmp(a, b) == 0); }

// Arrays of `count` entries of `size` bytes, or both null.
bool sameArray(const void* a, const void* b, size_t count, size_t size) {
  if (!a || !b) return a == b;
  return memcmp(a, b, count * size) == 0;
}

std::string groupDifference(const ModelGroup* a, const ModelGroup* b) {
  for (; a && b; a = a->next, b = b->next) {
    if (!sameText(a->name, b->name)) return "group name " + std::string(a->name);
    if (a->numtriangles != b->numtriangles || a->material != b->material ||
        !sameArray(a->triangles, b->triangles, a->numtriangles, sizeof(unsigned)))
      return "group " + std::string(a->name);
  }
  return a || b ? "group list length" : "";
}

std::string materialDifference(const Model* a, const Model* b) {
  if (a->nummaterials != b->nummaterials || !a->materials != !b->materials) return "materials";
  for (unsigned i = 0; i < a->nummaterials; i++) {
    const ModelMaterial &x = a->materials[i], &y = b->materials[i];
    if (!sameText(x.name, y.name) || memcmp(x.diffuse, y.diffuse, sizeof x.diffuse) ||
        memcmp(x.ambient, y.ambient, sizeof x.ambient) || memcmp(x.specular, y.specular, sizeof x.specular) ||
        memcmp(&x.shininess, &y.shininess, sizeof x.shininess))
      return "material " + std::to_string(i);
  }
  return "";
}

}  // namespace

std::string modelDifference(const Model* a, const Model* b) {
  if (!sameText(a->pathname, b->pathname) || !sameText(a->mtllibname, b->mtllibname)) return "names";
  if (a->numvertices != b->numvertices || !sameArray(a->vertices, b->vertices, a->numvertices + 1, 12)) return "vertices";
  if (a->numnormals != b->numnormals || !sameArray(a->normals, b->normals, a->numnormals + 1, 12)) return "normals";
  if (a->numtexcoords != b->numtexcoords || !sameArray(a->texcoords, b->texcoords, a->numtexcoords + 1, 8))
    return "texture coordinates";
  if (a->numfacetnorms != b->numfacetnorms || !sameArray(a->facetnorms, b->facetnorms, a->numfacetnorms + 1, 12))
    return "facet normals";
  if (a->numtriangles != b->numtriangles ||
      !sameArray(a->triangles, b->triangles, a->numtriangles, sizeof(ModelTriangle)))
    return "triangles";
  if (a->numgroups != b->numgroups) return "group count";
  std::string groups = groupDifference(a->groups, b->groups);
  return groups.empty() ? materialDifference(a, b) : groups;
}
