// Read -> write -> read keeps every group's triangles with their vertex, normal and
// texture-coordinate values, and the materials, for every face form the writer has.
#include "glm/glm.h"
#include "support/model_ptr.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

namespace {

// Quads and triangles with v/vt/vn faces in three groups, two of them sharing a material.
const char* const BOX_OBJ =
    "mtllib box.mtl\n"
    "v 0 0 0\nv 2.5 0 0\nv 2.5 1 0\nv 0 1 0\nv 0 0 -1250.125\nv 2.5 0 -1250.125\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
    "vn 0 0 1\nvn 0 -1 0\nvn 0.577350 0.577350 0.577350\n"
    "g front\nusemtl paint\nf 1/1/1 2/2/1 3/3/3 4/4/1\n"
    "g floor\nusemtl rubber\nf 1/1/2 5/2/2 6/3/2 2/4/2\n"
    "g back\nusemtl paint\nf 5/1/3 6/2/3 3/3/3\n";
// Its lines before the first material change "default".
const char* const BOX_MTL =
    "Ka 0.3 0.3 0.3\nKd 0.4 0.5 0.6\nNs 250\n"
    "newmtl paint\nKa 0.1 0.05 0.025\nKd 0.9 0.1 0.2\nKs 1 1 1\nNs 96.078431\n"
    "newmtl rubber\nKd 0.05 0.05 0.05\nNs 1000\n";

// Windows line ends and indices that count back from the newest entry.
const char* const CRLF_OBJ =
    "mtllib crlf.mtl\r\n"
    "v -1 -1 0\r\nv 1 -1 0\r\nv 1 1 0\r\nv -1 1 0\r\n"
    "vt 0.25 0.25\r\nvt 0.75 0.25\r\nvt 0.75 0.75\r\nvt 0.25 0.75\r\n"
    "vn 0 0 1\r\n"
    "g panel\r\nusemtl glass\r\n"
    "f -4/-4/-1 -3/-3/-1 -2/-2/-1 -1/-1/-1\r\n"
    "v 0 0 3\r\n"
    "g tip\r\nf -1/-1/-1 -4/-3/-1 -3/-2/-1\r\n";
const char* const CRLF_MTL = "newmtl glass\r\nKa 0 0 0\r\nKd 0.3 0.6 0.9\r\nKs 0.5 0.5 0.5\r\nNs 250\r\n";

// Vertex and normal faces, a group named twice, and a material named before its library.
const char* const WEDGE_OBJ =
    "v 1 0 0\nv 0 1 0\nv 0 0 1\nv 1 1 1\n"
    "vn 1 0 0\nvn 0 1 0\nvn 0 0 1\n"
    "usemtl steel\n"
    "f 1//1 2//2 3//3\n"
    "g a\nf 1//1 3//3 4//1\n"
    "g b\nusemtl copper\nf 2//2 3//3 4//3 1//1\n"
    "g a\nf 4//2 2//2 1//1\n"
    "mtllib wedge.mtl\n";
const char* const WEDGE_MTL =
    "newmtl steel\nKd 0.6 0.6 0.65\nNs 500\n"
    "newmtl copper\nKa 0.2 0.1 0.05\nKd 0.7 0.4 0.2\nKs 0.3 0.3 0.3\n";

// Positions only: a pentagon in the "default" group and nothing else.
const char* const PENTAGON_OBJ = "v 0 1 0\nv -0.951057 0.309017 0\nv -0.587785 -0.809017 0\n"
                                 "v 0.587785 -0.809017 0\nv 0.951057 0.309017 0\nf 1 2 3 4 5\n";

// Faces with and without texture coordinates and normals side by side.
const char* const MIXED_OBJ =
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\n"
    "vt 0 0\nvt 1 0\nvt 1 1\n"
    "vn 0 0 1\nvn 0 1 0\n"
    "g textured\nf 1/1/1 2/2/1 3/3/2\nf 1/1 3/3 4/2\n"
    "g plain\nf 1//2 4//2 5//1\nf 2 3 5 4\n";

// What each source holds besides positions, by its text: a written copy can hold only that
// (facet normals, computed for every source, aside).
struct Source {
  const char* name;
  const char* obj;
  const char* mtlName;
  const char* mtl;  // null: no material library
  bool normals;
  bool texcoords;
};
const Source SOURCES[] = {
    {"box", BOX_OBJ, "box.mtl", BOX_MTL, true, true},
    {"crlf", CRLF_OBJ, "crlf.mtl", CRLF_MTL, true, true},
    {"wedge", WEDGE_OBJ, "wedge.mtl", WEDGE_MTL, true, false},
    {"pentagon", PENTAGON_OBJ, nullptr, nullptr, false, false},
    {"mixed", MIXED_OBJ, nullptr, nullptr, true, true},
};

// Every face form and each with and without materials.
const unsigned MODES[] = {GLMMODE_NONE, GLMMODE_SMOOTH, GLMMODE_FLAT, GLMMODE_TEXTURE,
                          GLMMODE_SMOOTH | GLMMODE_TEXTURE, GLMMODE_FLAT | GLMMODE_TEXTURE};

ModelPtr readQuietly(const std::string& path) {
  testing::internal::CaptureStdout();
  ModelPtr model(glmReadOBJ(path.c_str()));
  testing::internal::GetCapturedStdout();
  return model;
}

// "%f" keeps six decimals, so values agree to about 1e-6 of their magnitude.
void expectClose(const float* expected, const float* actual, int size, const std::string& what) {
  for (int k = 0; k < size; k++)
    EXPECT_NEAR(actual[k], expected[k], 1e-6 * std::max(1.0f, std::fabs(expected[k]))) << what << "[" << k << "]";
}

// Index 0 (none given) must read back as 0; any other must lead to the same values.
void expectSameEntry(const float* before, unsigned a, const float* after, unsigned b, int size, const char* what) {
  if (a == 0 || b == 0) {
    EXPECT_EQ(b, a) << what;
    return;
  }
  expectClose(&before[size * a], &after[size * b], size, what);
}

void expectSameTriangle(const Model* before, const ModelTriangle& a, const Model* after, const ModelTriangle& b,
                        unsigned mode) {
  for (int k = 0; k < 3; k++) {
    expectClose(&before->vertices[3 * a.vidx[k]], &after->vertices[3 * b.vidx[k]], 3, "vertex");
    if (mode & GLMMODE_SMOOTH) expectSameEntry(before->normals, a.nidx[k], after->normals, b.nidx[k], 3, "normal");
    if (mode & GLMMODE_FLAT)
      expectSameEntry(before->facetnorms, a.fidx, after->normals, b.nidx[k], 3, "facet normal");
    if (mode & GLMMODE_TEXTURE)
      expectSameEntry(before->texcoords, a.tidx[k], after->texcoords, b.tidx[k], 2, "texcoord");
  }
}

void expectSameMaterial(const ModelMaterial& a, const ModelMaterial& b) {
  EXPECT_STREQ(a.name, b.name);
  expectClose(a.ambient, b.ambient, 4, std::string(a.name) + " ambient");
  expectClose(a.diffuse, b.diffuse, 4, std::string(a.name) + " diffuse");
  expectClose(a.specular, b.specular, 4, std::string(a.name) + " specular");
  // Shininess travels as Ns = shininess / 128 * 1000 with six decimals.
  EXPECT_NEAR(b.shininess, a.shininess, 1e-5 * std::max(1.0f, a.shininess)) << a.name;
}

// Groups are matched by name: the writer lists them newest first, so a reader creates
// them in the opposite order.
void expectSameGroups(const Model* before, Model* after, unsigned mode) {
  ASSERT_EQ(after->numgroups, before->numgroups);
  for (const ModelGroup* a = before->groups; a; a = a->next) {
    const ModelGroup* b = glmLookupGroup(after, a->name);
    ASSERT_NE(b, nullptr) << a->name;
    ASSERT_EQ(b->numtriangles, a->numtriangles) << a->name;
    for (unsigned i = 0; i < a->numtriangles; i++)
      expectSameTriangle(before, before->triangles[a->triangles[i]], after, after->triangles[b->triangles[i]], mode);
    if (mode & GLMMODE_MATERIAL) {
      EXPECT_EQ(b->material, a->material) << a->name;
    }
  }
}

// Materials keep their places, "default" (material 0) included.
void expectSameModel(const Model* before, Model* after, unsigned mode) {
  EXPECT_EQ(after->numtriangles, before->numtriangles);
  expectSameGroups(before, after, mode);
  if (!(mode & GLMMODE_MATERIAL)) return;
  ASSERT_EQ(after->nummaterials, before->nummaterials);
  for (unsigned i = 0; i < before->nummaterials; i++) expectSameMaterial(before->materials[i], after->materials[i]);
}

TEST(RoundTrip, ReadWriteReadKeepsGroupsTrianglesAndMaterialsInEveryForm) {
  for (const Source& source : SOURCES) {
    TempDir dir;
    std::string original = dir.write(std::string(source.name) + ".obj", source.obj);
    if (source.mtl) dir.write(source.mtlName, source.mtl);
    ModelPtr before = readQuietly(original);
    glmComputeFacetNormals(before.get());
    for (unsigned mode : MODES)
      for (unsigned materials : {GLMMODE_NONE, GLMMODE_MATERIAL}) {
        SCOPED_TRACE(std::string(source.name) + " mode " + std::to_string(mode | materials));
        std::string copy = dir.path("out" + std::to_string(mode | materials) + "/" + source.name + ".obj");
        std::filesystem::create_directories(std::filesystem::path(copy).parent_path());
        testing::internal::CaptureStdout();
        glmWriteOBJ(before.get(), copy.c_str(), mode | materials);
        testing::internal::GetCapturedStdout();
        ModelPtr after = readQuietly(copy);
        // What the copy holds: what was asked for, where the source has it.
        unsigned kept = mode & GLMMODE_FLAT;
        if (source.normals) kept |= mode & GLMMODE_SMOOTH;
        if (source.texcoords) kept |= mode & GLMMODE_TEXTURE;
        if (source.mtl) kept |= materials;
        EXPECT_EQ(after->normals != nullptr, (kept & (GLMMODE_FLAT | GLMMODE_SMOOTH)) != 0);
        EXPECT_EQ(after->texcoords != nullptr, (kept & GLMMODE_TEXTURE) != 0);
        EXPECT_EQ(after->materials != nullptr, (kept & GLMMODE_MATERIAL) != 0);
        expectSameModel(before.get(), after.get(), kept);
      }
  }
}

// The demo's car: thousands of triangles over many groups and materials, with every
// kind of normal and generated texture coordinates.
TEST(RoundTrip, CarModelKeepsEverythingInEveryForm) {
  ModelPtr car = readQuietly(KERB_DATA_DIR "/porsche.obj");
  ASSERT_GT(car->numtriangles, 1000u);
  ASSERT_GT(car->numgroups, 2u);
  ASSERT_GT(car->nummaterials, 2u);
  glmComputeFacetNormals(car.get());
  glmVertexNormals(car.get(), 90);
  glmPlanarTexCoords(car.get());
  TempDir dir;
  for (unsigned mode : MODES) {
    SCOPED_TRACE("mode " + std::to_string(mode));
    std::string copy = dir.path("porsche.obj");
    testing::internal::CaptureStdout();
    glmWriteOBJ(car.get(), copy.c_str(), mode | GLMMODE_MATERIAL);
    testing::internal::GetCapturedStdout();
    expectSameModel(car.get(), readQuietly(copy).get(), mode | GLMMODE_MATERIAL);
  }
}

// The names in a directory.
std::set<std::string> entries(const std::string& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) names.insert(entry.path().filename());
  return names;
}

