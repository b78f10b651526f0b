#include "model_round_trip.h"

#include "glm/glm.h"
#include "glm/obj_reader.h"
#include "support/model_compare.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace {

const std::string& fuzzDirectory();

std::string makeDirectory() {
  char pattern[] = "/tmp/kerbhopper-model-fuzz-XXXXXX";
  if (!mkdtemp(pattern)) abort();
  std::filesystem::create_directory(std::string(pattern) + "/in");
  std::filesystem::create_directory(std::string(pattern) + "/out");
  return pattern;
}

void removeDirectory() { std::filesystem::remove_all(fuzzDirectory()); }

void check(bool condition, const char* what) {
  if (condition) return;
  fprintf(stderr, "model check failed: %s\n", what);
  abort();
}

// A mode whose every flag has data to write, so the writer drops none of them: flat or smooth
// normals or none, texture coordinates when the model has them, materials when it has them.
unsigned chooseMode(const Model* model, uint8_t choice) {
  const unsigned normals[] = {GLMMODE_NONE, GLMMODE_FLAT, GLMMODE_SMOOTH, GLMMODE_SMOOTH};
  unsigned mode = normals[choice & 3];
  if ((choice & 4) && model->texcoords) mode |= GLMMODE_TEXTURE;
  if ((choice & 8) && model->materials) mode |= GLMMODE_MATERIAL;
  return mode;
}

void checkReadBack(const Model* written, const Model* read, unsigned mode) {
  check(read->numvertices == written->numvertices, "vertices");
  check(read->numtriangles == written->numtriangles, "triangles");
  check(read->numgroups == written->numgroups, "groups");
  unsigned normals = mode & GLMMODE_SMOOTH ? written->numnormals : mode & GLMMODE_FLAT ? written->numfacetnorms : 0;
  check(read->numnormals == normals, "normals");
  check(read->numtexcoords == (mode & GLMMODE_TEXTURE ? written->numtexcoords : 0), "texture coordinates");
  check(read->nummaterials == (mode & GLMMODE_MATERIAL ? written->nummaterials : 0), "materials");
}

void roundTrip(Model* model, uint8_t choice) {
  glmComputeFacetNormals(model);
  glmVertexNormals(model, float(choice >> 4) * 12.0f);
  glmWeldVertices(model, (choice & 16) ? 0.001f : 0.0f);
  unsigned mode = chooseMode(model, choice);
  std::string out = fuzzDirectory() + "/out";
  std::filesystem::remove_all(out);
  std::filesystem::create_directory(out);
  glmWriteOBJ(model, (out + "/model.obj").c_str(), mode);
  Model* read = glmTryReadOBJ((out + "/model.obj").c_str());
  check(read != nullptr, "the written file does not read");
  checkReadBack(model, read, mode);
  glmFreeModel(read);
}

// Never destroyed, so it is still there when the exit handler removes the directory.
const std::string& fuzzDirectory() {
  static const std::string* directory = [] {
    std::string* made = new std::string(makeDirectory());
    atexit(removeDirectory);
    return made;
  }();
  return *directory;
}

void writeFuzzFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) abort();
  fwrite(data, 1, size, file);
  fclose(file);
}

// The same file cut into small chunks and read on two threads must give the same model.
void checkChunkedRead(const std::string& path, const Model* model, uint8_t choice) {
  GlmObjReadPlan plan = {size_t(1 + choice % 64), 2};
  Model* chunked = glmTryReadOBJPlanned(path.c_str(), &plan);
  check(!chunked == !model, "a chunked read fails or succeeds alone");
  if (!chunked) return;
  check(modelDifference(model, chunked).empty(), "a chunked read gives another model");
  glmFreeModel(chunked);
}

void readAndRoundTrip(const std::string& path, uint8_t choice) {
  Model* model = glmTryReadOBJ(path.c_str());
  checkChunkedRead(path, model, choice);
  if (!model) return;
  roundTrip(model, choice);
  glmFreeModel(model);
}

}  // namespace

void fuzzModelFiles(const char* fixedName, const char* fixedText, const char* inputName, const uint8_t* data,
                    size_t size) {
  static const std::string directory = fuzzDirectory() + "/in";
  static const bool fixedWritten = [&] {
    writeFuzzFile(directory + "/" + fixedName, reinterpret_cast<const uint8_t*>(fixedText), strlen(fixedText));
    return true;
  }();
  (void)fixedWritten;
  writeFuzzFile(directory + "/" + inputName, data, size);
  // The choice of mode is a byte the reader hardly depends on: the file's length.
  readAndRoundTrip(directory + "/model.obj", uint8_t(size * 37));
}
