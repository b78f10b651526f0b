// Reading OBJ files: faces and their forms, indices, vertices, groups, materials, failures.
#include "glm/glm.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/test_files.h"

#include <algorithm>
#include <string>
#include <vector>

using testing::ExitedWithCode;

namespace {

class ReadObj : public testing::Test {
 protected:
  ~ReadObj() override {
    if (model) glmFreeModel(model);
  }
  Model* read(const std::string& obj) {
    model = glmReadOBJ(dir.write("model.obj", obj).c_str());
    return model;
  }
  std::vector<unsigned> vertexIndices(unsigned triangle) const {
    const unsigned* v = model->triangles[triangle].vidx;
    return {v[0], v[1], v[2]};
  }
  std::vector<std::string> groupNames() const {
    std::vector<std::string> names;
    for (ModelGroup* group = model->groups; group; group = group->next) names.push_back(group->name);
    return names;
  }
  std::vector<unsigned> groupTriangles(const char* name) const {
    ModelGroup* group = glmLookupGroup(model, name);
    EXPECT_NE(group, nullptr) << name;
    return group ? std::vector<unsigned>(group->triangles, group->triangles + group->numtriangles)
                 : std::vector<unsigned>();
  }
  // Reads a file that must fail through both entry points: glmReadOBJ in a child that must exit
  // with status 1, glmTryReadOBJ here, which must return null after writing the same lines (the
  // sanitizer build checks that it frees all it took). Returns what both wrote to standard output.
  std::string stdoutOfFailedRead(const std::string& obj, const char* stderrPattern) {
    return stdoutOfFailedReadOf(dir.write("model.obj", obj), stderrPattern);
  }
  std::string stdoutOfFailedReadOf(const std::string& path, const char* stderrPattern) {
    std::string out = dir.path("stdout.txt");
    EXPECT_EXIT(
        {
          if (!freopen(out.c_str(), "w", stdout)) abort();
          glmReadOBJ(path.c_str());
        },
        ExitedWithCode(1), stderrPattern);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(glmTryReadOBJ(path.c_str()), nullptr);
    std::string errors = testing::internal::GetCapturedStderr();
    std::string output = testing::internal::GetCapturedStdout();
    EXPECT_THAT(errors, testing::ContainsRegex(stderrPattern));
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n') + std::count(output.begin(), output.end(), '\n'), 1)
        << "one line for a failed read";
    EXPECT_EQ(output, readFile(out));
    return output;
  }

  TempDir dir;
  Model* model = nullptr;
};

const char* const FOUR_VERTICES = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
const char* const FIVE_VERTICES = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 2 0\n";

}  // namespace

// --- Faces ---

TEST_F(ReadObj, QuadBecomesTwoFanTrianglesInTheCurrentGroup) {
  read(std::string(FOUR_VERTICES) + "f 1 2 3 4\n");
  ASSERT_EQ(model->numtriangles, 2u);
  EXPECT_EQ(vertexIndices(0), (std::vector<unsigned>{1, 2, 3}));
  EXPECT_EQ(vertexIndices(1), (std::vector<unsigned>{1, 3, 4}));
  EXPECT_EQ(groupTriangles("default"), (std::vector<unsigned>{0, 1}));
}

TEST_F(ReadObj, VertexNormalFormFansNormalsLikeVertices) {
  std::string normals;
  for (int i = 1; i <= 15; i++) normals += "vn 0 0 1\n";
  read(FIVE_VERTICES + normals + "f 1//11 2//12 3//13 4//14 5//15\n");
  ASSERT_EQ(model->numtriangles, 3u);
  const unsigned expectedNormals[3][3] = {{11, 12, 13}, {11, 13, 14}, {11, 14, 15}};
  for (unsigned t = 0; t < 3; t++) {
    EXPECT_EQ(vertexIndices(t), (std::vector<unsigned>{1, t + 2, t + 3}));
    for (int c = 0; c < 3; c++) EXPECT_EQ(model->triangles[t].nidx[c], expectedNormals[t][c]);
    for (int c = 0; c < 3; c++) EXPECT_EQ(model->triangles[t].tidx[c], 0u);
  }
}

