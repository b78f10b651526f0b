#include "support/draw_fixtures.h"
#include "support/model_builder.h"

#include <cstdlib>
#include <cstring>

namespace {

// A 1-based array of the values, or null when there are none.
float* vectorArray(const std::vector<float>& values, unsigned size, unsigned* count) {
  *count = unsigned(values.size()) / size;
  return values.empty() ? nullptr : heapEntries(values, size);
}

void copyColor(const float* from, float* to) {
  memcpy(to, from, 3 * sizeof(float));
  to[3] = 1.0f;
}

void addMaterials(Model* model, const std::vector<FixtureMaterial>& materials) {
  if (materials.empty()) return;
  model->nummaterials = unsigned(materials.size());
  model->materials = static_cast<ModelMaterial*>(calloc(materials.size(), sizeof(ModelMaterial)));
  for (size_t i = 0; i < materials.size(); i++) {
    ModelMaterial& material = model->materials[i];
    material.name = strdup(materials[i].name.c_str());
    copyColor(materials[i].ambient, material.ambient);
    copyColor(materials[i].diffuse, material.diffuse);
    copyColor(materials[i].specular, material.specular);
    material.shininess = materials[i].shininess;
  }
}

}  // namespace

Model* buildFixtureModel(const FixtureModel& fixture) {
  auto* model = static_cast<Model*>(calloc(1, sizeof(Model)));
  model->pathname = strdup("fixture.obj");
  if (!fixture.mtllibname.empty()) model->mtllibname = strdup(fixture.mtllibname.c_str());
  model->numvertices = unsigned(fixture.vertices.size()) / 3;
  model->vertices = heapEntries(fixture.vertices, 3);
  model->normals = vectorArray(fixture.normals, 3, &model->numnormals);
  model->texcoords = vectorArray(fixture.texcoords, 2, &model->numtexcoords);
  model->facetnorms = vectorArray(fixture.facetnorms, 3, &model->numfacetnorms);
  model->numtriangles = unsigned(fixture.triangles.size());
  model->triangles = static_cast<ModelTriangle*>(calloc(fixture.triangles.size() + 1, sizeof(ModelTriangle)));
  memcpy(model->triangles, fixture.triangles.data(), fixture.triangles.size() * sizeof(ModelTriangle));
  addMaterials(model, fixture.materials);
  for (const FixtureGroup& group : fixture.groups) {
    addGroup(model, group.name.c_str(), group.triangles);
    model->groups->material = group.material;
  }
  return model;
}

FixtureModel squareFixture() {
  FixtureModel square;
  square.vertices = {-0.5f, -0.5f, 0, 0.5f, -0.5f, 0, 0.5f, 0.5f, 0, -0.5f, 0.5f, 0};
  square.normals = {0, 0, 1, 0.6f, 0, 0.8f, 0, 0.8f, 0.6f};
  square.texcoords = {0, 0, 1, 0, 1, 1, 0, 1};
  square.facetnorms = {0, 0, 1, 0.8f, 0, 0.6f};
  square.triangles = {
      ModelTriangle{{1, 2, 3}, {1, 2, 3}, {1, 2, 3}, 1},
      ModelTriangle{{1, 3, 4}, {1, 3, 2}, {1, 3, 4}, 2},
  };
  square.materials = {
      {"default", {0.2f, 0.2f, 0.2f}, {0.8f, 0.8f, 0.8f}, {0, 0, 0}, 65},
      {"red", {0.25f, 0, 0}, {1, 0, 0}, {0.5f, 0.5f, 0.5f}, 64},
      {"blue", {0, 0, 0.125f}, {0, 0, 1}, {0.75f, 0.75f, 0.75f}, 12.5f},
  };
  square.groups = {{"default", 2, {0}}, {"roof", 1, {1}}};
  square.mtllibname = "square.mtl";
  return square;
}

Model* buildSquareModel(bool facetnorms, bool normals, bool texcoords, bool materials) {
  FixtureModel fixture = squareFixture();
  if (!facetnorms) fixture.facetnorms.clear();
  if (!normals) fixture.normals.clear();
  if (!texcoords) fixture.texcoords.clear();
  if (!materials) fixture.materials.clear();
  return buildFixtureModel(fixture);
}
