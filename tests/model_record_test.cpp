// The model record's lookups, deletion and path helper.
#include "glm/glm.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

class ModelRecord : public testing::Test {
 protected:
  ~ModelRecord() override { glmFreeModel(model); }
  void addMaterials(std::vector<const char*> names) {
    model->nummaterials = unsigned(names.size());
    model->materials = static_cast<ModelMaterial*>(calloc(names.size(), sizeof(ModelMaterial)));
    for (size_t i = 0; i < names.size(); i++) model->materials[i].name = strdup(names[i]);
  }

  Model* model = static_cast<Model*>(calloc(1, sizeof(Model)));
};

std::string directoryOf(const char* path) {
  char* directory = glmPathDirectory(path);
  std::string result = directory;
  free(directory);
  return result;
}

}  // namespace

TEST_F(ModelRecord, LookupComparesWholeNamesByteForByte) {
  glmEnsureGroup(model, "Wheels");
  EXPECT_NE(glmLookupGroup(model, "Wheels"), nullptr);
  EXPECT_EQ(glmLookupGroup(model, "wheels"), nullptr);
  EXPECT_EQ(glmLookupGroup(model, " Wheels"), nullptr);
  EXPECT_EQ(glmLookupGroup(model, "Wheel"), nullptr);
}

TEST_F(ModelRecord, EnsureGroupReturnsTheExistingGroupOrANewListHead) {
  ModelGroup* a = glmEnsureGroup(model, "a");
  EXPECT_EQ(glmEnsureGroup(model, "a"), a);
  EXPECT_EQ(model->numgroups, 1u);
  ModelGroup* b = glmEnsureGroup(model, "b");
  EXPECT_EQ(model->groups, b);
  EXPECT_EQ(b->next, a);
  EXPECT_EQ(b->numtriangles, 0u);
  EXPECT_EQ(b->triangles, nullptr);
  EXPECT_EQ(b->material, 0);
}

TEST_F(ModelRecord, GroupListRunsNewestFirst) {
  for (const char* name : {"A", "B", "C"}) glmEnsureGroup(model, name);
  std::string order;
  for (ModelGroup* group = model->groups; group; group = group->next) order += group->name;
  EXPECT_EQ(order, "CBA");
  EXPECT_EQ(model->numgroups, 3u);
}

TEST_F(ModelRecord, FindMaterialReturnsTheFirstOfEqualNamesQuietly) {
  addMaterials({"default", "paint", "paint"});
  testing::internal::CaptureStdout();
  EXPECT_EQ(glmFindMaterial(model, "paint"), 1u);
  EXPECT_EQ(glmFindMaterial(model, "default"), 0u);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(ModelRecord, FindMaterialReportsAMissingNameAndGivesZero) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(glmFindMaterial(model, "chrome"), 0u);
  addMaterials({"default", "paint"});
  EXPECT_EQ(glmFindMaterial(model, "Paint"), 0u);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "glmFindMaterial():  can't find material \"chrome\".\n"
            "glmFindMaterial():  can't find material \"Paint\".\n");
}

TEST_F(ModelRecord, FreeModelReleasesEverythingItOwns) {
  // Leak detection under the sanitizers is the check here.
  model->pathname = strdup("a.obj");
  model->vertices = static_cast<float*>(calloc(6, sizeof(float)));
  addMaterials({"default", "x"});
  ModelGroup* group = glmEnsureGroup(model, "g");
  group->triangles = static_cast<unsigned*>(calloc(1, sizeof(unsigned)));
  glmEnsureGroup(model, "default");
}

TEST(ModelRecordDeathTest, NullModelFailsTheAssertionNamedModel) {
  EXPECT_DEATH(glmLookupGroup(nullptr, "x"), "Assertion `model' failed");
  EXPECT_DEATH(glmEnsureGroup(nullptr, "x"), "Assertion `model' failed");
  EXPECT_DEATH(glmFreeModel(nullptr), "Assertion `model' failed");
}

TEST(PathDirectory, KeepsEverythingUpToTheLastForwardSlash) {
  EXPECT_EQ(directoryOf("data/porsche.obj"), "data/");
  EXPECT_EQ(directoryOf("/a/b/c/"), "/a/b/c/");
  EXPECT_EQ(directoryOf("porsche.obj"), "");
  EXPECT_EQ(directoryOf("data\\cars\\porsche.obj"), "");
  EXPECT_EQ(directoryOf(""), "");
}
