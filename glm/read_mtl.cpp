// Reading Wavefront MTL material libraries. Like the OBJ reader: the file is taken into memory
// once, a counting pass sizes the materials array, a filling pass runs the same keyword walk.
#include "glm/glm.h"
#include "glm/memory.h"
#include "glm/path.h"
#include "glm/read_mtl.h"
#include "glm/record.h"
#include "glm/text_scan.h"
#include "image/file_bytes.h"

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct MtlReader {
  Model* model;
  GlmScanner text;
  bool fill;              // false while counting, true while filling
  unsigned current;       // index of the material being read; 0 is "default"
  ModelMaterial scratch;  // takes the numbers while counting
  bool outOfMemory;
};

ModelMaterial* currentMaterial(MtlReader* reader) {
  return reader->fill ? &reader->model->materials[reader->current] : &reader->scratch;
}

// "newmtl": the name on the rest of the line names the next material.
void startMaterial(MtlReader* reader) {
  GlmSpan line = glmScanLine(&reader->text);
  reader->current++;
  if (!reader->fill) return;
  char name[GLM_WORD_BUFFER];
  glmLineName(line, name);
  currentMaterial(reader)->name = glmTryCopyString(name);
  reader->outOfMemory |= !currentMaterial(reader)->name;
}

// "Kd", "Ka", "Ks": a number the line does not give leaves that component unchanged.
void readColour(MtlReader* reader, float* colour) { glmScanFloats(&reader->text, colour, 3); }

// "Ns": the file's 0 to 1000 exponent on OpenGL's 0 to 128 scale, rounded to single precision
// after each step. Without a readable number the shininess stays as it was.
void readShininess(MtlReader* reader) {
  float exponent;
  if (!glmScanFloat(&reader->text, &exponent)) return;
  float fraction = float(exponent / 1000.0);
  currentMaterial(reader)->shininess = float(fraction * 128.0);
}

// Keywords are told apart by their first character, and "K" and "N" by their second too. Only
// "Ns" sets the shininess: "Ni" (optical density) and the other "N" keywords are skipped.
void readMtlKeyword(MtlReader* reader, GlmSpan word) {
  char second = word.length > 1 ? word.text[1] : '\0';
  ModelMaterial* material = currentMaterial(reader);
  if (word.text[0] == 'n') startMaterial(reader);
  else if (word.text[0] == 'K' && second == 'd') readColour(reader, material->diffuse);
  else if (word.text[0] == 'K' && second == 'a') readColour(reader, material->ambient);
  else if (word.text[0] == 'K' && second == 's') readColour(reader, material->specular);
  else if (word.text[0] == 'N' && second == 's') readShininess(reader);
  else glmScanLine(&reader->text);
}

void readMtlKeywords(MtlReader* reader) {
  GlmSpan word;
  while (!reader->outOfMemory && glmScanWord(&reader->text, &word)) readMtlKeyword(reader, word);
}

void setDefaults(ModelMaterial* material) {
  const float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
  const float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
  const float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  memcpy(material->diffuse, diffuse, sizeof diffuse);
  memcpy(material->ambient, ambient, sizeof ambient);
  memcpy(material->specular, specular, sizeof specular);
  material->shininess = 65.0f;
}

// Replaces the model's materials (an earlier library's are freed) with `count` defaults.
bool allocateMaterials(Model* model, unsigned count) {
  glmFreeMaterials(model);
  model->materials = static_cast<ModelMaterial*>(glmTryAllocate(count, sizeof(ModelMaterial)));
  if (!model->materials) return false;
  model->nummaterials = count;
  for (unsigned i = 0; i < count; i++) setDefaults(&model->materials[i]);
  model->materials[0].name = glmTryCopyString("default");
  return model->materials[0].name != nullptr;
}

// Counts the materials, allocates them, and fills them.
bool readLibrary(Model* model, const FileBytes& file) {
  GlmScanner text = {file.bytes, file.bytes + file.size};
  MtlReader reader = {model, text, false, 0, {}, false};
  readMtlKeywords(&reader);
  if (!allocateMaterials(model, reader.current + 1)) return false;
  reader = {model, text, true, 0, {}, false};
  readMtlKeywords(&reader);
  return !reader.outOfMemory;
}

bool failed(const char* message, const char* path) {
  fprintf(stderr, message, path);
  return false;
}

}  // namespace

bool glmTryReadMTL(Model* model, const char* name) {
  assert(model);
  char* path = glmTryPathBeside(model->pathname, name);
  if (!path) return failed("glmReadMTL() failed: out of memory reading \"%s\".\n", name);
  FileBytes file;
  FileBytesResult loaded = loadFileBytes(path, true, &file);
  bool read = loaded == FILE_BYTES_LOADED && readLibrary(model, file);
  unloadFileBytes(&file);
  if (loaded == FILE_BYTES_CANNOT_OPEN) failed("glmReadMTL() failed: can't open material file \"%s\".\n", path);
  else if (!read) failed("glmReadMTL() failed: out of memory reading \"%s\".\n", path);
  free(path);
  return read;
}

void glmReadMTL(Model* model, const char* name) {
  if (!glmTryReadMTL(model, name)) exit(1);
}
