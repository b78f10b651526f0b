// Reading Wavefront OBJ files. The file is taken into memory once and walked twice: the first
// pass counts (and reads the material library), every array is then allocated once at its final
// size, and the second pass fills them. Both passes run the same keyword walk, so the second
// meets exactly the words the first counted.
#include "glm/glm.h"
#include "glm/memory.h"
#include "glm/name_index.h"
#include "glm/read_mtl.h"
#include "glm/record.h"
#include "glm/text_scan.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// The kinds of index a face vertex can give, in the order of the "v/t/n" word.
enum IndexKind { VERTEX, TEXCOORD, NORMAL };
static const char* const INDEX_KIND_NAMES[] = {"vertex", "texture coordinate", "normal"};

// A face's form, as scanf would read its vertices.
struct FaceForm {
  unsigned count;      // integers in a vertex
  bool doubleSlash;    // "//" between them rather than "/"
  IndexKind kinds[3];  // what each integer is
};
static const FaceForm VERTEX_ONLY = {1, false, {VERTEX}};                                  // "%d"
static const FaceForm VERTEX_TEXTURE = {2, false, {VERTEX, TEXCOORD}};                     // "%d/%d"
static const FaceForm VERTEX_TEXTURE_NORMAL = {3, false, {VERTEX, TEXCOORD, NORMAL}};      // "%d/%d/%d"
static const FaceForm VERTEX_NORMAL = {2, true, {VERTEX, NORMAL}};                         // "%d//%d"

// One face corner: 1-based indices by IndexKind, 0 for a kind the face does not give.
struct FaceCorner {
  unsigned index[3];
};

// What both passes share: the model, the file, and groups and materials by name.
struct ObjSource {
  Model* model;
  GlmFileBytes file;
  GlmNameIndex groups;     // every group, by name
  GlmNameIndex materials;  // the first material of each name (filled in before the second pass)
};

// The working state of one pass.
struct ObjReader {
  ObjSource* source;
  Model* model;
  GlmScanner text;
  bool fill;             // false while counting, true while filling
  bool failed;           // a failure has been reported: the walk ends
  unsigned seen[3];      // vertices, texture coordinates, normals read so far, by IndexKind
  unsigned total[3];     // their final counts (filling only)
  unsigned numtriangles; // triangles read so far
  ModelGroup* group;     // current group
  int material;          // current material (filling only)
};

static void printFailure(const char* format, va_list arguments) {
  fprintf(stderr, "glmReadOBJ() failed: ");
  vfprintf(stderr, format, arguments);
  fputc('\n', stderr);
}

// A failure outside the two passes.
__attribute__((format(printf, 1, 2))) static bool failed(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  printFailure(format, arguments);
  va_end(arguments);
  return false;
}

// Every failure in the passes comes here: the first prints its line and ends the walk, and the
// entry point frees what was read.
__attribute__((format(printf, 2, 3))) static void fail(ObjReader* reader, const char* format, ...) {
  if (reader->failed) return;
  reader->failed = true;
  va_list arguments;
  va_start(arguments, format);
  printFailure(format, arguments);
  va_end(arguments);
}

static const char* const OUT_OF_MEMORY = "out of memory reading \"%s\".";

static void outOfMemory(ObjReader* reader) { fail(reader, OUT_OF_MEMORY, reader->model->pathname); }

static void countMore(ObjReader* reader, unsigned* count, size_t more) {
  if (more > UINT_MAX - 1 - *count) fail(reader, "\"%s\" holds too many elements.", reader->model->pathname);
  else *count += unsigned(more);
}

// Unlike the other failures, reported on standard output.
static void unknownToken(ObjReader* reader, GlmSpan word) {
  char name[GLM_WORD_BUFFER];
  glmSpanToString(word, name);
  printf("glmFirstPass(): Unknown token \"%s\".\n", name);
  reader->failed = true;
}

// Marks of 16 bytes at p, bit i for byte i: characters that start a keyword, and line ends.
struct LineMarks {
  unsigned keywords;
  unsigned lineEnds;
};