TEST_F(ReadObj, FullFormPutsMiddleIndexInTexcoordsAndLastInNormals) {
  read(std::string(FOUR_VERTICES) + "vt 0 0\nvt 1 0\nvt 1 1\nvn 0 0 1\nvn 0 1 0\nvn 1 0 0\nf 1/3/2 2/2/3 3/1/1\n");
  const ModelTriangle& t = model->triangles[0];
  EXPECT_EQ((std::vector<unsigned>{t.tidx[0], t.tidx[1], t.tidx[2]}), (std::vector<unsigned>{3, 2, 1}));
  EXPECT_EQ((std::vector<unsigned>{t.nidx[0], t.nidx[1], t.nidx[2]}), (std::vector<unsigned>{2, 3, 1}));
}

TEST_F(ReadObj, VertexTextureFormLeavesNormalsZero) {
  read(std::string(FOUR_VERTICES) + "vt 0 0\nvt 1 0\nvt 1 1\nf 1/1 2/2 3/3 4/1\n");
  ASSERT_EQ(model->numtriangles, 2u);
  const ModelTriangle& t = model->triangles[1];
  EXPECT_EQ((std::vector<unsigned>{t.tidx[0], t.tidx[1], t.tidx[2]}), (std::vector<unsigned>{1, 3, 1}));
  EXPECT_EQ((std::vector<unsigned>{t.nidx[0], t.nidx[1], t.nidx[2]}), (std::vector<unsigned>{0, 0, 0}));
  EXPECT_EQ(model->normals, nullptr);
}

TEST_F(ReadObj, FaceOfTwoVerticesRepeatsTheLastIndex) {
  read(std::string(FOUR_VERTICES) + "f 1 2\nf 3\n");
  ASSERT_EQ(model->numtriangles, 2u);
  EXPECT_EQ(vertexIndices(0), (std::vector<unsigned>{1, 2, 2}));
  EXPECT_EQ(vertexIndices(1), (std::vector<unsigned>{3, 3, 3}));
}

TEST_F(ReadObj, FaceContinuesOntoLinesThatStartWithANumber) {
  read(std::string(FIVE_VERTICES) + "f 1 2 3\n4\n  5 g next\n");
  ASSERT_EQ(model->numtriangles, 3u);
  EXPECT_EQ(vertexIndices(2), (std::vector<unsigned>{1, 4, 5}));
  EXPECT_EQ(groupNames(), (std::vector<std::string>{"next", "default"}));
}

// Faces of every form and of mixed or odd words, each followed by a long line so that the
// counting pass may count a face line's words without reading them: the count must agree with
// the face rule as filling applies it.
TEST_F(ReadObj, FaceLinesCountAsTheFaceRuleReadsThem) {
  const std::string zeros(9, '0'), longWord = zeros + "1/" + zeros + "1/" + zeros + "1";
  const struct {
    std::string face;
    unsigned triangles;
    std::vector<unsigned> last;  // vertex indices of the last triangle
  } CASES[] = {
      {"f 1 2 3 4 5", 3, {1, 4, 5}},
      {"f 1/1 2/2 3/3 4/4", 2, {1, 3, 4}},
      {"f 1/1/1 2/2/2 3/3/3 4/4/4 5/5/5", 3, {1, 4, 5}},
      {"f 1//1 2//2 3//3 4//4", 2, {1, 3, 4}},
      {"f\t1 2\t3 4 \r", 2, {1, 3, 4}},
      {"f 1/1/1 2/2 3/3/3 4/4/4", 2, {1, 3, 4}},  // a partly read vertex still counts
      {"f 1//1 2/2 3//3", 2, {1, 2, 3}},          // "2/" is a vertex and "2" the next
      {"f 1 2 3 4/4", 2, {1, 3, 4}},              // "/4" ends the face
      {"f 1/ 2/ 3/", 1, {1, 2, 2}},               // "/ 3/" ends it after the second vertex
      {"f 1/1/1/1 2/2/2 3/3/3", 1, {1, 2, 3}},    // the first word is read alone
      {"f 1/1/1/1 2/2/2/2 3/3/3/3 4/4/4/4", 1, {1, 2, 2}},
      {"f 1 2 3\n4 5", 3, {1, 4, 5}},
      {"f 1 2 3\n\n4", 2, {1, 3, 4}},
      {"f 1 2 3 4\n-1", 3, {1, 4, 5}},
      {"f " + longWord + " 2/2/2 " + longWord + " 3/3/3 " + longWord + " 4/4/4", 4, {1, 1, 4}},
      {"f " + std::string(69, '0') + "1 2 3", 1, {1, 2, 3}},
  };
  const std::string elements = std::string(FIVE_VERTICES) + "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvt 0 2\n" +
                               "vn 0 0 1\nvn 0 1 0\nvn 1 0 0\nvn 0 0 1\nvn 0 1 0\n";
  for (const auto& c : CASES) {
    read(elements + c.face + "\n# " + std::string(100, '-') + "\n");
    ASSERT_EQ(model->numtriangles, c.triangles) << c.face;
    EXPECT_EQ(vertexIndices(c.triangles - 1), c.last) << c.face;
    glmFreeModel(model);
    model = nullptr;
  }
}

