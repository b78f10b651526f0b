// Reading Wavefront OBJ files. The file is taken into memory once and walked twice: the first
// pass counts (and reads the material library), every array is then allocated once at its final
// size, and the second pass fills them. Both passes run the same keyword walk, so the second
// meets exactly the words the first counted.
#include "glm/glm.h"
#include "glm/memory.h"
#include "glm/text_scan.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The kinds of index a face vertex can give, in the order of the "v/t/n" word.
enum IndexKind { VERTEX, TEXCOORD, NORMAL };
static const char* const INDEX_KIND_NAMES[] = {"vertex", "texture coordinate", "normal"};

// A face's form, as scanf would read it: the literal text before each integer and its kind.
struct FaceForm {
  unsigned count;
  const char* separators[3];
  IndexKind kinds[3];
};
static const FaceForm VERTEX_ONLY = {1, {""}, {VERTEX}};                                  // "%d"
static const FaceForm VERTEX_TEXTURE = {2, {"", "/"}, {VERTEX, TEXCOORD}};                // "%d/%d"
static const FaceForm VERTEX_TEXTURE_NORMAL = {3, {"", "/", "/"}, {VERTEX, TEXCOORD, NORMAL}};  // "%d/%d/%d"
static const FaceForm VERTEX_NORMAL = {2, {"", "//"}, {VERTEX, NORMAL}};                  // "%d//%d"

// One face corner: 1-based indices by IndexKind, 0 for a kind the face does not give.
struct FaceCorner {
  unsigned index[3];
};

// The working state of one pass.
struct ObjReader {
  Model* model;
  const char* bytes;     // start of the file, for line numbers in messages
  GlmScanner text;
  bool fill;             // false while counting, true while filling
  unsigned seen[3];      // vertices, texture coordinates, normals read so far, by IndexKind
  unsigned total[3];     // their final counts (filling only)
  unsigned numtriangles; // triangles read so far
  ModelGroup* group;     // current group
  int material;          // current material (filling only)
};

static void countOne(ObjReader* reader, unsigned* count) {
  if (*count == UINT_MAX - 1) {
    fprintf(stderr, "glmReadOBJ() failed: \"%s\" holds too many elements.\n", reader->model->pathname);
    exit(1);
  }
  ++*count;
}

static void unknownToken(GlmSpan word) {
  char name[GLM_WORD_MAX + 1];
  glmSpanToString(word, name);
  printf("glmFirstPass(): Unknown token \"%s\".\n", name);
  exit(1);
}

// "v", "vn", "vt": up to `size` numbers into the next element of `array`.
static void readVector(ObjReader* reader, IndexKind kind, float* array, unsigned size) {
  countOne(reader, &reader->seen[kind]);
  float scratch[3];
  glmScanFloats(&reader->text, reader->fill ? array + size_t(reader->seen[kind]) * size : scratch, size);
}

static void readVectorKeyword(ObjReader* reader, GlmSpan word) {
  Model* model = reader->model;
  char second = word.length > 1 ? word.text[1] : '\0';
  if (second == '\0') readVector(reader, VERTEX, model->vertices, 3);
  else if (second == 'n') readVector(reader, NORMAL, model->normals, 3);
  else if (second == 't') readVector(reader, TEXCOORD, model->texcoords, 2);
  else unknownToken(word);
}

// Reads one vertex of `form` into raw[0..], scanf style; returns how many integers it got.
static unsigned scanFaceVertex(GlmScanner* text, const FaceForm* form, int* raw) {
  for (unsigned got = 0; got < form->count; got++) {
    const char* literal = form->separators[got];
    while (*literal && glmScanLiteral(text, *literal)) literal++;
    if (*literal || !glmScanInt(text, &raw[got])) return got;
  }
  return form->count;
}