#ifdef __SSE2__
static LineMarks markSixteen(const char* p) {
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  auto equal = [bytes](char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
  __m128i keywords = _mm_or_si128(_mm_or_si128(equal('v'), equal('f')), _mm_or_si128(_mm_or_si128(equal('g'), equal('m')), equal('u')));
  return {unsigned(_mm_movemask_epi8(keywords)), unsigned(_mm_movemask_epi8(equal('\n')))};
}
#else
static LineMarks markSixteen(const char* p) {
  LineMarks marks = {0, 0};
  for (unsigned i = 0; i < 16; i++) {
    char c = p[i];
    marks.keywords |= unsigned(c == 'v' || c == 'f' || c == 'g' || c == 'm' || c == 'u') << i;
    marks.lineEnds |= unsigned(c == '\n') << i;
  }
  return marks;
}
#endif

// While counting, a vector line's numbers are only skipped, and a common line can be skipped
// whole. Numbers stop at the line end; when the rest of the line holds no character that starts
// a keyword, whatever words the numbers leave on it are no keywords either, so they are skipped
// with the rest of their line. Either way reading goes on after the line end. Lines are looked
// at only as far as a line remainder goes, which bounds the work on a file without line ends.
static bool skipVectorLine(GlmScanner* text) {
  if (size_t(text->end - text->at) < GLM_WORD_MAX + 16) return false;
  for (const char* p = text->at; p < text->at + GLM_WORD_MAX; p += 16) {
    LineMarks marks = markSixteen(p);
    unsigned inLine = marks.lineEnds ? (marks.lineEnds & (0u - marks.lineEnds)) - 1 : 0xffffu;
    if (marks.keywords & inLine) return false;
    if (marks.lineEnds) {
      text->at = p + __builtin_ctz(marks.lineEnds);
      return true;
    }
  }
  return false;
}

// "v", "vn", "vt": up to `size` numbers into the next element of `array`.
static void readVector(ObjReader* reader, IndexKind kind, float* array, unsigned size) {
  countMore(reader, &reader->seen[kind], 1);
  // The counting pass skips the numbers without converting them, a whole line at once where it can.
  if (reader->fill) glmScanFloats(&reader->text, array + size_t(reader->seen[kind]) * size, size);
  else if (!skipVectorLine(&reader->text)) glmScanFloats(&reader->text, nullptr, size);
}

static void readVectorKeyword(ObjReader* reader, GlmSpan word) {
  Model* model = reader->model;
  char second = word.length > 1 ? word.text[1] : '\0';
  if (second == '\0') readVector(reader, VERTEX, model->vertices, 3);
  else if (second == 'n') readVector(reader, NORMAL, model->normals, 3);
  else if (second == 't') readVector(reader, TEXCOORD, model->texcoords, 2);
  else unknownToken(reader, word);
}

// Reads one vertex of `form` into raw[0..], scanf style; returns how many integers it got.
// With a null `raw` it only counts them.
__attribute__((always_inline)) static inline unsigned scanFaceVertex(GlmScanner* text, const FaceForm* form, int* raw) {
  if (!glmScanInt(text, raw)) return 0;
  for (unsigned got = 1; got < form->count; got++) {
    if (!glmScanLiteral(text, '/') || (form->doubleSlash && !glmScanLiteral(text, '/'))) return got;
    if (!glmScanInt(text, raw ? &raw[got] : nullptr)) return got;
  }
  return form->count;
}

static bool hasDoubleSlash(const char* word, size_t length) {
  for (size_t i = 1; i < length; i++)
    if (word[i] == '/' && word[i - 1] == '/') return true;
  return false;
}

// Decides the face's form by its first vertex word (a "//" in it, else as many integers as
// "%d/%d/%d" yields, of which "%d/%d" and "%d" read the same first ones) and reads that vertex.
static const FaceForm* readFirstVertex(const char* word, size_t length, int* raw, unsigned* got) {
  GlmScanner text = {word, word + length};
  if (hasDoubleSlash(word, length)) {
    *got = scanFaceVertex(&text, &VERTEX_NORMAL, raw);
    return &VERTEX_NORMAL;
  }
  *got = scanFaceVertex(&text, &VERTEX_TEXTURE_NORMAL, raw);
  return *got == 3 ? &VERTEX_TEXTURE_NORMAL : *got == 2 ? &VERTEX_TEXTURE : &VERTEX_ONLY;
}

// The common first vertex word "v/t/n" of short digit runs, read where it lies in the file
// without taking the word first: when white space or the end follows the third run, those
// characters (at most 23) are the whole word, and the word on its own reads the same. False
// otherwise. A null `raw` only skips the word.
static bool readPlainVertexWord(GlmScanner* text, int* raw) {
  const char* start = glmSpaceEnd(text->at);
  const char* p = glmShortUnsigned(start, text->end, raw);
  int runs = 1;
  for (; runs < 3 && p && *p == '/'; runs++) p = glmShortUnsigned(p + 1, text->end, raw ? &raw[runs] : nullptr);
  if (!p || runs < 3 || !(p == text->end || glmIsSpace(*p))) return false;
  text->at = p;
  return true;
}

// Takes the first vertex word as a C string, as "%127s" would have stored it; reads its form and
// vertex (with a null `raw`, only its form).
static const FaceForm* readFirstVertexWord(GlmScanner* text, int* raw, unsigned* got) {
  *got = 3;
  if (readPlainVertexWord(text, raw)) return &VERTEX_TEXTURE_NORMAL;
  GlmSpan word;
  glmScanWord(text, &word);
  char first[GLM_WORD_BUFFER];
  return readFirstVertex(first, glmSpanToString(word, first), raw, got);
}

static unsigned lineAt(const ObjReader* reader, const char* at) { return glmLineNumber(reader->source->file.bytes, at); }

// A negative index counts back from the last element read before it; -1 is that element.
static unsigned resolveIndex(ObjReader* reader, IndexKind kind, int index) {
  long long resolved = index < 0 ? (long long)reader->seen[kind] + 1 + index : index;
  if (resolved >= 1 && resolved <= reader->total[kind]) return unsigned(resolved);
  fail(reader, "\"%s\" line %u: %s index %d is out of range (%u defined).", reader->model->pathname,
       lineAt(reader, reader->text.at), INDEX_KIND_NAMES[kind], index, reader->total[kind]);
  return 0;
}

// Indices a read does not reach keep their values from the vertex before.
static void storeCorner(ObjReader* reader, const FaceForm* form, const int* raw, unsigned got, FaceCorner* corner) {
  for (unsigned i = 0; i < got; i++) corner->index[form->kinds[i]] = resolveIndex(reader, form->kinds[i], raw[i]);
}

// Reads the next vertex into `corner`. False when the read yields nothing (the face has ended)
// or a bad index.
static bool readCorner(ObjReader* reader, const FaceForm* form, FaceCorner* corner) {
  int raw[3] = {};
  unsigned got = scanFaceVertex(&reader->text, form, raw);
  storeCorner(reader, form, raw, got, corner);
  return got > 0 && !reader->failed;
}

static void addTriangle(ObjReader* reader, const FaceCorner& a, const FaceCorner& b, const FaceCorner& c) {
  ModelGroup* group = reader->group;
  ModelTriangle* triangle = &reader->model->triangles[reader->numtriangles];
  const FaceCorner* corners[3] = {&a, &b, &c};
  for (int i = 0; i < 3; i++) {
    triangle->vidx[i] = corners[i]->index[VERTEX];
    triangle->tidx[i] = corners[i]->index[TEXCOORD];
    triangle->nidx[i] = corners[i]->index[NORMAL];
  }
  group->triangles[group->numtriangles++] = reader->numtriangles++;
}

// A face as a fan around its first vertex; a face of fewer than three vertices repeats its last indices.
static void fillFace(ObjReader* reader, const FaceForm* form, const int* raw, unsigned got) {
  FaceCorner corner = {};
  storeCorner(reader, form, raw, got, &corner);
  FaceCorner fanCentre = corner;
  readCorner(reader, form, &corner);
  FaceCorner previous = corner;
  readCorner(reader, form, &corner);
  if (reader->failed) return;
  addTriangle(reader, fanCentre, previous, corner);
  for (previous = corner; readCorner(reader, form, &corner); previous = corner)
    addTriangle(reader, fanCentre, previous, corner);
}

// While counting, only the number of vertices matters, so they are skipped in one tight loop.
static void countFace(ObjReader* reader, const FaceForm* form) {
  GlmScanner* text = &reader->text;
  // The second and third vertex are read whatever they yield, as when filling.
  scanFaceVertex(text, form, nullptr);
  scanFaceVertex(text, form, nullptr);
  size_t triangles = 1;
  while (scanFaceVertex(text, form, nullptr)) triangles++;
  countMore(reader, &reader->numtriangles, triangles);
  reader->group->numtriangles += unsigned(triangles);
}

// "f": the first vertex word decides the form; the face then takes vertices from the file for
// as long as they come (onto following lines too). A first word without a vertex index would
// give a triangle that names no vertex.
static void readFace(ObjReader* reader, const char* keyword) {
  int raw[3];
  unsigned got;
  const char* start = glmSpaceEnd(reader->text.at);
  const FaceForm* form = readFirstVertexWord(&reader->text, reader->fill ? raw : nullptr, &got);
  if (got == 0) {
    char word[GLM_WORD_BUFFER];
    glmSpanToString({start, size_t(reader->text.at - start)}, word);
    fail(reader, "\"%s\" line %u: face vertex \"%s\" holds no vertex index.", reader->model->pathname,
         lineAt(reader, keyword), word);
  } else if (reader->fill) {
    fillFace(reader, form, raw, got);
  } else {
    countFace(reader, form);
  }
}

// The group named `name`, created (and indexed) while counting when there is none yet; null
// when out of memory.
static ModelGroup* ensureGroup(ObjReader* reader, const char* name) {
  GlmNameIndex* groups = &reader->source->groups;
  ModelGroup* group = static_cast<ModelGroup*>(glmFindName(groups, name));
  if (group || reader->fill) return group;
  group = glmAddGroup(reader->model, name);
  if (group && !glmAddName(groups, group->name, group)) group = nullptr;
  if (!group) outOfMemory(reader);
  return group;
}

// "g": the rest of the line without the white space around it names the group.
static void readGroup(ObjReader* reader) {
  char name[GLM_WORD_BUFFER];
  glmTrimmedLine(glmScanLine(&reader->text), name);
  ModelGroup* group = ensureGroup(reader, name);
  if (!group) return;
  reader->group = group;
  if (reader->fill) group->material = reader->material;
}

// "mtllib": read at once while counting; a line without a name reads no library.
static void readMaterialLibrary(ObjReader* reader) {
  GlmSpan line = glmScanLine(&reader->text);
  char name[GLM_WORD_BUFFER];
  glmLineName(line, name);
  if (reader->fill || !name[0]) return;
  Model* model = reader->model;
  free(model->mtllibname);
  model->mtllibname = glmTryCopyString(name);
  if (!model->mtllibname) outOfMemory(reader);
  else if (!glmTryReadMTL(model, name)) reader->failed = true;
}

// "usemtl": resolved while filling, against the last library the file names.
static void readMaterialUse(ObjReader* reader) {
  GlmSpan line = glmScanLine(&reader->text);
  if (!reader->fill) return;
  char name[GLM_WORD_BUFFER];
  glmLineName(line, name);
  const ModelMaterial* material = static_cast<const ModelMaterial*>(glmFindName(&reader->source->materials, name));
  if (!material) glmReportMissingMaterial(name);
  reader->material = material ? int(material - reader->model->materials) : 0;
  reader->group->material = reader->material;
}

// Keywords are told apart by their first character ("v" also by its second); comments and
// keywords this reader does not use are skipped with their line.
static void readKeywords(ObjReader* reader) {
  GlmSpan word;
  while (!reader->failed && glmScanWord(&reader->text, &word)) {
    switch (word.text[0]) {
      case 'v': readVectorKeyword(reader, word); break;
      case 'f': readFace(reader, word.text); break;
      case 'g': readGroup(reader); break;
      case 'm': readMaterialLibrary(reader); break;
      case 'u': readMaterialUse(reader); break;
      default: glmScanLine(&reader->text); break;
    }
  }
}

static ObjReader startPass(ObjSource* source, bool fill) {
  ObjReader reader = {};
  reader.source = source;
  reader.model = source->model;
  reader.text = {source->file.bytes, source->file.bytes + source->file.size};
  reader.fill = fill;
  return reader;
}

// Counts elements and each group's triangles, creates the groups and reads the material
// library; then gives every group its triangle list at its final length.
static bool glmFirstPass(ObjSource* source) {
  ObjReader reader = startPass(source, false);
  reader.group = ensureGroup(&reader, "default");
  if (reader.group) readKeywords(&reader);
  Model* model = source->model;
  model->numvertices = reader.seen[VERTEX];
  model->numtexcoords = reader.seen[TEXCOORD];
  model->numnormals = reader.seen[NORMAL];
  model->numtriangles = reader.numtriangles;
  for (ModelGroup* group = model->groups; group && !reader.failed; group = group->next) {
    group->triangles = static_cast<unsigned*>(glmTryAllocateLarge(group->numtriangles, sizeof(unsigned)));
    group->numtriangles = 0;
    if (!group->triangles) outOfMemory(&reader);
  }
  return !reader.failed;
}

// Arrays are zero-filled, so numbers a short line does not give read as 0. The first material
// of each name is indexed for the material lines.
static bool allocateArrays(ObjSource* source) {
  Model* model = source->model;
  model->vertices = static_cast<float*>(glmTryAllocateLarge(size_t(model->numvertices) + 1, 3 * sizeof(float)));
  model->triangles = static_cast<ModelTriangle*>(glmTryAllocateLarge(model->numtriangles, sizeof(ModelTriangle)));
  if (model->numnormals)
    model->normals = static_cast<float*>(glmTryAllocateLarge(size_t(model->numnormals) + 1, 3 * sizeof(float)));
  if (model->numtexcoords)
    model->texcoords = static_cast<float*>(glmTryAllocateLarge(size_t(model->numtexcoords) + 1, 2 * sizeof(float)));
  bool allocated = model->vertices && model->triangles && (model->normals || !model->numnormals) &&
                   (model->texcoords || !model->numtexcoords);
  for (unsigned i = 0; allocated && i < model->nummaterials; i++)
    allocated = glmAddName(&source->materials, model->materials[i].name, &model->materials[i]);
  return allocated || failed(OUT_OF_MEMORY, model->pathname);
}

static bool glmFillPass(ObjSource* source) {
  ObjReader reader = startPass(source, true);
  Model* model = source->model;
  reader.group = static_cast<ModelGroup*>(glmFindName(&source->groups, "default"));
  reader.total[VERTEX] = model->numvertices;
  reader.total[TEXCOORD] = model->numtexcoords;
  reader.total[NORMAL] = model->numnormals;
  readKeywords(&reader);
  return !reader.failed;
}

// Reads the file into source->model; false after a one-line message when that fails.
static bool readModel(ObjSource* source, const char* filename) {
  GlmLoadResult loaded = glmLoadFile(filename, &source->file);
  if (loaded == GLM_CANNOT_OPEN) return failed("can't open data file \"%s\".", filename);
  source->model = static_cast<Model*>(glmTryAllocate(1, sizeof(Model)));
  if (source->model) source->model->pathname = glmTryCopyString(filename);
  if (loaded == GLM_OUT_OF_MEMORY || !source->model || !source->model->pathname) return failed(OUT_OF_MEMORY, filename);
  return glmFirstPass(source) && allocateArrays(source) && glmFillPass(source);
}

Model* glmTryReadOBJ(const char* filename) {
  ObjSource source = {};
  bool read = readModel(&source, filename);
  glmUnloadFile(&source.file);
  glmFreeNameIndex(&source.groups);
  glmFreeNameIndex(&source.materials);
  if (read) return source.model;
  if (source.model) glmFreeModel(source.model);
  return nullptr;
}

Model* glmReadOBJ(const char* filename) {
  Model* model = glmTryReadOBJ(filename);
  if (!model) exit(1);
  return model;
}