// The second and third vertex are read even when the one before gave nothing, so a sign without
// digits there is passed over; later, it ends the face. Counting must agree with filling.
TEST_F(ReadObj, SignWithoutDigitsEarlyInAFaceIsPassedOver) {
  read(std::string(FIVE_VERTICES) + "f 1 - 2 3\nf 4 5 +\n-\n1 2\n");
  ASSERT_EQ(model->numtriangles, 3u);
  EXPECT_EQ(vertexIndices(0), (std::vector<unsigned>{1, 1, 2}));
  EXPECT_EQ(vertexIndices(1), (std::vector<unsigned>{1, 2, 3}));
  EXPECT_EQ(vertexIndices(2), (std::vector<unsigned>{4, 5, 5}));
}

TEST_F(ReadObj, PartlyReadVertexKeepsTheIndicesOfTheVertexBefore) {
  read(std::string(FOUR_VERTICES) + "vt 0 0\nvt 1 1\nvn 0 0 1\nvn 0 1 0\nf 1/1/1 2/2 3/1/2\n");
  const ModelTriangle& t = model->triangles[0];
  EXPECT_EQ((std::vector<unsigned>{t.tidx[0], t.tidx[1], t.tidx[2]}), (std::vector<unsigned>{1, 2, 1}));
  EXPECT_EQ((std::vector<unsigned>{t.nidx[0], t.nidx[1], t.nidx[2]}), (std::vector<unsigned>{1, 1, 2}));
}

// A word of another form is read as far as the face's form matches it: "2/2" leaves the normal,
// "4//2" the texture coordinate and normal of the vertex before, and the "/2" that "4//2" leaves
// ends the face. Tabs and a carriage return before the line end are white space like blanks.
TEST_F(ReadObj, VertexOfAnotherFormIsReadAsFarAsTheFaceFormMatches) {
  read(std::string(FOUR_VERTICES) + "vt 0 0\nvt 1 1\nvn 0 0 1\nvn 0 1 0\nf 1/1/1\t2/2\r\n3/1/2 4//2\n-1/-1/-1\n");
  ASSERT_EQ(model->numtriangles, 2u);
  EXPECT_EQ(vertexIndices(0), (std::vector<unsigned>{1, 2, 3}));
  EXPECT_EQ(vertexIndices(1), (std::vector<unsigned>{1, 3, 4}));
  const ModelTriangle& last = model->triangles[1];
  EXPECT_EQ((std::vector<unsigned>{last.tidx[0], last.tidx[1], last.tidx[2]}), (std::vector<unsigned>{1, 1, 1}));
  EXPECT_EQ((std::vector<unsigned>{last.nidx[0], last.nidx[1], last.nidx[2]}), (std::vector<unsigned>{1, 2, 2}));
}

