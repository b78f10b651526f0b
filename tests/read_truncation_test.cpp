// Every prefix of a few valid OBJ and MTL files must read cleanly (or, cut inside a face's first
// vertex, fail cleanly): each prefix is a file of its own, which the reader takes into a heap block of exactly its size, so the sanitizers see any
// read past the end. Every index of the result must lie inside its array.
#include "glm/glm.h"

#include <gtest/gtest.h>

#include "support/test_files.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const LIBRARY =
    "# library\nnewmtl red\nKa 0.2 0 0\nKd 1 0 0\nKs 0.5 0.5 0.5\nNs 96.078431\nNi 1.5\nillum 2\n"
    "newmtl blue second\nKd 0 0 1e0\n";

// Faces come after every element they name and use no index 0, so each prefix is a valid file.
const char* const CUBE_CORNER =
    "# corner\nmtllib m.mtl\nv 0 0 0\nv 1.5 0 -0.25e1\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\n"
    "vn 0 0 1\nvn 0 1 0\ng body\nusemtl red\nf 1/1/1 2/2/1 3/3/2 4/1/2\ng wheels left\nusemtl second\n"
    "f 4//1 3//2 2//1\nf 1/2 2/3 3/1\nf -1 -2 -3\n4 1\n";

std::string withCrlf(const std::string& text) {
  std::string converted;
  for (char c : text) converted += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return converted;
}

// A cut just after a face keyword leaves a face without a vertex, which the reader refuses.
bool endsInAFaceWithoutAVertex(const std::string& prefix) {
  std::string last = prefix.substr(prefix.find_last_of('\n') + 1);
  return !last.empty() && last[0] == 'f' && last.find_first_of("0123456789") == std::string::npos;
}

void expectIndicesInRange(const Model* model) {
  unsigned grouped = 0;
  for (ModelGroup* group = model->groups; group; group = group->next) {
    grouped += group->numtriangles;
    for (unsigned i = 0; i < group->numtriangles; i++) ASSERT_LT(group->triangles[i], model->numtriangles);
    ASSERT_TRUE(group->material == 0 || unsigned(group->material) < model->nummaterials);
  }
  ASSERT_EQ(grouped, model->numtriangles);
  for (unsigned t = 0; t < model->numtriangles; t++) {
    for (int c = 0; c < 3; c++) {
      ASSERT_LE(model->triangles[t].vidx[c], model->numvertices);
      ASSERT_LE(model->triangles[t].tidx[c], model->numtexcoords);
      ASSERT_LE(model->triangles[t].nidx[c], model->numnormals);
    }
  }
}

void sweepObj(const std::string& obj) {
  TempDir dir;
  // A cut inside the library name names a shorter one; every such name exists.
  for (const char* name : {"m", "m.", "m.m", "m.mt", "m.mtl"}) dir.write(name, LIBRARY);
  testing::internal::CaptureStdout();  // unknown material names are reported there
  testing::internal::CaptureStderr();
  for (size_t length = 0; length <= obj.size(); length++) {
    std::string prefix = obj.substr(0, length);
    Model* model = glmTryReadOBJ(dir.write("prefix.obj", prefix).c_str());
    ASSERT_EQ(model == nullptr, endsInAFaceWithoutAVertex(prefix)) << prefix;
    if (!model) continue;
    expectIndicesInRange(model);
    glmFreeModel(model);
  }
  testing::internal::GetCapturedStderr();
  testing::internal::GetCapturedStdout();
}

void sweepMtl(const std::string& mtl) {
  TempDir dir;
  Model* model = static_cast<Model*>(calloc(1, sizeof(Model)));
  model->pathname = strdup(dir.path("model.obj").c_str());
  for (size_t length = 0; length <= mtl.size(); length++) {
    dir.write("prefix.mtl", mtl.substr(0, length));
    glmReadMTL(model, "prefix.mtl");
    for (unsigned i = 0; i < model->nummaterials; i++) ASSERT_NE(model->materials[i].name, nullptr);
  }
  glmFreeModel(model);
}

}  // namespace

TEST(TruncatedObj, EveryPrefixReadsCleanly) { sweepObj(CUBE_CORNER); }

TEST(TruncatedObj, EveryPrefixOfACrlfFileWithLongLinesReadsCleanly) {
  sweepObj(withCrlf("# " + std::string(140, 'c') + " v 1 2 3\ng " + std::string(130, 'n') + "\n" + CUBE_CORNER));
}

TEST(TruncatedMtl, EveryPrefixReadsCleanly) {
  sweepMtl(LIBRARY);
  sweepMtl(withCrlf(LIBRARY));
}