static const FaceForm* faceForm(const char* word) {
  int raw[3];
  GlmScanner text = {word, word + strlen(word)};
  if (strstr(word, "//")) return &VERTEX_NORMAL;
  if (scanFaceVertex(&text, &VERTEX_TEXTURE_NORMAL, raw) == 3) return &VERTEX_TEXTURE_NORMAL;
  text.at = word;
  if (scanFaceVertex(&text, &VERTEX_TEXTURE, raw) == 2) return &VERTEX_TEXTURE;
  return &VERTEX_ONLY;
}

[[noreturn]] static void badIndex(const ObjReader* reader, IndexKind kind, int index) {
  fprintf(stderr, "glmReadOBJ() failed: \"%s\" line %u: %s index %d is out of range (%u defined).\n",
          reader->model->pathname, glmLineNumber(reader->bytes, reader->text.at), INDEX_KIND_NAMES[kind], index,
          reader->total[kind]);
  exit(1);
}

// A negative index counts back from the last element read before it; -1 is that element.
static unsigned resolveIndex(const ObjReader* reader, IndexKind kind, int index) {
  long long resolved = index < 0 ? (long long)reader->seen[kind] + 1 + index : index;
  if (resolved < 1 || resolved > reader->total[kind]) badIndex(reader, kind, index);
  return unsigned(resolved);
}

// Reads the next vertex into `corner`. Indices the read does not reach keep their values from
// the vertex before. False when the read yields nothing: the face has ended.
static bool readCorner(ObjReader* reader, GlmScanner* text, const FaceForm* form, FaceCorner* corner) {
  int raw[3];
  unsigned got = scanFaceVertex(text, form, raw);
  if (reader->fill)
    for (unsigned i = 0; i < got; i++) corner->index[form->kinds[i]] = resolveIndex(reader, form->kinds[i], raw[i]);
  return got > 0;
}

static void addTriangle(ObjReader* reader, const FaceCorner& a, const FaceCorner& b, const FaceCorner& c) {
  ModelGroup* group = reader->group;
  if (!reader->fill) {
    countOne(reader, &reader->numtriangles);
    group->numtriangles++;
    return;
  }
  ModelTriangle* triangle = &reader->model->triangles[reader->numtriangles];
  const FaceCorner* corners[3] = {&a, &b, &c};
  for (int i = 0; i < 3; i++) {
    triangle->vidx[i] = corners[i]->index[VERTEX];
    triangle->tidx[i] = corners[i]->index[TEXCOORD];
    triangle->nidx[i] = corners[i]->index[NORMAL];
  }
  group->triangles[group->numtriangles++] = reader->numtriangles++;
}

// "f": the first vertex word decides the form; the face then takes vertices from the file for
// as long as they come (onto following lines too), as a fan around its first vertex. A face
// of fewer than three vertices repeats its last indices.
static void readFace(ObjReader* reader) {
  GlmSpan word;
  glmScanWord(&reader->text, &word);
  char first[GLM_WORD_MAX + 1];
  glmSpanToString(word, first);
  const FaceForm* form = faceForm(first);
  GlmScanner firstText = {first, first + strlen(first)};
  FaceCorner corner = {};
  readCorner(reader, &firstText, form, &corner);
  FaceCorner fanCentre = corner;
  readCorner(reader, &reader->text, form, &corner);
  FaceCorner previous = corner;
  readCorner(reader, &reader->text, form, &corner);
  addTriangle(reader, fanCentre, previous, corner);
  for (previous = corner; readCorner(reader, &reader->text, form, &corner); previous = corner)
    addTriangle(reader, fanCentre, previous, corner);
}

// "g": the rest of the line without the white space around it names the group.
static void readGroup(ObjReader* reader) {
  char name[GLM_WORD_MAX + 1];
  glmTrimmedLine(glmScanLine(&reader->text), name);
  if (!reader->fill) {
    reader->group = glmEnsureGroup(reader->model, name);
    return;
  }
  reader->group = glmLookupGroup(reader->model, name);
  reader->group->material = reader->material;
}