// The first vertex word decides the form by itself: what follows it in the file never counts,
// not even the rest of a number that the 127-character limit cut off.
TEST_F(ReadObj, FirstVertexIsReadFromItsWordAlone) {
  std::string cut = std::string(123, '0') + "1/2/3";  // the word ends after "1/2/", "3" is the next
  read(std::string(FOUR_VERTICES) + "vt 0 0\nvt 1 1\nvt 1 0\nvn 0 0 1\nvn 0 1 0\nvn 1 0 0\n" +
       "f 1/2/3x 2/2/2 3/3/3\nf " + cut + " 2/2/2 3/3/3\n# some more text after the faces\n");
  ASSERT_EQ(model->numtriangles, 2u);
  const ModelTriangle& full = model->triangles[0];
  EXPECT_EQ(vertexIndices(0), (std::vector<unsigned>{1, 2, 3}));
  EXPECT_EQ((std::vector<unsigned>{full.tidx[0], full.nidx[0]}), (std::vector<unsigned>{2, 3}));
  const ModelTriangle& partial = model->triangles[1];
  EXPECT_EQ(vertexIndices(1), (std::vector<unsigned>{1, 3, 2}));
  EXPECT_EQ((std::vector<unsigned>{partial.tidx[0], partial.tidx[1], partial.tidx[2]}), (std::vector<unsigned>{2, 2, 2}));
  EXPECT_EQ((std::vector<unsigned>{partial.nidx[0], partial.nidx[1], partial.nidx[2]}), (std::vector<unsigned>{0, 0, 0}));
}

TEST_F(ReadObj, NegativeIndexCountsBackFromTheElementsReadSoFar) {
  read("v 0 0 0\nv 1 0 0\nv 1 1 0\nvn 0 0 1\nf -3//-1 -2//-1 -1//-1\n"
       "v 0 0 1\nv 1 0 1\nv 1 1 1\nvn 1 0 0\nf -3//-1 -2//-2 -1//1\n");
  EXPECT_EQ(vertexIndices(0), (std::vector<unsigned>{1, 2, 3}));
  EXPECT_EQ(vertexIndices(1), (std::vector<unsigned>{4, 5, 6}));
  EXPECT_EQ(model->triangles[1].nidx[0], 2u);
  EXPECT_EQ(model->triangles[1].nidx[1], 1u);
}

TEST_F(ReadObj, FaceMayNameVerticesDefinedLaterInTheFile) {
  read(std::string("f 1 2 3\n") + FOUR_VERTICES);
  EXPECT_EQ(vertexIndices(0), (std::vector<unsigned>{1, 2, 3}));
}

TEST_F(ReadObj, IndexZeroEndsTheReadNamingFileLineAndIndex) {
  stdoutOfFailedRead(std::string(FOUR_VERTICES) + "f 1 2 3\nf 1 0 2\n",
                     "^glmReadOBJ\\(\\).*model.obj.* line 6: vertex index 0 ");
}

TEST_F(ReadObj, IndexBeyondTheCountEndsTheRead) {
  stdoutOfFailedRead(std::string(FOUR_VERTICES) + "f 1 2 5\n",
                     "^glmReadOBJ\\(\\) failed: \".*model.obj\" line 5: vertex index 5 is out of range \\(4 defined\\).\n$");
}

// Such a face would name vertex 0, which does not exist. Whether the word is missing, is no
// number, or is the next line's keyword, the read ends naming the face's line.
TEST_F(ReadObj, FaceWhoseFirstVertexHoldsNoIndexEndsTheRead) {
  const struct {
    const char* face;
    const char* pattern;
  } cases[] = {
      {"f x 1 2\n", "model.obj\" line 7: face vertex \"x\" holds no vertex index.\n$"},
      {"f\nv 1 1 1\n", "line 7: face vertex \"v\" holds no vertex index"},
      {"f //1 2//1 3//1\n", "line 7: face vertex \"//1\" "},
      {"f -\n", "line 7: face vertex \"-\" "},
      {"f", "line 7: face vertex \"\" "},
  };
  for (const auto& c : cases) stdoutOfFailedRead(std::string(FOUR_VERTICES) + "g a\nf 1 2 3\n" + c.face, c.pattern);
}

