// A file read in chunks by several threads gives the model, the messages and the failures of a
// read in one piece by one thread, however it is cut; and a pipe reads like a file.
#include "glm/glm.h"
#include "glm/obj_reader.h"

#include <gtest/gtest.h>

#include "support/model_compare.h"
#include "support/test_files.h"

#include <random>
#include <string>

namespace {

struct Read {
  Model* model;
  std::string out, err;
};

Read readPlanned(const std::string& path, size_t chunkBytes, unsigned threads) {
  GlmObjReadPlan plan = {chunkBytes, threads};
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  Model* model = glmTryReadOBJPlanned(path.c_str(), &plan);
  std::string err = testing::internal::GetCapturedStderr();
  return {model, testing::internal::GetCapturedStdout(), err};
}

// Reads `obj` whole on one thread and cut in chunks of several sizes (down to a chunk at every
// line that may start one) on several threads; all must agree.
void expectSameReadWhateverTheCut(const TempDir& dir, const std::string& obj) {
  std::string path = dir.write("model.obj", obj);
  Read whole = readPlanned(path, 0, 1);
  for (size_t chunkBytes : {1, 40, 333}) {
    for (unsigned threads : {1u, 3u}) {
      Read cut = readPlanned(path, chunkBytes, threads);
      ASSERT_EQ(cut.model == nullptr, whole.model == nullptr) << obj;
      if (whole.model) {
        ASSERT_EQ(modelDifference(whole.model, cut.model), "") << chunkBytes << "\n" << obj;
      }
      ASSERT_EQ(cut.out, whole.out) << obj;
      ASSERT_EQ(cut.err, whole.err) << obj;
      if (cut.model) glmFreeModel(cut.model);
    }
  }
  if (whole.model) glmFreeModel(whole.model);
}

// Lines of every kind the reader knows, including the ones that reach beyond their line (faces
// going on onto lines of numbers, over-long lines) and ones that fail.
std::string randomLine(std::mt19937& random, bool withFailures) {
  static const char* const LINES[] = {
      "v 1 2 3\n", "v 0.5 -1e2 .25 1\n", "v 7 8\n", "vn 0 0 1\n", "vt 0.5 0.5\n", "vt 1\n",
      "f 1 2 3\n", "f 1/1/1 2/1/1 3/1/1 1/1/1\n", "f -1 -2 -3\n", "f 1//1 2//1 3//1\n", "f 1/1 2/1\n3/1 1/1\n",
      "f 2 3\n4 1\n", "f 2 3\n1 f 1 2 3\n", "f 1 2 3 -\n", "g wheels\n", "g  body  \r\n", "g\n", "usemtl red\n", "usemtl none\n",
      "usemtl\n", "mtllib lib.mtl\n", "mtllib other.mtl\n", "# comment\n", "\n", "  \t\n", "o object\n",
      "s 1\n", "v 1 2 3 f 1 2 3\n", "#xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
      "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx g long\n"};
  static const char* const FAILURES[] = {"vp 1\n", "f 1 2 99\n", "f x\n", "f\n", "mtllib missing.mtl\n"};
  if (withFailures && random() % 40 == 0) return FAILURES[random() % (sizeof FAILURES / sizeof *FAILURES)];
  return LINES[random() % (sizeof LINES / sizeof *LINES)];
}

std::string randomObj(std::mt19937& random, bool withFailures) {
  std::string obj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nvt 0 0\n";
  for (int lines = int(random() % 120); lines > 0; lines--) obj += randomLine(random, withFailures);
  if (random() % 4 == 0) {
    std::string crlf;
    for (char c : obj) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    obj = crlf;
  }
  return obj;
}

class ReadObjChunks : public testing::Test {
 protected:
  void SetUp() override {
    dir.write("lib.mtl", "Kd 0.1 0.2 0.3\nnewmtl red\nKd 1 0 0\nnewmtl blue\n");
    dir.write("other.mtl", "newmtl blue\nKd 0 0 1\nnewmtl red\n");
  }
  TempDir dir;
};

}  // namespace

TEST_F(ReadObjChunks, GeneratedFilesReadAlikeHoweverTheyAreCut) {
  std::mt19937 random(11);
  for (int i = 0; i < 150; i++) expectSameReadWhateverTheCut(dir, randomObj(random, false));
}

// The first failure in the file is reported, whichever chunk meets it first.
TEST_F(ReadObjChunks, GeneratedFilesFailAlikeHoweverTheyAreCut) {
  std::mt19937 random(12);
  for (int i = 0; i < 150; i++) expectSameReadWhateverTheCut(dir, randomObj(random, true));
}

TEST_F(ReadObjChunks, FaceRunningIntoTheNextChunksKeywordFailsAlike) {
  expectSameReadWhateverTheCut(dir, "v 0 0 0\nf\nv 1 1 1\nf 1 1 1\n");
  expectSameReadWhateverTheCut(dir, "v 0 0 0\nf 1 1/\ng x\nf 1 1 1\n");
}

// A pipe has no size to map or to read up to: it is read until it ends, growing its buffer.
TEST_F(ReadObjChunks, PipeReadsLikeTheFile) {
  std::string obj = "mtllib lib.mtl\ng grid\nusemtl red\n";
  for (int i = 0; i < 100000; i++) obj += "v " + std::to_string(i) + " 0.5 -2\nvt 0.25 " + std::to_string(i % 7) + "\n";
  for (int i = 1; i + 2 <= 100000; i += 3) obj += "f " + std::to_string(i) + "/1 " + std::to_string(i + 1) + "/2 -1/-1\n";
  std::string path = dir.write("model.obj", obj);
  PipedFile pipe(dir, "pipe.obj", obj);
  Model* fromPipe = glmTryReadOBJ(pipe.path().c_str());
  Model* fromFile = glmTryReadOBJ(path.c_str());
  ASSERT_NE(fromPipe, nullptr);
  ASSERT_NE(fromFile, nullptr);
  free(fromPipe->pathname);
  fromPipe->pathname = strdup(fromFile->pathname);
  EXPECT_EQ(modelDifference(fromFile, fromPipe), "");
  EXPECT_EQ(fromFile->numtriangles, 33333u);
  glmFreeModel(fromPipe);
  glmFreeModel(fromFile);
}
