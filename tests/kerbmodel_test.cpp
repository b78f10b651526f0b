// kerbmodel as installed, run on real files. What convert writes is read by an independent
// reader (tinyobjloader) and checked against values worked out by hand; info's JSON is read by
// an independent parser (nlohmann::json); round trips go through convert and info; bad model
// files and bad command lines must end with their status and message, never a crash.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <tiny_obj_loader.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/test_files.h"

extern char** environ;

namespace {
namespace fs = std::filesystem;
using nlohmann::json;
using Vec3 = std::array<float, 3>;

const char* const TOOL = KERB_INSTALLED_TOOL;
const std::string CAR = std::string(KERB_DATA_DIR) + "/porsche.obj";

// A quad of two triangles with texture coordinates, one normal and a material. The library has
// a texture map, which the model library does not keep: a rewrite of it would lose that line.
const char* const SQUARE_OBJ =
    "mtllib square.mtl\n"
    "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
    "vn 0 0 1\n"
    "g plate\nusemtl red\n"
    "f 1/1/1 2/2/1 3/3/1 4/4/1\n";
const char* const SQUARE_MTL = "newmtl red\nKa 0.25 0 0\nKd 1 0 0\nKs 0.5 0.5 0.5\nNs 500\nmap_Kd red.bmp\n";

// The cube -1..1 as six outward-facing quads (12 triangles), positions only.
const char* const CUBE_OBJ =
    "v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\nv -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\n"
    "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 4 8 7 3\nf 1 5 8 4\nf 2 3 7 6\n";

// Two triangles side by side whose shared corners are written twice: vertex 5 repeats vertex 3
// exactly, vertex 4 lies 0.0004 from vertex 2.
const char* const SEAM_OBJ =
    "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 0 0.0004\nv 0 1 0\nv 1 1 0\n"
    "f 1 2 3\nf 4 6 5\n";

// A box from (-1, -0.5, 0) to (3, 0.5, 1): every range holds 0 or touches it.
const char* const BOX_OBJ =
    "v -1 -0.5 0\nv 3 -0.5 0\nv 3 0.5 0\nv -1 0.5 0\nv -1 -0.5 1\nv 3 -0.5 1\nv 3 0.5 1\nv -1 0.5 1\n"
    "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 4 8 7 3\nf 1 5 8 4\nf 2 3 7 6\n";

struct ToolRun {
  int status;  // exit status, or 128 + the signal that ended the tool
  std::string out;
  std::string err;
};

// One triangle of a file as tinyobjloader reads it.
struct Corner {
  Vec3 position;
  bool hasNormal;
  Vec3 normal;
  bool hasTexcoord;
  std::array<float, 2> texcoord;
  int vertexIndex;
  int normalIndex;
};
using Triangle = std::array<Corner, 3>;

struct ObjFile {
  tinyobj::attrib_t attrib;
  std::vector<tinyobj::material_t> materials;
  std::vector<Triangle> triangles;  // in file order
  size_t vertexCount() const { return attrib.vertices.size() / 3; }
  size_t normalCount() const { return attrib.normals.size() / 3; }
  size_t texcoordCount() const { return attrib.texcoords.size() / 2; }
};

Corner cornerOf(const tinyobj::attrib_t& attrib, const tinyobj::index_t& index) {
  Corner c{};
  c.vertexIndex = index.vertex_index;
  c.normalIndex = index.normal_index;
  for (int k = 0; k < 3; k++) c.position[k] = attrib.vertices[3 * size_t(index.vertex_index) + k];
  c.hasNormal = index.normal_index >= 0;
  if (c.hasNormal)
    for (int k = 0; k < 3; k++) c.normal[k] = attrib.normals[3 * size_t(index.normal_index) + k];
  c.hasTexcoord = index.texcoord_index >= 0;
  if (c.hasTexcoord)
    for (int k = 0; k < 2; k++) c.texcoord[k] = attrib.texcoords[2 * size_t(index.texcoord_index) + k];
  return c;
}

// The file read by tinyobjloader, its library from beside it, faces cut into triangles.
ObjFile readObj(const std::string& path) {
  ObjFile obj;
  std::vector<tinyobj::shape_t> shapes;
  std::string warnings, errors;
  std::string folder = fs::path(path).parent_path().string() + "/";
  EXPECT_TRUE(tinyobj::LoadObj(&obj.attrib, &shapes, &obj.materials, &warnings, &errors, path.c_str(),
                               folder.c_str(), true))
      << path << ": " << errors;
  for (const tinyobj::shape_t& shape : shapes)
    for (size_t i = 0; i + 2 < shape.mesh.indices.size(); i += 3)
      obj.triangles.push_back({cornerOf(obj.attrib, shape.mesh.indices[i]),
                               cornerOf(obj.attrib, shape.mesh.indices[i + 1]),
                               cornerOf(obj.attrib, shape.mesh.indices[i + 2])});
  return obj;
}

Vec3 faceNormal(const Triangle& t) {
  Vec3 u, v;
  for (int k = 0; k < 3; k++) {
    u[k] = t[1].position[k] - t[0].position[k];
    v[k] = t[2].position[k] - t[0].position[k];
  }
  Vec3 n = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
  float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  for (float& c : n) c /= length;
  return n;
}

void expectNear(const Vec3& actual, const Vec3& expected, float tolerance, const std::string& what) {
  for (int k = 0; k < 3; k++) EXPECT_NEAR(actual[k], expected[k], tolerance) << what << ", component " << k;
}

class Kerbmodel : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(TOOL)) << TOOL
                                  << " is not installed: run the tests through ctest, whose install_tree "
                                  << "fixture installs the build";
  }

  // Runs the installed kerbmodel with `args`; standard output goes to `stdoutPath` when given.
  ToolRun kerbmodel(const std::vector<std::string>& args, const std::string& stdoutPath = "") {
    std::string outPath = stdoutPath.empty() ? dir_.path("stdout.txt") : stdoutPath;
    std::string errPath = dir_.path("stderr.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<char*> argv = {const_cast<char*>(TOOL)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, TOOL, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ToolRun run{-1, "", ""};
    if (spawned != 0) {
      ADD_FAILURE() << "cannot start " << TOOL;
      return run;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = stdoutPath.empty() ? readFile(outPath) : "";
    run.err = readFile(errPath);
    return run;
  }

  // Runs kerbmodel, which must succeed, and returns its standard output.
  std::string succeed(const std::vector<std::string>& args) {
    ToolRun run = kerbmodel(args);
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out;
  }

  json info(const std::string& model) { return json::parse(succeed({"info", "--json", model})); }

  // Writes `obj` (and its library as `mtl`, when given) under `name` and converts it with `options`
  // into out.obj, which is read back.
  ObjFile convert(const char* obj, const std::vector<std::string>& options, const char* mtl = nullptr) {
    std::string in = dir_.write("in.obj", obj);
    if (mtl) dir_.write("square.mtl", mtl);
    std::vector<std::string> args = {"convert"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(in);
    args.push_back(dir_.path("out.obj"));
    succeed(args);
    return readObj(dir_.path("out.obj"));
  }

  TempDir dir_;
};

// --- info ---

TEST_F(Kerbmodel, InfoTellsCountsBoundsMaterialsAndGroupsOfAHandWrittenModel) {
  dir_.write("square.mtl", SQUARE_MTL);
  json report = info(dir_.write("square.obj", SQUARE_OBJ));
  EXPECT_EQ(report["model"], dir_.path("square.obj"));
  EXPECT_EQ(report["vertices"], 4);
  EXPECT_EQ(report["normals"], 1);
  EXPECT_EQ(report["texcoords"], 4);
  EXPECT_EQ(report["triangles"], 2);
  EXPECT_EQ(report["bounds"], json::parse(R"({"min": [-1, -1, 0], "max": [1, 1, 0]})"));
  EXPECT_EQ(report["extents"], json::parse("[2, 2, 0]"));
  EXPECT_EQ(report["library"], "square.mtl");
  ASSERT_EQ(report["materials"].size(), 2u);
  const json& red = report["materials"][1];
  EXPECT_EQ(red["name"], "red");
  EXPECT_EQ(red["diffuse"], json::parse("[1, 0, 0, 1]"));
  EXPECT_EQ(red["ambient"], json::parse("[0.25, 0, 0, 1]"));
  EXPECT_EQ(red["specular"], json::parse("[0.5, 0.5, 0.5, 1]"));
  EXPECT_EQ(red["shininess"], 64);                // Ns 500 on the file's 0..1000 scale is OpenGL's 64
  const json& fallback = report["materials"][0];  // the reader's own, with OpenGL's defaults
  EXPECT_EQ(fallback["name"], "default");
  EXPECT_EQ(fallback["diffuse"][0].get<float>(), 0.8f);
  EXPECT_EQ(fallback["ambient"][0].get<float>(), 0.2f);
  EXPECT_EQ(fallback["shininess"], 65);
  EXPECT_EQ(report["groups"], json::parse(R"([{"name": "default", "triangles": 0, "material": "default"},
                                              {"name": "plate", "triangles": 2, "material": "red"}])"));
}

TEST_F(Kerbmodel, InfoTableSaysTheSameAsTheJson) {
  dir_.write("square.mtl", SQUARE_MTL);
  std::string table = succeed({"info", dir_.write("square.obj", SQUARE_OBJ)});
  for (const char* line : {"vertices    4\n", "normals     1\n", "texcoords   4\n", "triangles   2\n",
                           "bounds      min -1 -1 0  max 1 1 0\n", "extents     2 2 0\n",
                           "library     square.mtl\n", "materials   2\n", "groups      2\n"})
    EXPECT_NE(table.find(line), std::string::npos) << "no line " << line << "in\n" << table;
  size_t plate = table.find("\n  plate ");
  ASSERT_NE(plate, std::string::npos) << table;
  EXPECT_EQ(table.substr(table.find_first_not_of(' ', plate + 8), 25), "2 triangles  material red") << table;
}

// Names may hold any bytes: the JSON stays valid and keeps what is UTF-8.
TEST_F(Kerbmodel, InfoJsonEscapesNamesAndReplacesBytesThatAreNotUtf8) {
  json report =
      info(dir_.write("names.obj", "g K\xC3\xA4\"fer\\ \xFF\x01x\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"));
  ASSERT_EQ(report["groups"].size(), 2u);
  EXPECT_EQ(report["groups"][1]["name"], "K\xC3\xA4\"fer\\ \xEF\xBF\xBD\x01x");
  EXPECT_EQ(report["groups"][1]["material"], nullptr);  // no materials at all
  EXPECT_EQ(report["library"], nullptr);
}

TEST_F(Kerbmodel, InfoOfAModelWithoutVerticesHasNoBounds) {
  json report = info(dir_.write("empty.obj", "# nothing\n"));
  EXPECT_EQ(report["vertices"], 0);
  EXPECT_EQ(report["bounds"], nullptr);
  EXPECT_EQ(report["extents"], nullptr);
  EXPECT_EQ(report["groups"].size(), 1u);
}

// The demo's car against tinyobjloader's reading of it.
TEST_F(Kerbmodel, InfoOfTheCarAgreesWithAnotherReader) {
  json report = info(CAR);
  ObjFile car = readObj(CAR);
  EXPECT_EQ(report["vertices"], car.vertexCount());
  EXPECT_EQ(report["normals"], car.normalCount());
  EXPECT_EQ(report["texcoords"], car.texcoordCount());
  EXPECT_EQ(report["triangles"], car.triangles.size());
  for (int axis = 0; axis < 3; axis++) {
    float low = INFINITY, high = -INFINITY;
    for (size_t i = 0; i < car.vertexCount(); i++) {
      low = std::min(low, car.attrib.vertices[3 * i + axis]);
      high = std::max(high, car.attrib.vertices[3 * i + axis]);
    }
    EXPECT_FLOAT_EQ(report["bounds"]["min"][axis].get<float>(), low);
    EXPECT_FLOAT_EQ(report["bounds"]["max"][axis].get<float>(), high);
    EXPECT_FLOAT_EQ(report["extents"][axis].get<float>(), high - low);
  }
  ASSERT_EQ(report["materials"].size(), car.materials.size() + 1);  // and "default"
  for (size_t i = 0; i < car.materials.size(); i++) {
    const json& ours = report["materials"][i + 1];
    EXPECT_EQ(ours["name"], car.materials[i].name);
    for (int k = 0; k < 3; k++) EXPECT_FLOAT_EQ(ours["diffuse"][k].get<float>(), car.materials[i].diffuse[k]);
  }
  unsigned grouped = 0;
  for (const json& group : report["groups"]) grouped += group["triangles"].get<unsigned>();
  EXPECT_EQ(grouped, car.triangles.size());
}

// --- convert, one option at a time ---

struct WeldCase {
  const char* epsilon;
  size_t vertices;
};

TEST_F(Kerbmodel, WeldMergesVerticesCloserThanEpsilon) {
  for (WeldCase c : {WeldCase{"0", 6}, WeldCase{"0.0001", 5}, WeldCase{"0.001", 4}}) {
    SCOPED_TRACE(std::string("--weld ") + c.epsilon);
    ObjFile out = convert(SEAM_OBJ, {"--weld", c.epsilon});
    EXPECT_EQ(out.vertexCount(), c.vertices);
    ASSERT_EQ(out.triangles.size(), 2u);
    // Every triangle keeps its corners where they were (within the epsilon).
    expectNear(out.triangles[1][0].position, {1, 0, 0.0004f}, 0.001f, "moved corner");
    expectNear(out.triangles[1][1].position, {1, 1, 0}, 0, "kept corner");
  }
}

TEST_F(Kerbmodel, FitCentresTheBoxAndScalesItsLargestExtentToTwo) {
  // Extents 4, 1 and 1 around the centre (1, 0, 0.5): scale 0.5.
  ObjFile out = convert(BOX_OBJ, {"--fit"});
  ASSERT_EQ(out.vertexCount(), 8u);
  const float expected[8][3] = {{-1, -0.25f, -0.25f}, {1, -0.25f, -0.25f}, {1, 0.25f, -0.25f},
                                {-1, 0.25f, -0.25f},  {-1, -0.25f, 0.25f}, {1, -0.25f, 0.25f},
                                {1, 0.25f, 0.25f},    {-1, 0.25f, 0.25f}};
  for (size_t i = 0; i < 8; i++)
    for (int k = 0; k < 3; k++)
      EXPECT_FLOAT_EQ(out.attrib.vertices[3 * i + k], expected[i][k]) << "vertex " << i;
}

TEST_F(Kerbmodel, ScaleMultipliesEveryCoordinate) {
  ObjFile in = readObj(dir_.write("box.obj", BOX_OBJ));
  for (const char* factor : {"2.5", "-1", "0"}) {
    SCOPED_TRACE(std::string("--scale ") + factor);
    ObjFile out = convert(BOX_OBJ, {"--scale", factor});
    ASSERT_EQ(out.attrib.vertices.size(), in.attrib.vertices.size());
    for (size_t i = 0; i < in.attrib.vertices.size(); i++)
      EXPECT_FLOAT_EQ(out.attrib.vertices[i], std::stof(factor) * in.attrib.vertices[i]);
  }
}

// Compared with the same model written without the flip, so that both are cut into triangles alike.
TEST_F(Kerbmodel, FlipReversesEveryTriangleAndNegatesItsNormals) {
  ObjFile in = convert(SQUARE_OBJ, {}, SQUARE_MTL);
  ObjFile out = convert(SQUARE_OBJ, {"--flip"}, SQUARE_MTL);
  ASSERT_EQ(out.triangles.size(), in.triangles.size());
  for (size_t t = 0; t < in.triangles.size(); t++)
    for (int c = 0; c < 3; c++) {
      const Corner& was = in.triangles[t][c];
      const Corner& now = out.triangles[t][2 - c];
      expectNear(now.position, was.position, 0, "position");
      EXPECT_EQ(now.texcoord, was.texcoord);
      ASSERT_TRUE(now.hasNormal);
      expectNear(now.normal, {0, 0, -1}, 0, "normal");
    }
}

TEST_F(Kerbmodel, FacetNormalsAreWrittenOnePerTriangle) {
  ObjFile out = convert(CUBE_OBJ, {"--facet-normals"});
  EXPECT_EQ(out.normalCount(), 12u);
  ASSERT_EQ(out.triangles.size(), 12u);
  for (const Triangle& t : out.triangles) {
    Vec3 n = faceNormal(t);
    // Each face of the cube faces along one axis, away from the centre.
    int axis = int(
        std::max_element(n.begin(), n.end(), [](float a, float b) { return std::fabs(a) < std::fabs(b); }) -
        n.begin());
    EXPECT_FLOAT_EQ(std::fabs(n[axis]), 1.0f);
    EXPECT_GT(n[axis] * t[0].position[axis], 0) << "the face points inwards";
    for (const Corner& c : t) {
      ASSERT_TRUE(c.hasNormal);
      expectNear(c.normal, n, 1e-6f, "corner normal");
    }
  }
}

// Under 30 degrees only the two triangles of one side share normals: every corner keeps its
// side's normal. Under 100 degrees the three sides at a corner all meet: one normal per
// vertex, pointing out of the corner on every axis.
TEST_F(Kerbmodel, SmoothNormalsFollowTheCreaseAngle) {
  ObjFile sharp = convert(CUBE_OBJ, {"--smooth", "30"});
  for (const Triangle& t : sharp.triangles)
    for (const Corner& c : t) {
      ASSERT_TRUE(c.hasNormal);
      expectNear(c.normal, faceNormal(t), 1e-6f, "corner normal under 30 degrees");
    }
  ObjFile round = convert(CUBE_OBJ, {"--smooth", "100"});
  EXPECT_EQ(round.normalCount(), 8u);
  for (const Triangle& t : round.triangles)
    for (const Corner& c : t) {
      ASSERT_TRUE(c.hasNormal);
      float length =
          std::sqrt(c.normal[0] * c.normal[0] + c.normal[1] * c.normal[1] + c.normal[2] * c.normal[2]);
      EXPECT_NEAR(length, 1, 1e-6);
      for (int k = 0; k < 3; k++) EXPECT_GT(c.normal[k] * c.position[k], 0.1f) << "component " << k;
    }
  for (const Triangle& t : round.triangles)
    for (const Triangle& u : round.triangles)
      for (const Corner& a : t)
        for (const Corner& b : u)
          if (a.vertexIndex == b.vertexIndex) {
            EXPECT_EQ(a.normalIndex, b.normalIndex);
          }
}

// Planar coordinates come from x and z, mapped from the model's extent to 0..1.
TEST_F(Kerbmodel, PlanarTexcoordsMapXAndZ) {
  ObjFile out = convert(CUBE_OBJ, {"--texcoords", "planar"});
  EXPECT_EQ(out.texcoordCount(), 8u);
  for (const Triangle& t : out.triangles)
    for (const Corner& c : t) {
      ASSERT_TRUE(c.hasTexcoord);
      EXPECT_FLOAT_EQ(c.texcoord[0], (c.position[0] + 1) / 2);
      EXPECT_FLOAT_EQ(c.texcoord[1], (c.position[2] + 1) / 2);
    }
}

// The sphere map of each axis direction: u from the angle around x, v from the angle to +x
// (a normal along x has neither and maps to 0, 0).
TEST_F(Kerbmodel, SphereTexcoordsComeFromTheNormals) {
  struct Mapping {
    Vec3 normal;
    float u, v;
  };
  const Mapping MAPPINGS[] = {{{1, 0, 0}, 0, 0},     {{-1, 0, 0}, 0, 0},      {{0, 1, 0}, 1, 0.5f},
                              {{0, -1, 0}, 0, 0.5f}, {{0, 0, 1}, 0.5f, 0.5f}, {{0, 0, -1}, 0.5f, 0.5f}};
  ObjFile out = convert(CUBE_OBJ, {"--texcoords", "sphere", "--smooth", "30"});
  ASSERT_EQ(out.triangles.size(), 12u);
  for (const Triangle& t : out.triangles)
    for (const Corner& c : t) {
      ASSERT_TRUE(c.hasTexcoord && c.hasNormal);
      const Mapping* m = std::find_if(std::begin(MAPPINGS), std::end(MAPPINGS), [&](const Mapping& m) {
        return std::fabs(m.normal[0] - c.normal[0]) + std::fabs(m.normal[1] - c.normal[1]) +
                   std::fabs(m.normal[2] - c.normal[2]) <
               1e-5f;
      });
      ASSERT_NE(m, std::end(MAPPINGS)) << "a normal off the axes";
      EXPECT_NEAR(c.texcoord[0], m->u, 1e-5);
      EXPECT_NEAR(c.texcoord[1], m->v, 1e-5);
    }
}

// What the written file holds for each --write, and without one: what the model has.
TEST_F(Kerbmodel, WriteModeSaysWhatTheFileHolds) {
  struct Case {
    std::vector<std::string> options;
    size_t normals;  // "vn" lines written
    bool texcoords;
    bool material;
  };
  const Case CASES[] = {
      {{}, 1, true, true},
      {{"--write", "texture"}, 0, true, false},
      {{"--write", "smooth"}, 1, false, false},
      {{"--write", "material"}, 0, false, true},
      {{"--write", "smooth,texture,material"}, 1, true, true},
      {{"--write", "smooth", "--write", "texture"}, 1, true, false},
      {{"--facet-normals"}, 2, true, true},  // facet normals asked for: written in place of the file's
      {{"--write", "flat", "--facet-normals"}, 2, false, false},
      {{"--write", "color"}, 0, false, false},  // colours reach a file only through its materials
  };
  for (const Case& c : CASES) {
    std::string label;
    for (const std::string& option : c.options) label += option + " ";
    SCOPED_TRACE(label);
    fs::remove(dir_.path("out.mtl"));
    ObjFile out = convert(SQUARE_OBJ, c.options, SQUARE_MTL);
    EXPECT_EQ(out.normalCount(), c.normals);
    ASSERT_EQ(out.triangles.size(), 2u);
    for (const Triangle& t : out.triangles)
      for (const Corner& corner : t) {
        EXPECT_EQ(corner.hasNormal, c.normals > 0);
        if (corner.hasNormal) expectNear(corner.normal, {0, 0, 1}, 1e-6f, "normal");
        EXPECT_EQ(corner.hasTexcoord, c.texcoords);
      }
    std::string text = readFile(dir_.path("out.obj"));
    EXPECT_EQ(text.find("mtllib out.mtl\n") != std::string::npos, c.material);
    EXPECT_EQ(fs::exists(dir_.path("out.mtl")), c.material);
    if (!c.material) continue;
    ASSERT_EQ(out.materials.size(), 1u);  // the lines of "default" come before any newmtl
    EXPECT_EQ(out.materials[0].name, "red");
    EXPECT_EQ(std::vector<float>(out.materials[0].diffuse, out.materials[0].diffuse + 3),
              std::vector<float>({1, 0, 0}));
  }
}

// The library is written under the output's name, so the input's library, beside it, keeps
// what the model library does not (its texture map).
TEST_F(Kerbmodel, ConvertNeverOverwritesTheInputsLibrary) {
  std::string in = dir_.write("square.obj", SQUARE_OBJ);
  dir_.write("square.mtl", SQUARE_MTL);
  succeed({"convert", "--fit", in, dir_.path("square_unit.obj")});
  EXPECT_EQ(readFile(dir_.path("square.mtl")), SQUARE_MTL);
  EXPECT_NE(readFile(dir_.path("square_unit.obj")).find("mtllib square_unit.mtl\n"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir_.path("square_unit.mtl")));
}

TEST_F(Kerbmodel, ConvertInPlaceReplacesTheModel) {
  std::string box = dir_.write("box.obj", BOX_OBJ);
  succeed({"convert", "--scale", "2", box, box});
  ObjFile out = readObj(box);
  EXPECT_FLOAT_EQ(out.attrib.vertices[3], 6);  // vertex 2's x, 3 before
  EXPECT_FALSE(fs::exists(box + ".partial"));
}

// --- round trips ---

// Everything info says but the file names; groups sorted by name, since the writer puts the
// newest group first.
json contentOf(json report) {
  report.erase("model");
  report.erase("library");
  std::sort(report["groups"].begin(), report["groups"].end(), [](const json& a, const json& b) {
    return a["name"].get<std::string>() < b["name"].get<std::string>();
  });
  return report;
}

TEST_F(Kerbmodel, ConvertWithoutStepsKeepsWhatInfoSays) {
  dir_.write("square.mtl", SQUARE_MTL);
  for (const std::string& model :
       {CAR, dir_.write("square.obj", SQUARE_OBJ), dir_.write("cube.obj", CUBE_OBJ)}) {
    SCOPED_TRACE(model);
    succeed({"convert", model, dir_.path("copy.obj")});
    EXPECT_EQ(contentOf(info(dir_.path("copy.obj"))), contentOf(info(model)));
  }
}

TEST_F(Kerbmodel, CarThroughEveryStepKeepsItsGroupsAndFitsTheCube) {
  json before = info(CAR);
  succeed({"convert", "--weld", "0.00001", "--fit", "--scale", "0.5", "--flip", "--smooth", "90",
           "--texcoords", "sphere", "--write", "smooth,texture,material", CAR, dir_.path("car.obj")});
  json after = info(dir_.path("car.obj"));
  EXPECT_EQ(after["library"], "car.mtl");
  EXPECT_EQ(after["triangles"], before["triangles"]);
  EXPECT_LE(after["vertices"], before["vertices"]);
  EXPECT_GT(after["normals"], 0);
  EXPECT_EQ(after["texcoords"], after["normals"]);  // one sphere-map coordinate per normal
  EXPECT_EQ(contentOf(after)["groups"], contentOf(before)["groups"]);
  EXPECT_EQ(after["materials"], before["materials"]);
  // The car is longest along z, whose range holds 0: fitted to -1..1, then halved.
  EXPECT_NEAR(after["bounds"]["min"][2].get<float>(), -0.5f, 1e-5);
  EXPECT_NEAR(after["bounds"]["max"][2].get<float>(), 0.5f, 1e-5);
  for (int axis = 0; axis < 2; axis++) EXPECT_LT(after["extents"][axis].get<float>(), 1.0f);
}

// --- failures ---

struct BadModel {
  const char* name;
  const char* obj;  // null: no file at all
  const char* message;
};

const BadModel BAD_MODELS[] = {
    {"missing", nullptr, "glmReadOBJ() failed: can't open data file \"MODEL\"."},
    {"index out of range", "v 0 0 0\nf 1 2 3\n",
     "glmReadOBJ() failed: \"MODEL\" line 2: vertex index 2 is out of range (1 defined)."},
    {"face without an index", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf /1 2 3\n",
     "glmReadOBJ() failed: \"MODEL\" line 4: face vertex \"/1\" holds no vertex index."},
    {"unknown v keyword", "v 0 0 0\nvz 1\n", "glmFirstPass(): Unknown token \"vz\"."},
    {"missing library", "mtllib gone.mtl\nv 0 0 0\n", "glmReadMTL() failed: can't open material file \""},
};

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// The reader's one line on standard error, nothing on standard output, status 1, no output file.
TEST_F(Kerbmodel, BadModelFilesEndWithTheReadersMessageAndStatusOne) {
  for (const BadModel& bad : BAD_MODELS) {
    SCOPED_TRACE(bad.name);
    std::string model = bad.obj ? dir_.write("bad.obj", bad.obj) : dir_.path("absent.obj");
    std::string message = replaced(bad.message, "MODEL", model);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"info", model}, std::vector<std::string>{"info", "--json", model},
          std::vector<std::string>{"convert", "--smooth", "45", model, dir_.path("out.obj")}}) {
      ToolRun run = kerbmodel(args);
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(run.err.find(message), 0u) << run.err;
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
      EXPECT_FALSE(fs::exists(dir_.path("out.obj")));
      EXPECT_FALSE(fs::exists(dir_.path("out.obj.partial")));
    }
  }
}

