// Reading Wavefront OBJ files. The file is taken into memory once and walked twice, keyword by
// keyword: the first pass counts, every array is then allocated once at its final size, and the
// second pass fills them. Both passes run the same walk below, so the second meets exactly the
// words the first counted. A large file is cut into chunks at line starts, which two or more
// threads walk at once; obj_chunks.cpp cuts them and joins what they counted in file order.
#include "glm/glm.h"
#include "glm/obj_reader.h"
#include "glm/text_scan.h"
#include "image/checked_allocation.h"

#include <climits>
#include <cstring>

namespace {

// A face's form, as scanf would read its vertices.
struct FaceForm {
  unsigned count;         // integers in a vertex
  bool doubleSlash;       // "//" between them rather than "/"
  GlmIndexKind kinds[3];  // what each integer is
};
const FaceForm VERTEX_ONLY = {1, false, {GLM_VERTEX}};                                      // "%d"
const FaceForm VERTEX_TEXTURE = {2, false, {GLM_VERTEX, GLM_TEXCOORD}};                     // "%d/%d"
const FaceForm VERTEX_TEXTURE_NORMAL = {3, false, {GLM_VERTEX, GLM_TEXCOORD, GLM_NORMAL}};  // "%d/%d/%d"
const FaceForm VERTEX_NORMAL = {2, true, {GLM_VERTEX, GLM_NORMAL}};                         // "%d//%d"

// One face corner: 1-based indices by GlmIndexKind, 0 for a kind the face does not give.
struct FaceCorner {
  unsigned index[3];
};

// The working state of one pass over one chunk.
struct ObjReader {
  Model* model;
  GlmObjChunk* chunk;
  GlmScanner text;        // reads on to the end of the file; the walk stops at the chunk's end
  bool fill;              // false while counting, true while filling
  unsigned seen[3];       // vertices, texture coordinates, normals read so far, by GlmIndexKind
  unsigned total[3];      // their final counts (filling only)
  unsigned numtriangles;  // triangles read so far
  unsigned nextEvent;     // the chunk's event that the next group, material or library line is
  long groupEvent;        // the chunk's event of the last group line read (counting only); -1 before one
  ModelGroup* group;      // current group (filling only)
  unsigned cursor;        // where the current group's next triangle goes (filling only)
};

bool failed(const ObjReader* reader) { return reader->chunk->failure.kind != GLM_READ_CLEANLY; }

// Every failure comes here; the first one in the chunk is kept, and it ends the walk.
GlmObjFailure* fail(ObjReader* reader, GlmObjFailureKind kind, const char* at) {
  GlmObjFailure* failure = &reader->chunk->failure;
  if (failure->kind != GLM_READ_CLEANLY) return nullptr;
  failure->kind = kind;
  failure->at = at;
  return failure;
}

void countMore(ObjReader* reader, unsigned* count, size_t more) {
  if (more > UINT_MAX - 1 - *count) fail(reader, GLM_TOO_MANY_ELEMENTS, reader->text.at);
  else *count += unsigned(more);
}

// --- The keyword walk ---

void readVectorKeyword(ObjReader* reader, GlmSpan word);
void readFace(ObjReader* reader, const char* keyword);
void readNamedLine(ObjReader* reader, char keyword);

// Keywords are told apart by their first character ("v" also by its second); comments and
// keywords this reader does not use are skipped with their line.
void readKeywords(ObjReader* reader) {
  GlmSpan word;
  while (!failed(reader) && glmScanWord(&reader->text, &word) && word.text < reader->chunk->end) {
    switch (word.text[0]) {
      case 'v': readVectorKeyword(reader, word); break;
      case 'f': readFace(reader, word.text); break;
      case 'g':
      case 'm':
      case 'u': readNamedLine(reader, word.text[0]); break;
      default: glmScanLine(&reader->text); break;
    }
  }
}

// Whether the keyword walk's next word, inside the chunk, is `keyword` again; if so, moves past it
// as the walk would. A run of like lines, most of a file, is then read without going back to the
// walk for each line.
__attribute__((always_inline)) inline bool nextKeywordIs(ObjReader* reader, const GlmKeywordBytes& keyword) {
  const char* start = GLM_FAST_PATHS ? glmSameShortKeyword(reader->text.at, reader->text.end, keyword) : nullptr;
  if (!start || start >= reader->chunk->end || failed(reader)) return false;
  reader->text.at = start + keyword.length;
  return true;
}

// --- Faces ---

// Reads one vertex of `form` into raw[0..], scanf style; returns how many integers it got.
// With a null `raw` it only counts them.
__attribute__((always_inline)) inline unsigned scanFaceVertex(GlmScanner* text, const FaceForm* form, int* raw) {
  if (!glmScanInt(text, raw)) return 0;
  for (unsigned got = 1; got < form->count; got++) {
    if (!glmScanLiteral(text, '/') || (form->doubleSlash && !glmScanLiteral(text, '/'))) return got;
    if (!glmScanInt(text, raw ? &raw[got] : nullptr)) return got;
  }
  return form->count;
}

bool hasDoubleSlash(const char* word, size_t length) {
  for (size_t i = 1; i < length; i++)
    if (word[i] == '/' && word[i - 1] == '/') return true;
  return false;
}

// The face rule: the first vertex word decides the form of the whole face: a "//" in it, else as
// many integers as "%d/%d/%d" yields (of which "%d/%d" and "%d" read the same first ones).
// Reads that vertex too.
const FaceForm* readFirstVertex(const char* word, size_t length, int* raw, unsigned* got) {
  GlmScanner text = {word, word + length};
  if (hasDoubleSlash(word, length)) {
    *got = scanFaceVertex(&text, &VERTEX_NORMAL, raw);
    return &VERTEX_NORMAL;
  }
  *got = scanFaceVertex(&text, &VERTEX_TEXTURE_NORMAL, raw);
  return *got == 3 ? &VERTEX_TEXTURE_NORMAL : *got == 2 ? &VERTEX_TEXTURE : &VERTEX_ONLY;
}

// The common first vertex words, "v", "v/t", "v/t/n" and "v//n" of short digit runs, read where
// they lie in the file without taking the word first: when white space or the end follows the
// last run, those characters (at most 23) are the whole word, and the word on its own reads the
// same. Returns the form, or null otherwise. A null `raw` only skips the word.
const FaceForm* readPlainVertexWord(GlmScanner* text, int* raw) {
  static const FaceForm* const SLASHED_FORMS[] = {&VERTEX_ONLY, &VERTEX_TEXTURE, &VERTEX_TEXTURE_NORMAL};
  const char* p = glmShortUnsigned(glmSpaceEnd(text->at), text->end, raw);
  const FaceForm* form = &VERTEX_NORMAL;
  if (p && p[0] == '/' && p[1] == '/') {
    p = glmShortUnsigned(p + 2, text->end, raw ? &raw[1] : nullptr);
  } else {
    int runs = 1;
    for (; runs < 3 && p && *p == '/'; runs++) p = glmShortUnsigned(p + 1, text->end, raw ? &raw[runs] : nullptr);
    form = SLASHED_FORMS[runs - 1];
  }
  if (!p || !(p == text->end || glmIsSpace(*p))) return nullptr;
  text->at = p;
  return form;
}

// Takes the first vertex word as a C string, as "%127s" would have stored it; reads its form and
// vertex (with a null `raw`, only its form).
const FaceForm* readFirstVertexWord(GlmScanner* text, int* raw, unsigned* got) {
  if (GLM_FAST_PATHS) {
    if (const FaceForm* form = readPlainVertexWord(text, raw)) {
      *got = form->count;
      return form;
    }
  }
  GlmSpan word;
  glmScanWord(text, &word);
  char first[GLM_WORD_BUFFER];
  return readFirstVertex(first, glmSpanToString(word, first), raw, got);
}

__attribute__((noinline, cold)) void failBadIndex(ObjReader* reader, GlmIndexKind kind, int index) {
  if (GlmObjFailure* failure = fail(reader, GLM_BAD_INDEX, reader->text.at)) {
    failure->indexKind = kind;
    failure->index = index;
    failure->defined = reader->total[kind];
  }
}

// A negative index counts back from the last element read before it; -1 is that element.
__attribute__((always_inline)) inline unsigned resolveIndex(ObjReader* reader, GlmIndexKind kind, int index) {
  long long resolved = index < 0 ? (long long)reader->seen[kind] + 1 + index : index;
  if (resolved >= 1 && resolved <= reader->total[kind]) return unsigned(resolved);
  failBadIndex(reader, kind, index);
  return 0;
}

// Indices a read does not reach keep their values from the vertex before.
__attribute__((always_inline)) inline void storeCorner(ObjReader* reader, const FaceForm* form, const int* raw, unsigned got, FaceCorner* corner) {
  for (unsigned i = 0; i < got; i++) corner->index[form->kinds[i]] = resolveIndex(reader, form->kinds[i], raw[i]);
}

// Reads the next vertex into `corner`. False when the read yields nothing (the face has ended)
// or a bad index.
__attribute__((always_inline)) inline bool readCorner(ObjReader* reader, const FaceForm* form, FaceCorner* corner) {
  int raw[3] = {};
  unsigned got = scanFaceVertex(&reader->text, form, raw);
  storeCorner(reader, form, raw, got, corner);
  return got > 0 && !failed(reader);
}

void addTriangle(ObjReader* reader, const FaceCorner& a, const FaceCorner& b, const FaceCorner& c) {
  ModelTriangle* triangle = &reader->model->triangles[reader->numtriangles];
  const FaceCorner* corners[3] = {&a, &b, &c};
  for (int i = 0; i < 3; i++) {
    triangle->vidx[i] = corners[i]->index[GLM_VERTEX];
    triangle->tidx[i] = corners[i]->index[GLM_TEXCOORD];
    triangle->nidx[i] = corners[i]->index[GLM_NORMAL];
  }
  reader->group->triangles[reader->cursor++] = reader->numtriangles++;
}

// A face as a fan around its first vertex; a face of fewer than three vertices repeats its last
// indices.
__attribute__((always_inline)) inline void fillFace(ObjReader* reader, const FaceForm* form, const int* raw, unsigned got) {
  FaceCorner corner = {};
  storeCorner(reader, form, raw, got, &corner);
  FaceCorner fanCentre = corner;
  readCorner(reader, form, &corner);
  FaceCorner previous = corner;
  readCorner(reader, form, &corner);
  if (failed(reader)) return;
  addTriangle(reader, fanCentre, previous, corner);
  for (previous = corner; readCorner(reader, form, &corner); previous = corner)
    addTriangle(reader, fanCentre, previous, corner);
}

// Each form gets its own copy of the face loop, with the form's constants folded in.
void fillFaceOfForm(ObjReader* reader, const FaceForm* form, const int* raw, unsigned got) {
  if (form == &VERTEX_TEXTURE_NORMAL) fillFace(reader, &VERTEX_TEXTURE_NORMAL, raw, got);
  else if (form == &VERTEX_ONLY) fillFace(reader, &VERTEX_ONLY, raw, got);
  else if (form == &VERTEX_NORMAL) fillFace(reader, &VERTEX_NORMAL, raw, got);
  else fillFace(reader, &VERTEX_TEXTURE, raw, got);
}

// The triangles of a face after its first vertex, counted vertex by vertex: the second and third
// vertex are read whatever they yield, as when filling.
size_t countFaceTriangles(GlmScanner* text, const FaceForm* form) {
  scanFaceVertex(text, form, nullptr);
  scanFaceVertex(text, form, nullptr);
  size_t triangles = 1;
  while (scanFaceVertex(text, form, nullptr)) triangles++;
  return triangles;
}

// While counting, only the number of triangles matters.
void countTriangles(ObjReader* reader, size_t triangles) {
  GlmObjChunk* chunk = reader->chunk;
  countMore(reader, &chunk->triangles, triangles);
  if (reader->groupEvent >= 0) chunk->events[reader->groupEvent].triangles += unsigned(triangles);
  else chunk->leadingTriangles += unsigned(triangles);
}

// Counting a face line of whole vertex words (see glmCountFaceWords) needs only their number.
bool countFaceByItsWords(ObjReader* reader) {
  unsigned words;
  const char* lineEnd = glmCountFaceWords(reader->text.at, reader->text.end, &words);
  if (!lineEnd) return false;
  reader->text.at = lineEnd;
  countTriangles(reader, words < 3 ? 1 : words - 2);
  return true;
}

// "f": the first vertex word decides the form; the face then takes vertices from the file for
// as long as they come (onto following lines too). A first word without a vertex index would
// give a triangle that names no vertex.
void readOneFace(ObjReader* reader, const char* keyword) {
  if (GLM_FAST_PATHS && !reader->fill && countFaceByItsWords(reader)) return;
  int raw[3];
  unsigned got;
  const char* start = glmSpaceEnd(reader->text.at);
  const FaceForm* form = readFirstVertexWord(&reader->text, reader->fill ? raw : nullptr, &got);
  if (got > 0) {
    if (reader->fill) fillFaceOfForm(reader, form, raw, got);
    else countTriangles(reader, countFaceTriangles(&reader->text, form));
  } else if (GlmObjFailure* failure = fail(reader, GLM_FACE_WITHOUT_INDEX, keyword)) {
    glmSpanToString({start, size_t(reader->text.at - start)}, failure->word);
  }
}

void readFace(ObjReader* reader, const char* keyword) {
  const GlmKeywordBytes face = glmKeywordBytes("f", 1);
  for (;;) {
    readOneFace(reader, keyword);
    if (!nextKeywordIs(reader, face)) return;
    keyword = reader->text.at - 1;
  }
}

// --- Vertices, normals, texture coordinates ---

// "v", "vn", "vt": up to `size` numbers into the next element of `array`. The counting pass only
// skips the numbers, a whole line at once where it can: numbers stop at the line end, and the
// words they may leave on the line are skipped with it unless one could be a keyword.
void readOneVector(ObjReader* reader, GlmIndexKind kind, float* array, unsigned size) {
  if (reader->fill) {
    glmScanFloats(&reader->text, array + size_t(++reader->seen[kind]) * size, size);
    return;
  }
  countMore(reader, &reader->seen[kind], 1);
  const char* lineEnd = GLM_FAST_PATHS ? glmPlainLineEnd(reader->text.at, reader->text.end, GLM_WORD_MAX) : nullptr;
  if (lineEnd) reader->text.at = lineEnd;
  else glmScanFloats(&reader->text, nullptr, size);
}

void readVectors(ObjReader* reader, GlmSpan keyword, GlmIndexKind kind, float* array, unsigned size) {
  const GlmKeywordBytes same = glmKeywordBytes(keyword.text, keyword.length);
  do readOneVector(reader, kind, array, size);
  while (nextKeywordIs(reader, same));
}

void readVectorKeyword(ObjReader* reader, GlmSpan word) {
  Model* model = reader->model;
  char second = word.length > 1 ? word.text[1] : '\0';
  if (second == '\0') readVectors(reader, word, GLM_VERTEX, model->vertices, 3);
  else if (second == 'n') readVectors(reader, word, GLM_NORMAL, model->normals, 3);
  else if (second == 't') readVectors(reader, word, GLM_TEXCOORD, model->texcoords, 2);
  else if (GlmObjFailure* failure = fail(reader, GLM_UNKNOWN_TOKEN, word.text)) glmSpanToString(word, failure->word);
}

// --- Groups, materials, material libraries ---

void recordEvent(ObjReader* reader, char keyword, GlmSpan line) {
  GlmObjChunk* chunk = reader->chunk;
  if (chunk->numevents == chunk->capacity) {
    void* events = checkedGrow(chunk->events, &chunk->capacity, sizeof(GlmObjEvent));
    if (!events) {
      fail(reader, GLM_NO_MEMORY_LEFT, line.text);
      return;
    }
    chunk->events = static_cast<GlmObjEvent*>(events);
  }
  if (keyword == 'g') reader->groupEvent = chunk->numevents;
  chunk->events[chunk->numevents++] = {keyword, line, 0, nullptr, 0};
}

// "g", "usemtl", "mtllib": their names are read from the rest of the line when the chunks are
// joined, in file order. Filling takes a group line's group and place from its event.
void readNamedLine(ObjReader* reader, char keyword) {
  GlmSpan line = glmScanLine(&reader->text);
  if (!reader->fill) {
    recordEvent(reader, keyword, line);
    return;
  }
  const GlmObjEvent& event = reader->chunk->events[reader->nextEvent++];
  if (keyword != 'g') return;
  reader->group = event.group;
  reader->cursor = event.cursor;
}

}  // namespace

void glmWalkObjChunk(GlmObjSource* source, GlmObjChunk* chunk, bool fill) {
  ObjReader reader = {};
  reader.model = source->model;
  reader.chunk = chunk;
  reader.text = {chunk->begin, source->file.bytes + source->file.size};
  reader.fill = fill;
  reader.groupEvent = -1;
  if (fill) {
    memcpy(reader.seen, chunk->firstSeen, sizeof reader.seen);
    reader.total[GLM_VERTEX] = source->model->numvertices;
    reader.total[GLM_TEXCOORD] = source->model->numtexcoords;
    reader.total[GLM_NORMAL] = source->model->numnormals;
    reader.numtriangles = chunk->firstTriangle;
    reader.group = chunk->group;
    reader.cursor = chunk->cursor;
  }
  readKeywords(&reader);
  if (!fill) memcpy(chunk->seen, reader.seen, sizeof reader.seen);
}