TEST_F(ReadObj, NegativeIndexBeforeTheFirstElementEndsTheRead) {
  stdoutOfFailedRead("v 0 0 0\nv 1 0 0\nf -1 -2 -3\nv 1 1 0\n", "line 3: vertex index -3 ");
}

TEST_F(ReadObj, TextureOrNormalIndexWithoutSuchElementsEndsTheRead) {
  stdoutOfFailedRead(std::string(FOUR_VERTICES) + "f 1/1 2/1 3/1\n", "texture coordinate index 1 ");
  stdoutOfFailedRead(std::string(FOUR_VERTICES) + "f 1//1 2//1 3//1\n", "normal index 1 ");
}

TEST_F(ReadObj, HugeIndexIsOutOfRangeRatherThanWrappedRound) {
  stdoutOfFailedRead(std::string(FOUR_VERTICES) + "f 1 2 4294967295\n", "vertex index 2147483647 ");
}

// --- Vertices and the element arrays ---

TEST_F(ReadObj, OnlyVerticesAndFacesGiveOneDefaultGroupAndNoOptionalArrays) {
  read(std::string(FIVE_VERTICES) + "f 1 2 3\nf 3 4 5\nf 5 1 2\n");
  EXPECT_EQ(groupNames(), (std::vector<std::string>{"default"}));
  EXPECT_EQ(groupTriangles("default"), (std::vector<unsigned>{0, 1, 2}));
  EXPECT_EQ(model->normals, nullptr);
  EXPECT_EQ(model->texcoords, nullptr);
  EXPECT_EQ(model->materials, nullptr);
  EXPECT_EQ(model->mtllibname, nullptr);
  EXPECT_EQ(model->facetnorms, nullptr);
  EXPECT_EQ(model->numfacetnorms, 0u);
}

TEST_F(ReadObj, EmptyFileGivesAnEmptyModelWithTheDefaultGroup) {
  std::string path = dir.write("empty.obj", "");
  model = glmReadOBJ(path.c_str());
  EXPECT_STREQ(model->pathname, path.c_str());
  EXPECT_EQ(model->numvertices + model->numnormals + model->numtexcoords + model->numtriangles, 0u);
  EXPECT_NE(model->vertices, nullptr);
  ASSERT_EQ(model->numgroups, 1u);
  EXPECT_STREQ(model->groups->name, "default");
  EXPECT_EQ(model->groups->numtriangles, 0u);
  EXPECT_EQ(model->position[0] + model->position[1] + model->position[2], 0.0f);
}

TEST_F(ReadObj, CoordinatesAreStoredOneBasedAndExtraNumbersAreSkipped) {
  read("v 1 2 3 1\nvt 0.25 .5 0\nvn -1e-1 +2 3.\nv 4 5\nv 7 8 9\n");
  ASSERT_EQ(model->numvertices, 3u);
  const float vertices[] = {1, 2, 3, 4, 5, 0, 7, 8, 9};
  for (int i = 0; i < 9; i++) EXPECT_EQ(model->vertices[3 + i], vertices[i]) << i;
  EXPECT_EQ(model->texcoords[2], 0.25f);
  EXPECT_EQ(model->texcoords[3], 0.5f);
  EXPECT_EQ(model->normals[3], -0.1f);
  EXPECT_EQ(model->normals[4], 2.0f);
}