// "mtllib": read at once while counting; a line without a name reads no library.
static void readMaterialLibrary(ObjReader* reader) {
  GlmSpan line = glmScanLine(&reader->text);
  char name[GLM_WORD_MAX + 1];
  glmLineName(line, name);
  if (reader->fill || !name[0]) return;
  Model* model = reader->model;
  free(model->mtllibname);
  model->mtllibname = glmCopyString(name);
  glmReadMTL(model, name);
}

// "usemtl": resolved while filling, against the last library the file names.
static void readMaterialUse(ObjReader* reader) {
  GlmSpan line = glmScanLine(&reader->text);
  if (!reader->fill) return;
  char name[GLM_WORD_MAX + 1];
  glmLineName(line, name);
  reader->material = int(glmFindMaterial(reader->model, name));
  reader->group->material = reader->material;
}

// Keywords are told apart by their first character ("v" also by its second); comments and
// keywords this reader does not use are skipped with their line.
static void readKeywords(ObjReader* reader) {
  GlmSpan word;
  while (glmScanWord(&reader->text, &word)) {
    switch (word.text[0]) {
      case 'v': readVectorKeyword(reader, word); break;
      case 'f': readFace(reader); break;
      case 'g': readGroup(reader); break;
      case 'm': readMaterialLibrary(reader); break;
      case 'u': readMaterialUse(reader); break;
      default: glmScanLine(&reader->text); break;
    }
  }
}

static ObjReader startPass(Model* model, const char* bytes, size_t size, bool fill) {
  ObjReader reader = {};
  reader.model = model;
  reader.bytes = bytes;
  reader.text = {bytes, bytes + size};
  reader.fill = fill;
  return reader;
}

// Counts elements and each group's triangles, creates the groups and reads the material
// library; then gives every group its triangle list at its final length.
static void glmFirstPass(Model* model, const char* bytes, size_t size) {
  ObjReader reader = startPass(model, bytes, size, false);
  reader.group = glmEnsureGroup(model, "default");
  readKeywords(&reader);
  model->numvertices = reader.seen[VERTEX];
  model->numtexcoords = reader.seen[TEXCOORD];
  model->numnormals = reader.seen[NORMAL];
  model->numtriangles = reader.numtriangles;
  for (ModelGroup* group = model->groups; group; group = group->next) {
    group->triangles = static_cast<unsigned*>(glmAllocate(group->numtriangles, sizeof(unsigned)));
    group->numtriangles = 0;
  }
}

// Arrays are zero-filled, so numbers a short line does not give read as 0.
static void allocateArrays(Model* model) {
  model->vertices = static_cast<float*>(glmAllocate(size_t(model->numvertices) + 1, 3 * sizeof(float)));
  model->triangles = static_cast<ModelTriangle*>(glmAllocate(model->numtriangles, sizeof(ModelTriangle)));
  if (model->numnormals)
    model->normals = static_cast<float*>(glmAllocate(size_t(model->numnormals) + 1, 3 * sizeof(float)));
  if (model->numtexcoords)
    model->texcoords = static_cast<float*>(glmAllocate(size_t(model->numtexcoords) + 1, 2 * sizeof(float)));
}

static void glmFillPass(Model* model, const char* bytes, size_t size) {
  ObjReader reader = startPass(model, bytes, size, true);
  reader.group = glmLookupGroup(model, "default");
  reader.total[VERTEX] = model->numvertices;
  reader.total[TEXCOORD] = model->numtexcoords;
  reader.total[NORMAL] = model->numnormals;
  readKeywords(&reader);
}

Model* glmReadOBJ(const char* filename) {
  size_t size;
  char* bytes = glmReadWholeFile(filename, &size);
  if (!bytes) {
    fprintf(stderr, "glmReadOBJ() failed: can't open data file \"%s\".\n", filename);
    exit(1);
  }
  Model* model = static_cast<Model*>(glmAllocate(1, sizeof(Model)));
  model->pathname = glmCopyString(filename);
  glmFirstPass(model, bytes, size);
  allocateArrays(model);
  glmFillPass(model, bytes, size);
  free(bytes);
  return model;
}
