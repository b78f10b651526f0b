// Reading MTL material libraries: materials, colours, shininess, names, the library path.
#include "glm/glm.h"

#include <gtest/gtest.h>

#include "support/test_files.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

using testing::ExitedWithCode;

namespace {

class ReadMtl : public testing::Test {
 protected:
  ReadMtl() {
    model = static_cast<Model*>(calloc(1, sizeof(Model)));
    model->pathname = strdup(dir.path("car.obj").c_str());
  }
  ~ReadMtl() override { glmFreeModel(model); }
  const ModelMaterial& read(const std::string& mtl, unsigned material = 0) {
    dir.write("car.mtl", mtl);
    glmReadMTL(model, "car.mtl");
    EXPECT_LT(material, model->nummaterials);
    return model->materials[material < model->nummaterials ? material : 0];
  }

  TempDir dir;
  Model* model;
};

void expectColour(const float* colour, float r, float g, float b) {
  EXPECT_EQ(colour[0], r);
  EXPECT_EQ(colour[1], g);
  EXPECT_EQ(colour[2], b);
  EXPECT_EQ(colour[3], 1.0f);
}

}  // namespace

TEST_F(ReadMtl, LibraryWithoutNewmtlChangesTheDefaultMaterial) {
  const ModelMaterial& material = read("Kd 0.1 0.2 0.3\nNs 500\n");
  ASSERT_EQ(model->nummaterials, 1u);
  EXPECT_STREQ(material.name, "default");
  expectColour(material.diffuse, 0.1f, 0.2f, 0.3f);
  EXPECT_EQ(material.shininess, 64.0f);
}

TEST_F(ReadMtl, MaterialsFollowTheDefaultInFileOrderWithTheirDefaults) {
  read("# two\nnewmtl paint\nKa 0.5 0.25 0.125\nKs 1 1 1\nnewmtl chrome\n");
  ASSERT_EQ(model->nummaterials, 3u);
  EXPECT_STREQ(model->materials[1].name, "paint");
  EXPECT_STREQ(model->materials[2].name, "chrome");
  expectColour(model->materials[1].ambient, 0.5f, 0.25f, 0.125f);
  expectColour(model->materials[1].specular, 1, 1, 1);
  const ModelMaterial& chrome = model->materials[2];
  expectColour(chrome.diffuse, 0.8f, 0.8f, 0.8f);
  expectColour(chrome.ambient, 0.2f, 0.2f, 0.2f);
  expectColour(chrome.specular, 0, 0, 0);
  EXPECT_EQ(chrome.shininess, 65.0f);
}

TEST_F(ReadMtl, ShininessIsScaledFromThousandsTo128InSinglePrecisionSteps) {
  EXPECT_EQ(read("newmtl a\nNs 1000\n", 1).shininess, 128.0f);
  EXPECT_EQ(read("newmtl a\nNs 96.078431\n", 1).shininess, float(float(96.078431f / 1000.0) * 128.0));
  EXPECT_NEAR(model->materials[1].shininess, 12.29804f, 1e-5f);
  EXPECT_EQ(read("newmtl a\nNs 0\n", 1).shininess, 0.0f);
}

TEST_F(ReadMtl, OnlyNsSetsTheShininessNotNiOrOtherNKeywords) {
  EXPECT_EQ(read("newmtl a\nNs 1000\nNi 1.5\nNx 3\n", 1).shininess, 128.0f);
}

TEST_F(ReadMtl, NsWithoutANumberLeavesTheShininessAsItWas) {
  EXPECT_EQ(read("newmtl a\nNs\nKd 0.5 0.5 0.5\n", 1).shininess, 65.0f);
  expectColour(model->materials[1].diffuse, 0.5f, 0.5f, 0.5f);
}

TEST_F(ReadMtl, KeywordsItDoesNotUseLeaveTheMaterialUnchanged) {
  const ModelMaterial& material = read("newmtl a\nKe 1 1 1\nd 0.5\nillum 2\nmap_Kd tex.bmp\nTr 0\n", 1);
  expectColour(material.diffuse, 0.8f, 0.8f, 0.8f);
  expectColour(material.specular, 0, 0, 0);
  EXPECT_EQ(material.shininess, 65.0f);
}

TEST_F(ReadMtl, ShortColourLineChangesOnlyTheComponentsItGives) {
  expectColour(read("Kd 0.5\nKs 0.25 0.5 0.75 0.9 Ka 1 1 1\n").diffuse, 0.5f, 0.8f, 0.8f);
  expectColour(model->materials[0].specular, 0.25f, 0.5f, 0.75f);
  expectColour(model->materials[0].ambient, 0.2f, 0.2f, 0.2f);
}

// The next line's keyword is never taken for a number: "ne" of "newmtl" once read as a failed
// "nan", and the material it started was lost while its colours overwrote the one before.
TEST_F(ReadMtl, ShortColourOrShininessLineLeavesTheNextLineItsKeyword) {
  for (const char* line : {"Kd 0.5", "Ns", "Ka", "Ks 0.1 0.2 \t", "Kd 0.5\r"}) {
    read(std::string("newmtl first\n") + line + "\nnewmtl red\nKd 1 0 0\n", 2);
    ASSERT_EQ(model->nummaterials, 3u) << line;
    EXPECT_STREQ(model->materials[2].name, "red") << line;
    expectColour(model->materials[2].diffuse, 1, 0, 0);
    EXPECT_EQ(model->materials[1].diffuse[1], 0.8f) << line;
    EXPECT_EQ(model->materials[1].shininess, 65.0f) << line;
  }
}

TEST_F(ReadMtl, NewmtlNamesAreTheSecondWordOrEmptyAndNeverKeepACarriageReturn) {
  read("newmtl first second\r\nnewmtl\r\nnewmtl last\r\n");
  ASSERT_EQ(model->nummaterials, 4u);
  EXPECT_STREQ(model->materials[1].name, "second");
  EXPECT_STREQ(model->materials[2].name, "");
  EXPECT_STREQ(model->materials[3].name, "last");
}

TEST_F(ReadMtl, SecondLibraryReplacesTheFirstsMaterials) {
  read("newmtl a\nnewmtl b\nnewmtl c\n");
  read("newmtl z\n");
  ASSERT_EQ(model->nummaterials, 2u);
  EXPECT_STREQ(model->materials[1].name, "z");
}

TEST_F(ReadMtl, BareModelPathLooksForTheLibraryInTheCurrentDirectory) {
  dir.write("bare.mtl", "newmtl here\n");
  char* previous = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(dir.path("").c_str()), 0);
  free(model->pathname);
  model->pathname = strdup("car.obj");
  glmReadMTL(model, "bare.mtl");
  ASSERT_EQ(chdir(previous), 0);
  free(previous);
  ASSERT_EQ(model->nummaterials, 2u);
  EXPECT_STREQ(model->materials[1].name, "here");
}

TEST_F(ReadMtl, MissingLibraryEndsTheProcessNamingTheJoinedPath) {
  std::string expected = "^glmReadMTL\\(\\) failed: can't open material file \"" + dir.path("none.mtl") + "\".\n";
  EXPECT_EXIT(glmReadMTL(model, "none.mtl"), ExitedWithCode(1), expected);
}
