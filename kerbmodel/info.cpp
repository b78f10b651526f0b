// kerbmodel info: counts, groups, materials and the bounding box of a model, as a table or as
// one JSON object.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "kerbmodel/commands.h"
#include "kerbmodel/json.h"
#include "kerbmodel/model_file.h"

namespace {
constexpr int NAME_COLUMN_MAX = 32;  // longer names push the rest of their line to the right

// The box around every finite vertex coordinate, axis by axis; `found` is false on an axis
// without any (no vertices at all, or only infinities and NaN).
struct Bounds {
  bool found[3] = {false, false, false};
  float min[3] = {0, 0, 0};
  float max[3] = {0, 0, 0};
};

Bounds measureBounds(const Model& model) {
  Bounds b;
  for (unsigned i = 1; i <= model.numvertices; i++)
    for (int axis = 0; axis < 3; axis++) {
      float value = model.vertices[3 * size_t(i) + axis];
      if (!std::isfinite(value)) continue;
      if (!b.found[axis] || value < b.min[axis]) b.min[axis] = value;
      if (!b.found[axis] || value > b.max[axis]) b.max[axis] = value;
      b.found[axis] = true;
    }
  return b;
}

bool allAxesFound(const Bounds& b) { return b.found[0] && b.found[1] && b.found[2]; }

// The groups oldest first, as they first appear in the file ("default" first).
std::vector<const ModelGroup*> groupsInFileOrder(const Model& model) {
  std::vector<const ModelGroup*> groups;
  for (const ModelGroup* group = model.groups; group; group = group->next) groups.push_back(group);
  std::reverse(groups.begin(), groups.end());
  return groups;
}

// The group's material, or null for a model without materials.
const char* materialName(const Model& model, const ModelGroup& group) {
  if (!model.materials || group.material < 0 || unsigned(group.material) >= model.nummaterials)
    return nullptr;
  return model.materials[group.material].name;
}

int nameWidth(const std::vector<const char*>& names) {
  size_t width = 0;
  for (const char* name : names) width = std::max(width, strlen(name));
  return int(std::min(width, size_t(NAME_COLUMN_MAX)));
}

// --- Table ---

void printBounds(const Bounds& b) {
  if (!allAxesFound(b)) {
    printf("bounds      none\nextents     none\n");
    return;
  }
  printf("bounds      min %g %g %g  max %g %g %g\n", b.min[0], b.min[1], b.min[2], b.max[0], b.max[1],
         b.max[2]);
  printf("extents     %g %g %g\n", b.max[0] - b.min[0], b.max[1] - b.min[1], b.max[2] - b.min[2]);
}

void printGroups(const Model& model) {
  std::vector<const ModelGroup*> groups = groupsInFileOrder(model);
  std::vector<const char*> names;
  for (const ModelGroup* group : groups) names.push_back(group->name);
  int width = nameWidth(names);
  printf("groups      %u\n", model.numgroups);
  for (const ModelGroup* group : groups) {
    const char* material = materialName(model, *group);
    printf("  %-*s  %8u triangles  material %s\n", width, group->name, group->numtriangles,
           material ? material : "none");
  }
}

void printMaterials(const Model& model) {
  std::vector<const char*> names;
  for (unsigned i = 0; i < model.nummaterials; i++) names.push_back(model.materials[i].name);
  int width = nameWidth(names);
  printf("materials   %u\n", model.nummaterials);
  for (unsigned i = 0; i < model.nummaterials; i++) {
    const ModelMaterial& m = model.materials[i];
    printf("  %-*s  diffuse %g %g %g  ambient %g %g %g  specular %g %g %g  shininess %g\n", width, m.name,
           m.diffuse[0], m.diffuse[1], m.diffuse[2], m.ambient[0], m.ambient[1], m.ambient[2], m.specular[0],
           m.specular[1], m.specular[2], m.shininess);
  }
}

void printTable(const Model& model) {
  printf("model       %s\n", model.pathname);
  printf("vertices    %u\nnormals     %u\ntexcoords   %u\ntriangles   %u\n", model.numvertices,
         model.numnormals, model.numtexcoords, model.numtriangles);
  printBounds(measureBounds(model));
  printf("library     %s\n", model.mtllibname ? model.mtllibname : "none");
  printMaterials(model);
  printGroups(model);
}

// --- JSON ---

void appendKey(std::string* out, const char* key) {
  appendJsonString(out, key);
  *out += ": ";
}

void appendJsonStringOrNull(std::string* out, const char* text) {
  if (text) {
    appendJsonString(out, text);
  } else {
    *out += "null";
  }
}

void appendNumbers(std::string* out, const float* values, int count) {
  *out += '[';
  for (int i = 0; i < count; i++) {
    if (i > 0) *out += ", ";
    appendJsonNumber(out, values[i]);
  }
  *out += ']';
}

void appendCount(std::string* out, const char* key, unsigned count) {
  appendKey(out, key);
  *out += std::to_string(count) + ",\n  ";
}

void appendBounds(std::string* out, const Bounds& b) {
  if (!allAxesFound(b)) {
    *out += "\"bounds\": null,\n  \"extents\": null,\n  ";
    return;
  }
  float extents[3];
  for (int axis = 0; axis < 3; axis++) extents[axis] = b.max[axis] - b.min[axis];
  *out += "\"bounds\": {\"min\": ";
  appendNumbers(out, b.min, 3);
  *out += ", \"max\": ";
  appendNumbers(out, b.max, 3);
  *out += "},\n  \"extents\": ";
  appendNumbers(out, extents, 3);
  *out += ",\n  ";
}

void appendMaterial(std::string* out, const ModelMaterial& m) {
  *out += "{\"name\": ";
  appendJsonString(out, m.name);
  *out += ", \"diffuse\": ";
  appendNumbers(out, m.diffuse, 4);
  *out += ", \"ambient\": ";
  appendNumbers(out, m.ambient, 4);
  *out += ", \"specular\": ";
  appendNumbers(out, m.specular, 4);
  *out += ", \"shininess\": ";
  appendJsonNumber(out, m.shininess);
  *out += '}';
}

void appendGroup(std::string* out, const Model& model, const ModelGroup& group) {
  *out += "{\"name\": ";
  appendJsonString(out, group.name);
  *out += ", \"triangles\": " + std::to_string(group.numtriangles) + ", \"material\": ";
  appendJsonStringOrNull(out, materialName(model, group));
  *out += '}';
}

std::string jsonReport(const Model& model) {
  std::string out = "{\n  ";
  appendKey(&out, "model");
  appendJsonString(&out, model.pathname);
  out += ",\n  ";
  appendCount(&out, "vertices", model.numvertices);
  appendCount(&out, "normals", model.numnormals);
  appendCount(&out, "texcoords", model.numtexcoords);
  appendCount(&out, "triangles", model.numtriangles);
  appendBounds(&out, measureBounds(model));
  appendKey(&out, "library");
  appendJsonStringOrNull(&out, model.mtllibname);
  out += ",\n  \"materials\": [";
  for (unsigned i = 0; i < model.nummaterials; i++) {
    out += i > 0 ? ",\n    " : "\n    ";
    appendMaterial(&out, model.materials[i]);
  }
  out += model.nummaterials > 0 ? "\n  ],\n  \"groups\": [" : "],\n  \"groups\": [";
  bool first = true;
  for (const ModelGroup* group : groupsInFileOrder(model)) {
    out += first ? "\n    " : ",\n    ";
    first = false;
    appendGroup(&out, model, *group);
  }
  out += "\n  ]\n}\n";
  return out;
}
}  // namespace

int runInfo(const InfoRequest& request) {
  ModelPtr model = readModel(request.model);
  if (!model) return EXIT_BAD_MODEL;
  if (request.json) {
    fputs(jsonReport(*model).c_str(), stdout);
  } else {
    printTable(*model);
  }
  return standardOutputWritten() ? 0 : EXIT_BAD_MODEL;
}