// A vector keyword is known by its second character alone, whatever follows it, and a run of
// lines with the same keyword reads each line's keyword as the first line's was read.
TEST_F(ReadObj, VectorKeywordIsKnownByItsSecondCharacter) {
  read("vt 1 2\nvtx 3 4\nvt\t5 6\nvn 1 2 3\nvnormal 4 5 6\nv 1 2 3\nvt 7 8\n");
  ASSERT_EQ(model->numtexcoords, 4u);
  ASSERT_EQ(model->numnormals, 2u);
  const float texcoords[] = {1, 2, 3, 4, 5, 6, 7, 8};
  for (int i = 0; i < 8; i++) EXPECT_EQ(model->texcoords[2 + i], texcoords[i]) << i;
  EXPECT_EQ(model->normals[6], 4.0f);
  EXPECT_EQ(model->normals[8], 6.0f);
}

TEST_F(ReadObj, UnknownVertexKeywordEndsTheReadWithAMessageOnStandardOutput) {
  EXPECT_EQ(stdoutOfFailedRead("v 1 2 3\nvp 0.5\n", "^$"), "glmFirstPass(): Unknown token \"vp\".\n");
}

// Whatever follows the numbers of a vertex line is read as keywords, in both passes alike.
TEST_F(ReadObj, WordsAfterTheNumbersOfAVertexLineAreCountedAndFilledAlike) {
  std::string blanks(127, ' ');  // a whole line remainder: the "v" after it starts a keyword
  std::string comment = "# a comment long enough that every line above has a few hundred bytes after it" + blanks;
  read("v 1 2 3 v 4 5 6\nv 7 8\n9 f 1 2 3\nv 1-2-3 4 5 junk\nv 1 2 3 4" + blanks + "v 6 6 6\nv 1e1 2 3x 4\nv 0 0 0 f 1 1 1\nv 1\n2 3 4 f 1 1 1\n" +
       comment + comment + "\n");
  EXPECT_EQ(model->numtriangles, 1u);
  ASSERT_EQ(model->numvertices, 9u);
  // A short line's missing numbers are 0: they are never taken from the next line, whose first
  // word is then a keyword of its own.
  const float vertices[] = {1, 2, 3, 4, 5, 6, 7, 8, 0, 1, -2, -3, 1, 2, 3, 6, 6, 6, 10, 2, 3, 0, 0, 0, 1, 0, 0};
  for (int i = 0; i < 27; i++) EXPECT_EQ(model->vertices[3 + i], vertices[i]) << i;
}

TEST_F(ReadObj, FaceAfterTheNumbersOfAVertexLineIsCountedAndFilledAlike) {
  read("v 0 0 0 f 1 1 1\nv 1 1 1\n");
  EXPECT_EQ(model->numvertices, 2u);
  EXPECT_EQ(model->numtriangles, 1u);
}

// --- Long lines, long words, line ends ---

TEST_F(ReadObj, CommentBeyond127CharactersIsReadAsKeywords) {
  read("# " + std::string(126, 'x') + "v 1 2 3\n" + "#" + std::string(120, 'y') + " v 4 5 6\n");
  ASSERT_EQ(model->numvertices, 1u);
  EXPECT_EQ(model->vertices[3], 1.0f);
}

TEST_F(ReadObj, LongGroupNameIsCutAt127CharactersWithoutOverrun) {
  read("g " + std::string(300, 'n') + "\n");
  EXPECT_EQ(std::string(model->groups->name), std::string(126, 'n'));
}

TEST_F(ReadObj, CrlfFileReadsExactlyLikeLfFile) {
  std::string lf = "mtllib lib.mtl\ng  wheels \nusemtl red\nv 1 2 3\nv 4 5 6\nv 7 8 9\nf 1 2 3\ng\nf 3 2 1\n";
  dir.write("lib.mtl", "newmtl red\r\nKd 1 0 0\r\n");
  std::string crlf;
  for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  Model* fromLf = read(lf);
  model = nullptr;
  read(crlf);
  EXPECT_EQ(groupNames(), (std::vector<std::string>{"", "wheels", "default"}));
  EXPECT_STREQ(model->mtllibname, fromLf->mtllibname);
  EXPECT_EQ(glmLookupGroup(model, "wheels")->material, 1);
  EXPECT_STREQ(model->materials[1].name, "red");
  ASSERT_EQ(model->numtriangles, fromLf->numtriangles);
  EXPECT_EQ(memcmp(model->triangles, fromLf->triangles, sizeof(ModelTriangle) * 2), 0);
  EXPECT_EQ(memcmp(model->vertices, fromLf->vertices, sizeof(float) * 12), 0);
  glmFreeModel(fromLf);
}