// The library of a model whose library name leads elsewhere goes beside the copy, under the
// name's last component; nothing is written outside the copy's directory.
TEST(RoundTrip, LibraryNamedElsewhereIsWrittenBesideTheCopy) {
  TempDir dir;
  dir.write("x/lib.mtl", BOX_MTL);
  ModelPtr before = readQuietly(dir.write("models/box.obj", "mtllib ../x/lib.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                                                            "g side\nusemtl rubber\nf 1 2 3\n"));
  std::filesystem::create_directories(dir.path("out"));
  std::string copy = dir.path("out/box.obj");
  glmWriteOBJ(before.get(), copy.c_str(), GLMMODE_MATERIAL);
  EXPECT_EQ(entries(dir.path("")), (std::set<std::string>{"models", "out", "x"}));
  EXPECT_EQ(entries(dir.path("x")), std::set<std::string>{"lib.mtl"});
  EXPECT_EQ(readFile(dir.path("x/lib.mtl")), BOX_MTL);
  EXPECT_EQ(entries(dir.path("out")), (std::set<std::string>{"box.obj", "lib.mtl"}));
  ModelPtr after = readQuietly(copy);
  EXPECT_STREQ(after->mtllibname, "lib.mtl");
  expectSameModel(before.get(), after.get(), GLMMODE_MATERIAL);
}

TEST(RoundTrip, SourcesHoldWhatTheyAreMeantToTest) {
  TempDir dir;
  dir.write("box.mtl", BOX_MTL);
  ModelPtr box = readQuietly(dir.write("box.obj", BOX_OBJ));
  EXPECT_FLOAT_EQ(box->materials[0].diffuse[1], 0.5f);
  ModelPtr mixed = readQuietly(dir.write("mixed.obj", MIXED_OBJ));
  EXPECT_EQ(mixed->triangles[1].nidx[0], 0u);
  EXPECT_EQ(mixed->triangles[2].tidx[0], 0u);
  dir.write("crlf.mtl", CRLF_MTL);
  ModelPtr crlf = readQuietly(dir.write("crlf.obj", CRLF_OBJ));
  ASSERT_NE(glmLookupGroup(crlf.get(), "panel"), nullptr);  // no carriage return kept
  ASSERT_EQ(crlf->numtriangles, 3u);
  const ModelTriangle& tip = crlf->triangles[2];
  EXPECT_EQ(tip.vidx[0], 5u);
  EXPECT_EQ(tip.vidx[1], 2u);
  EXPECT_EQ(tip.tidx[1], 2u);
  EXPECT_EQ(tip.nidx[2], 1u);
  ASSERT_EQ(crlf->nummaterials, 2u);
  EXPECT_STREQ(crlf->materials[1].name, "glass");
  EXPECT_FLOAT_EQ(crlf->materials[1].shininess, 32.0f);
}

}  // namespace
