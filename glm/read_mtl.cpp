// Reading Wavefront MTL material libraries. Like the OBJ reader: the file is taken into memory
// once, a counting pass sizes the materials array, a filling pass runs the same keyword walk.
#include "glm/glm.h"
#include "glm/memory.h"
#include "glm/text_scan.h"

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>

struct MtlReader {
  Model* model;
  GlmScanner text;
  bool fill;              // false while counting, true while filling
  unsigned current;       // index of the material being read; 0 is "default"
  ModelMaterial scratch;  // takes the numbers while counting
};

static ModelMaterial* currentMaterial(MtlReader* reader) {
  return reader->fill ? &reader->model->materials[reader->current] : &reader->scratch;
}

// "newmtl": the name on the rest of the line names the next material.
static void startMaterial(MtlReader* reader) {
  GlmSpan line = glmScanLine(&reader->text);
  reader->current++;
  if (!reader->fill) return;
  char name[GLM_WORD_BUFFER];
  glmLineName(line, name);
  currentMaterial(reader)->name = glmCopyString(name);
}

// "Kd", "Ka", "Ks": a number the line does not give leaves that component unchanged.
static void readColour(MtlReader* reader, float* colour) { glmScanFloats(&reader->text, colour, 3); }

// "Ns": the file's 0 to 1000 exponent on OpenGL's 0 to 128 scale, rounded to single precision
// after each step. Without a readable number the shininess stays as it was.
static void readShininess(MtlReader* reader) {
  float exponent;
  if (!glmScanFloat(&reader->text, &exponent)) return;
  float fraction = float(exponent / 1000.0);
  currentMaterial(reader)->shininess = float(fraction * 128.0);
}

// Keywords are told apart by their first character, and "K" and "N" by their second too. Only
// "Ns" sets the shininess: "Ni" (optical density) and the other "N" keywords are skipped.
static void readMtlKeyword(MtlReader* reader, GlmSpan word) {
  char second = word.length > 1 ? word.text[1] : '\0';
  ModelMaterial* material = currentMaterial(reader);
  if (word.text[0] == 'n') startMaterial(reader);
  else if (word.text[0] == 'K' && second == 'd') readColour(reader, material->diffuse);
  else if (word.text[0] == 'K' && second == 'a') readColour(reader, material->ambient);
  else if (word.text[0] == 'K' && second == 's') readColour(reader, material->specular);
  else if (word.text[0] == 'N' && second == 's') readShininess(reader);
  else glmScanLine(&reader->text);
}

static void readMtlKeywords(MtlReader* reader) {
  GlmSpan word;
  while (glmScanWord(&reader->text, &word)) readMtlKeyword(reader, word);
}

static void setDefaults(ModelMaterial* material) {
  const float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
  const float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
  const float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  memcpy(material->diffuse, diffuse, sizeof diffuse);
  memcpy(material->ambient, ambient, sizeof ambient);
  memcpy(material->specular, specular, sizeof specular);
  material->shininess = 65.0f;
}

// The library path: the model file's directory followed by the name exactly as written.
static char* libraryPath(const Model* model, const char* name) {
  char* directory = glmPathDirectory(model->pathname);
  size_t length = strlen(directory);
  char* path = static_cast<char*>(glmAllocate(length + strlen(name) + 1, 1));
  memcpy(path, directory, length);
  strcpy(path + length, name);
  free(directory);
  return path;
}

// Replaces the model's materials (an earlier library's are freed) with `count` defaults.
static void allocateMaterials(Model* model, unsigned count) {
  glmFreeMaterials(model);
  model->materials = static_cast<ModelMaterial*>(glmAllocate(count, sizeof(ModelMaterial)));
  model->nummaterials = count;
  for (unsigned i = 0; i < count; i++) setDefaults(&model->materials[i]);
  model->materials[0].name = glmCopyString("default");
}

void glmReadMTL(Model* model, const char* name) {
  assert(model);
  char* path = libraryPath(model, name);
  GlmFileBytes file;
  if (!glmLoadFile(path, &file)) {
    fprintf(stderr, "glmReadMTL() failed: can't open material file \"%s\".\n", path);
    exit(1);
  }
  free(path);
  GlmScanner text = {file.bytes, file.bytes + file.size};
  MtlReader reader = {model, text, false, 0, {}};
  readMtlKeywords(&reader);
  allocateMaterials(model, reader.current + 1);
  reader = {model, text, true, 0, {}};
  readMtlKeywords(&reader);
  glmUnloadFile(&file);
}