// --- Groups ---

TEST_F(ReadObj, GroupsHoldTheFacesAfterTheirLinesNewestGroupFirst) {
  read(std::string(FOUR_VERTICES) + "f 1 2 3\ng a\nf 1 2 4\ng b\nf 2 3 4\ng a\nf 1 3 4\n");
  EXPECT_EQ(groupNames(), (std::vector<std::string>{"b", "a", "default"}));
  EXPECT_EQ(groupTriangles("default"), (std::vector<unsigned>{0}));
  EXPECT_EQ(groupTriangles("a"), (std::vector<unsigned>{1, 3}));
  EXPECT_EQ(groupTriangles("b"), (std::vector<unsigned>{2}));
  EXPECT_EQ(model->numgroups, 3u);
}

TEST_F(ReadObj, GroupNameLosesTheWhiteSpaceAroundItButKeepsInnerBlanks) {
  read("g \t wheels\t \ng default\ng\ng front left\n");
  EXPECT_EQ(groupNames(), (std::vector<std::string>{"front left", "", "wheels", "default"}));
}

// --- Materials ---

class ReadObjMaterials : public ReadObj {
 protected:
  void SetUp() override {
    dir.write("first.mtl", "newmtl red\nKd 1 0 0\nnewmtl green\nKd 0 1 0\n");
    dir.write("second.mtl", "newmtl blue\nKd 0 0 1\nnewmtl red\nKd 1 0 0\n");
  }
  int material(const char* group) const { return glmLookupGroup(model, group)->material; }
};

TEST_F(ReadObjMaterials, MaterialLineBeforeAnyGroupSetsTheDefaultGroup) {
  read("mtllib first.mtl\nusemtl green\n");
  EXPECT_STREQ(model->mtllibname, "first.mtl");
  EXPECT_EQ(model->nummaterials, 3u);
  EXPECT_EQ(material("default"), 2);
}

TEST_F(ReadObjMaterials, MaterialLineBeforeTheLibraryLineIsStillResolved) {
  read("usemtl green\nmtllib first.mtl\n");
  EXPECT_EQ(material("default"), 2);
}

TEST_F(ReadObjMaterials, CurrentMaterialCarriesAcrossGroupLines) {
  read("mtllib first.mtl\ng a\nusemtl green\ng b\ng a\nusemtl red\ng c\n");
  EXPECT_EQ(material("a"), 1);
  EXPECT_EQ(material("b"), 2);
  EXPECT_EQ(material("c"), 1);
  EXPECT_EQ(material("default"), 0);
}

TEST_F(ReadObjMaterials, SecondLibraryReplacesTheFirst) {
  read("mtllib first.mtl\nusemtl red\nmtllib second.mtl\n");
  EXPECT_STREQ(model->mtllibname, "second.mtl");
  EXPECT_EQ(model->nummaterials, 3u);
  EXPECT_STREQ(model->materials[1].name, "blue");
  EXPECT_EQ(material("default"), 2);
}

TEST_F(ReadObjMaterials, LineWithTwoNamesUsesTheSecond) {
  read("mtllib first.mtl second.mtl\nusemtl red blue\n");
  EXPECT_STREQ(model->mtllibname, "second.mtl");
  EXPECT_EQ(material("default"), 1);
}

TEST_F(ReadObjMaterials, UnknownMaterialIsReportedOnStandardOutputAndGivesMaterialZero) {
  testing::internal::CaptureStdout();
  read("mtllib first.mtl\nusemtl green\nusemtl purple\n");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "glmFindMaterial():  can't find material \"purple\".\n");
  EXPECT_EQ(material("default"), 0);
}