TEST_F(Kerbmodel, UnwritableOutputEndsWithStatusOne) {
  ToolRun run = kerbmodel({"convert", dir_.write("cube.obj", CUBE_OBJ), dir_.path("no/such/folder/out.obj")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.find("kerbmodel: can't write \"" + dir_.path("no/such/folder/out.obj") + "\""), 0u)
      << run.err;
}

TEST_F(Kerbmodel, FullStandardOutputEndsWithStatusOne) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  ToolRun run = kerbmodel({"info", CAR}, "/dev/full");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("can't write the standard output"), std::string::npos) << run.err;
}

struct BadCommand {
  std::vector<std::string> args;  // MODEL and OUT stand for a good model and an output path
  const char* message;
};

// Status 2, the reason and the usage on standard error, nothing written.
TEST_F(Kerbmodel, BadCommandLinesEndWithTheUsageAndStatusTwo) {
  const BadCommand COMMANDS[] = {
      {{}, "A subcommand is required"},
      {{"frobnicate", "MODEL"}, "A subcommand is required"},
      {{"info"}, "MODEL is required"},
      {{"info", "MODEL", "MODEL"}, "not expected"},
      {{"info", "--fit", "MODEL"}, "--fit"},
      {{"convert", "MODEL"}, "OUT is required"},
      {{"convert", "--json", "MODEL", "OUT"}, "--json"},
      {{"convert", "--weld", "-1", "MODEL", "OUT"}, "--weld: \"-1\" is not a number of 0 or more"},
      {{"convert", "--weld", "abc", "MODEL", "OUT"}, "--weld: \"abc\" is not a number of 0 or more"},
      {{"convert", "--weld", "MODEL", "OUT"}, "is not a number of 0 or more"},
      {{"convert", "--scale", "inf", "MODEL", "OUT"}, "--scale: \"inf\" is not a finite number"},
      {{"convert", "--scale", "1e39", "MODEL", "OUT"}, "--scale: \"1e39\" is not a finite number"},
      {{"convert", "--smooth", "181", "MODEL", "OUT"},
       "--smooth: \"181\" is not an angle from 0 to 180 degrees"},
      {{"convert", "--smooth", "nan", "MODEL", "OUT"},
       "--smooth: \"nan\" is not an angle from 0 to 180 degrees"},
      {{"convert", "--texcoords", "cube", "MODEL", "OUT"}, "--texcoords: \"cube\" is not planar or sphere"},
      {{"convert", "--write", "bogus", "MODEL", "OUT"},
       "--write: \"bogus\" is not one of flat, smooth, texture"},
      {{"convert", "--write", "flat,smooth", "MODEL", "OUT"}, "flat and smooth exclude each other"},
      {{"convert", "--write", "color,material", "MODEL", "OUT"}, "color and material exclude each other"},
      // Asked of a model that lacks what they need: the cube has positions only.
      {{"convert", "--texcoords", "sphere", "MODEL", "OUT"}, "--texcoords sphere needs normals"},
      {{"convert", "--write", "smooth", "MODEL", "OUT"}, "--write smooth needs normals"},
      {{"convert", "--write", "flat", "MODEL", "OUT"}, "--write flat needs facet normals"},
      {{"convert", "--write", "texture", "MODEL", "OUT"}, "--write texture needs texture coordinates"},
      {{"convert", "--write", "material", "MODEL", "OUT"}, "--write material needs materials"},
      {{"convert", "--write", "color", "MODEL", "OUT"}, "--write color needs materials"},
  };
  std::string model = dir_.write("cube.obj", CUBE_OBJ);
  std::string out = dir_.path("out.obj");
  for (const BadCommand& command : COMMANDS) {
    std::vector<std::string> args;
    std::string label = "kerbmodel";
    for (const std::string& arg : command.args) {
      args.push_back(arg == "MODEL" ? model : arg == "OUT" ? out : arg);
      label += " " + arg;
    }
    SCOPED_TRACE(label);
    ToolRun run = kerbmodel(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(command.message), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Usage: kerbmodel info [--json] MODEL.obj\n"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(out));
  }
}

// An output that would be its own library is refused before anything is written.
TEST_F(Kerbmodel, OutputNamedLikeItsLibraryIsRefused) {
  dir_.write("square.mtl", SQUARE_MTL);
  ToolRun run = kerbmodel({"convert", dir_.write("square.obj", SQUARE_OBJ), dir_.path("out.mtl")});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("would be its own material library"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(dir_.path("out.mtl")));
}

// A model already at OUT stays as it was when the command line is refused.
TEST_F(Kerbmodel, RefusedConversionLeavesAnExistingOutputAlone) {
  std::string out = dir_.write("out.obj", "v 1 2 3\n");
  EXPECT_EQ(kerbmodel({"convert", "--write", "smooth", dir_.write("cube.obj", CUBE_OBJ), out}).status, 2);
  EXPECT_EQ(readFile(out), "v 1 2 3\n");
}

// --- help and version ---

TEST_F(Kerbmodel, HelpAndVersionGoToStandardOutput) {
  ToolRun help = kerbmodel({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("info"), std::string::npos);
  EXPECT_NE(help.out.find("convert"), std::string::npos);
  ToolRun convertHelp = kerbmodel({"convert", "--help"});
  EXPECT_EQ(convertHelp.status, 0);
  for (const char* option :
       {"--weld EPS", "--fit", "--scale S", "--flip", "--facet-normals", "--smooth ANGLE",
        "--texcoords planar|sphere", "--write WHAT", "weld, fit, scale, flip"})
    EXPECT_NE(convertHelp.out.find(option), std::string::npos) << option;
  ToolRun version = kerbmodel({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("kerbmodel ") + KERB_VERSION + "\n");
}

}  // namespace