TEST_F(ReadObjMaterials, LibraryLineWithoutANameReadsNoLibrary) {
  read("mtllib\nmtllib \r\n");
  EXPECT_EQ(model->mtllibname, nullptr);
  EXPECT_EQ(model->materials, nullptr);
}

TEST_F(ReadObjMaterials, MissingLibraryEndsTheReadNamingTheJoinedPath) {
  stdoutOfFailedRead("mtllib none.mtl\n", "^glmReadMTL\\(\\) failed: can't open material file \".*/none.mtl\".\n");
}

// Fails late, with groups, materials and every array built; the sanitizer build finds any of
// them left behind by glmTryReadOBJ.
TEST_F(ReadObjMaterials, BadIndexAfterGroupsAndMaterialsFailsLikeAnyOther) {
  stdoutOfFailedRead("mtllib first.mtl\ng a\nusemtl red\nv 0 0 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 1/1/1 1/1/1\n"
                     "g b\nusemtl green\nf 1/1/1 1/1/1 1/2/1\n",
                     "line 10: texture coordinate index 2 is out of range \\(1 defined\\)");
}

TEST_F(ReadObjMaterials, LibraryNamingADirectoryIsNotOpened) {
  dir.write("sub/x.mtl", "");
  stdoutOfFailedRead("mtllib sub/\n", "can't open material file \".*/sub/\"");
}

// --- Files that cannot be read ---

TEST_F(ReadObj, MissingFileEndsTheProcessWithStatusOne) {
  stdoutOfFailedReadOf(dir.path("none.obj"), "^glmReadOBJ\\(\\) failed: can't open data file \".*none.obj\".\n");
}

TEST_F(ReadObj, DirectoryIsNotReadAsAFile) {
  stdoutOfFailedReadOf(dir.path(""), "can't open data file");
}

TEST_F(ReadObj, LargeFileReadsEveryNumberAndLineAcrossItsChunks) {
  // Large files are mapped and read in chunks of about 1 MiB, on several threads: this file ends
  // exactly on a 2 MiB boundary, and an error in the last chunk still counts the lines of all
  // before it.
  const size_t size = size_t(6) << 20;
  std::string obj;
  unsigned count = 0;
  for (; obj.size() < size - 64; count++) obj += "v " + std::to_string(count) + " " + std::to_string(count) + ".25 -1\n";
  obj += "#" + std::string(size - obj.size() - 2, 'x') + "\n";
  read(obj);
  ASSERT_EQ(model->numvertices, count);
  for (unsigned i = 0; i < count; i++) {
    ASSERT_EQ(model->vertices[3 * (i + 1)], float(i)) << i;
    ASSERT_EQ(model->vertices[3 * (i + 1) + 1], float(i) + 0.25f) << i;
  }
  std::string line = "line " + std::to_string(count + 2) + ": vertex index " + std::to_string(count + 1) + " ";
  stdoutOfFailedRead(obj + "f 1 2 " + std::to_string(count + 1) + "\n", line.c_str());
}

TEST_F(ReadObj, LargeFileFillingItsLastPageReadsLikeASmallOne) {
  // Large files take another way into memory; this one also ends exactly on a page boundary.
  std::string obj;
  for (int i = 0; i < 150000; i++) obj += "v " + std::to_string(i) + " 0.5 -2\n";
  for (int i = 1; i + 2 <= 150000; i += 2) obj += "f " + std::to_string(i) + " " + std::to_string(i + 1) + " -1\n";
  obj += "#";
  obj += std::string((4096 - (obj.size() + 1) % 4096) % 4096, 'x') + "\n";
  ASSERT_EQ(obj.size() % 4096, 0u);
  read(obj);
  EXPECT_EQ(model->numvertices, 150000u);
  EXPECT_EQ(model->numtriangles, 74999u);
  EXPECT_EQ(model->vertices[3 * 150000], 149999.0f);
  EXPECT_EQ(vertexIndices(74998), (std::vector<unsigned>{149997, 149998, 150000}));
}
