// The OBJ reader's passes over a file cut into chunks, and the joins between them.
//
// A chunk starts at a line whose first character is a letter or "#". The reader always meets
// such a line expecting a keyword: numbers of vector lines stop at their line end, names and
// skipped lines end with it, and a face only goes on onto a line that starts with a number. (A
// face keyword whose first vertex word would be on that line fails the read, in the chunk before
// it.) So each chunk can be walked on its own, by its own thread, and gives what a walk of the
// whole file gives there, once it knows what came before it: how many elements, which group,
// which material. Joining supplies that in file order, and reports the first failure in file
// order; the model is the same however the file was cut.
#include "glm/glm.h"
#include "glm/memory.h"
#include "glm/obj_reader.h"
#include "glm/parallel.h"
#include "glm/read_mtl.h"
#include "glm/record.h"
#include "glm/text_scan.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Chunks of about this size; files of fewer than two are read in one, on the calling thread.
constexpr size_t CHUNK_BYTES = size_t(1) << 20;
// More threads than this gain nothing on the memory traffic of a read.
constexpr unsigned MAX_READ_THREADS = 4;

bool startsKeywordLine(const char* p) {
  char c = char(*p | 0x20);
  return p[-1] == '\n' && ((c >= 'a' && c <= 'z') || *p == '#');
}

// The first line start at or after `from` where a chunk may begin, or `end`.
const char* chunkStart(const char* from, const char* end) {
  for (const char* p = from; p < end; p++) {
    p = static_cast<const char*>(memchr(p, '\n', size_t(end - p)));
    if (!p) return end;
    if (p + 1 < end && startsKeywordLine(p + 1)) return p + 1;
  }
  return end;
}

bool cutIntoChunks(GlmObjSource* source, size_t chunkBytes) {
  const char* bytes = source->file.bytes;
  const char* end = bytes + source->file.size;
  size_t most = chunkBytes ? source->file.size / chunkBytes + 1 : 1;
  source->chunks = static_cast<GlmObjChunk*>(glmTryAllocate(most, sizeof(GlmObjChunk)));
  if (!source->chunks) return false;
  const char* begin = bytes;
  do {
    const char* stop = chunkBytes && size_t(end - begin) > chunkBytes ? chunkStart(begin + chunkBytes, end) : end;
    GlmObjChunk* chunk = &source->chunks[source->numchunks++];
    chunk->begin = begin;
    chunk->end = stop;
    begin = stop;
  } while (begin < end);
  return true;
}

struct Pass {
  GlmObjSource* source;
  bool fill;
};

void walkChunk(void* context, unsigned index) {
  Pass* pass = static_cast<Pass*>(context);
  GlmObjChunk* chunk = &pass->source->chunks[index];
  glmWalkObjChunk(pass->source, chunk, pass->fill);
  releaseFileBytes(&pass->source->file, chunk->begin, chunk->end);
}

void runPass(GlmObjSource* source, unsigned threads, bool fill) {
  Pass pass = {source, fill};
  glmRunTasks(source->numchunks, threads, walkChunk, &pass);
}

// --- Failures ---

bool reportOutOfMemory(const char* path) {
  fprintf(stderr, "glmReadOBJ() failed: out of memory reading \"%s\".\n", path);
  return false;
}

bool reportFailure(const GlmObjSource* source, const GlmObjFailure& failure) {
  const char* path = source->model->pathname;
  unsigned line = failure.at ? glmLineNumber(source->file.bytes, failure.at) : 0;
  static const char* const INDEX_KIND_NAMES[] = {"vertex", "texture coordinate", "normal"};
  switch (failure.kind) {
    case GLM_UNKNOWN_TOKEN: printf("glmFirstPass(): Unknown token \"%s\".\n", failure.word); break;
    case GLM_BAD_INDEX:
      fprintf(stderr, "glmReadOBJ() failed: \"%s\" line %u: %s index %d is out of range (%u defined).\n", path, line,
              INDEX_KIND_NAMES[failure.indexKind], failure.index, failure.defined);
      break;
    case GLM_FACE_WITHOUT_INDEX:
      fprintf(stderr, "glmReadOBJ() failed: \"%s\" line %u: face vertex \"%s\" holds no vertex index.\n", path, line,
              failure.word);
      break;
    case GLM_TOO_MANY_ELEMENTS: fprintf(stderr, "glmReadOBJ() failed: \"%s\" holds too many elements.\n", path); break;
    case GLM_NO_MEMORY_LEFT: reportOutOfMemory(path); break;
    case GLM_READ_CLEANLY: return true;
  }
  return false;
}

// --- Joining what the chunks counted ---

bool addCount(unsigned* total, unsigned more) {
  if (more > UINT_MAX - 1 - *total) return false;
  *total += more;
  return true;
}

// Element and triangle numbers: each chunk starts where the chunks before it end.
bool addCounts(Model* model, GlmObjChunk* chunk) {
  unsigned* totals[3] = {&model->numvertices, &model->numtexcoords, &model->numnormals};
  for (int kind = 0; kind < 3; kind++) {
    chunk->firstSeen[kind] = *totals[kind];
    if (!addCount(totals[kind], chunk->seen[kind])) return false;
  }
  chunk->firstTriangle = model->numtriangles;
  return addCount(&model->numtriangles, chunk->triangles);
}

// The name on the rest of a group line, and the group it names, created when new.
ModelGroup* namedGroup(GlmObjSource* source, GlmSpan line) {
  char name[GLM_WORD_BUFFER];
  glmTrimmedLine(line, name);
  ModelGroup* group = static_cast<ModelGroup*>(glmFindName(&source->groups, name));
  if (group) return group;
  group = glmAddGroup(source->model, name);
  if (group && !glmAddName(&source->groups, group->name, group)) return nullptr;
  return group;
}

// "mtllib": the library is read at once, so a missing one fails the read where it stands; a
// line without a name reads none.
bool readLibrary(GlmObjSource* source, GlmSpan line) {
  char name[GLM_WORD_BUFFER];
  glmLineName(line, name);
  if (!name[0]) return true;
  Model* model = source->model;
  free(model->mtllibname);
  model->mtllibname = glmTryCopyString(name);
  if (!model->mtllibname) return reportOutOfMemory(model->pathname);
  return glmTryReadMTL(model, name);
}

// Creates the groups and reads the libraries in file order, gives each group line its group and
// the place of its triangles in the group's list, and each chunk the counts before it.
bool joinCounts(GlmObjSource* source, ModelGroup** current) {
  Model* model = source->model;
  for (unsigned c = 0; c < source->numchunks; c++) {
    GlmObjChunk* chunk = &source->chunks[c];
    if (!addCounts(model, chunk)) return reportFailure(source, {GLM_TOO_MANY_ELEMENTS, chunk->begin, {}, {}, 0, 0});
    chunk->group = *current;
    chunk->cursor = (*current)->numtriangles;
    (*current)->numtriangles += chunk->leadingTriangles;
    for (unsigned e = 0; e < chunk->numevents; e++) {
      GlmObjEvent* event = &chunk->events[e];
      if (event->keyword == 'm' && !readLibrary(source, event->line)) return false;
      if (event->keyword != 'g') continue;
      event->group = *current = namedGroup(source, event->line);
      if (!*current) return reportOutOfMemory(model->pathname);
      event->cursor = (*current)->numtriangles;
      (*current)->numtriangles += event->triangles;
    }
    if (!reportFailure(source, chunk->failure)) return false;
  }
  return true;
}

// The model's four large arrays, whose fresh pages the threads set up side by side, in pieces
// of whole huge pages.
struct LargeArrays {
  char* starts[4];
  size_t bytes[4];
};
constexpr size_t PIECE_BYTES = size_t(1) << 21;

size_t piecesOf(const LargeArrays& arrays, unsigned array) {
  uintptr_t first = uintptr_t(arrays.starts[array]) / PIECE_BYTES;
  uintptr_t last = (uintptr_t(arrays.starts[array]) + arrays.bytes[array]) / PIECE_BYTES;
  return arrays.bytes[array] ? last - first + 1 : 0;
}

void preparePiece(void* context, unsigned piece) {
  const LargeArrays* arrays = static_cast<const LargeArrays*>(context);
  size_t index = piece;
  unsigned array = 0;
  for (; array < 4 && index >= piecesOf(*arrays, array); array++) index -= piecesOf(*arrays, array);
  uintptr_t start = uintptr_t(arrays->starts[array]), end = start + arrays->bytes[array];
  uintptr_t from = (start / PIECE_BYTES + index) * PIECE_BYTES;
  from = from > start ? from : start;
  uintptr_t to = from - from % PIECE_BYTES + PIECE_BYTES;
  glmPreparePages(reinterpret_cast<void*>(from), (to < end ? to : end) - from);
}

void prepareLargeArrays(Model* model, unsigned threads) {
  LargeArrays arrays = {{reinterpret_cast<char*>(model->vertices), reinterpret_cast<char*>(model->triangles),
                         reinterpret_cast<char*>(model->normals), reinterpret_cast<char*>(model->texcoords)},
                        {(size_t(model->numvertices) + 1) * 3 * sizeof(float), size_t(model->numtriangles) * sizeof(ModelTriangle),
                         model->normals ? (size_t(model->numnormals) + 1) * 3 * sizeof(float) : 0,
                         model->texcoords ? (size_t(model->numtexcoords) + 1) * 2 * sizeof(float) : 0}};
  size_t pieces = 0;
  for (unsigned array = 0; array < 4; array++) pieces += piecesOf(arrays, array);
  glmRunTasks(unsigned(pieces), threads, preparePiece, &arrays);
}

// Arrays are zero-filled, so numbers a short line does not give read as 0.
bool allocateArrays(GlmObjSource* source, unsigned threads) {
  Model* model = source->model;
  model->vertices = static_cast<float*>(glmTryAllocateLargeUnprepared(size_t(model->numvertices) + 1, 3 * sizeof(float)));
  model->triangles = static_cast<ModelTriangle*>(glmTryAllocateLargeUnprepared(model->numtriangles, sizeof(ModelTriangle)));
  if (model->numnormals)
    model->normals = static_cast<float*>(glmTryAllocateLargeUnprepared(size_t(model->numnormals) + 1, 3 * sizeof(float)));
  if (model->numtexcoords)
    model->texcoords = static_cast<float*>(glmTryAllocateLargeUnprepared(size_t(model->numtexcoords) + 1, 2 * sizeof(float)));
  bool allocated = model->vertices && model->triangles && (model->normals || !model->numnormals) &&
                   (model->texcoords || !model->numtexcoords);
  if (allocated) prepareLargeArrays(model, threads);
  for (ModelGroup* group = model->groups; allocated && group; group = group->next) {
    group->triangles = static_cast<unsigned*>(glmTryAllocateLarge(group->numtriangles, sizeof(unsigned)));
    allocated = group->triangles != nullptr;
  }
  for (unsigned i = 0; allocated && i < model->nummaterials; i++)
    allocated = glmAddName(&source->materials, model->materials[i].name, &model->materials[i]);
  return allocated || reportOutOfMemory(model->pathname);
}

// Material lines, resolved against the last library the file names: a group's material is the
// current material at its last group line or its last material line, whichever is later. Lines
// after a failure are not looked at.
void resolveMaterials(GlmObjSource* source, const char* failedAt) {
  int material = 0;
  ModelGroup* group = source->chunks[0].group;
  for (unsigned c = 0; c < source->numchunks; c++) {
    const GlmObjChunk& chunk = source->chunks[c];
    for (unsigned e = 0; e < chunk.numevents && !(failedAt && chunk.events[e].line.text > failedAt); e++) {
      const GlmObjEvent& event = chunk.events[e];
      if (event.keyword == 'g') group = event.group;
      if (event.keyword == 'u') {
        char name[GLM_WORD_BUFFER];
        glmLineName(event.line, name);
        auto* found = static_cast<const ModelMaterial*>(glmFindName(&source->materials, name));
        if (!found) glmReportMissingMaterial(name);
        material = found ? int(found - source->model->materials) : 0;
      }
      if (event.keyword != 'm') group->material = material;
    }
  }
}

// The first chunk that failed while filling, or null.
const GlmObjChunk* firstFailedChunk(const GlmObjSource* source) {
  for (unsigned c = 0; c < source->numchunks; c++)
    if (source->chunks[c].failure.kind != GLM_READ_CLEANLY) return &source->chunks[c];
  return nullptr;
}

bool readChunks(GlmObjSource* source, const GlmObjReadPlan& plan) {
  Model* model = source->model;
  ModelGroup* current = glmAddGroup(model, "default");
  if (!current || !glmAddName(&source->groups, current->name, current) || !cutIntoChunks(source, plan.chunkBytes))
    return reportOutOfMemory(model->pathname);
  runPass(source, plan.threads, false);
  if (!joinCounts(source, &current) || !allocateArrays(source, plan.threads)) return false;
  runPass(source, plan.threads, true);
  const GlmObjChunk* failed = firstFailedChunk(source);
  resolveMaterials(source, failed ? failed->failure.at : nullptr);
  return !failed || reportFailure(source, failed->failure);
}

void freeChunks(GlmObjSource* source) {
  for (unsigned c = 0; c < source->numchunks; c++) free(source->chunks[c].events);
  free(source->chunks);
}

// Reads the file into source->model; false after a one-line message when that fails.
bool readModel(GlmObjSource* source, const char* filename, const GlmObjReadPlan& plan) {
  FileBytesResult loaded = loadFileBytes(filename, true, &source->file);
  if (loaded == FILE_BYTES_CANNOT_OPEN) {
    fprintf(stderr, "glmReadOBJ() failed: can't open data file \"%s\".\n", filename);
    return false;
  }
  source->model = static_cast<Model*>(glmTryAllocate(1, sizeof(Model)));
  if (source->model) source->model->pathname = glmTryCopyString(filename);
  if (loaded == FILE_BYTES_OUT_OF_MEMORY || !source->model || !source->model->pathname) return reportOutOfMemory(filename);
  return readChunks(source, plan);
}

}  // namespace

Model* glmTryReadOBJPlanned(const char* filename, const GlmObjReadPlan* plan) {
  GlmObjSource source = {};
  bool read = readModel(&source, filename, *plan);
  unloadFileBytes(&source.file);
  glmFreeNameIndex(&source.groups);
  glmFreeNameIndex(&source.materials);
  freeChunks(&source);
  if (read) return source.model;
  if (source.model) glmFreeModel(source.model);
  return nullptr;
}

Model* glmTryReadOBJ(const char* filename) {
  GlmObjReadPlan plan = {0, 1};
  if (GLM_FAST_PATHS) plan = {CHUNK_BYTES, glmProcessorCount() < MAX_READ_THREADS ? glmProcessorCount() : MAX_READ_THREADS};
  return glmTryReadOBJPlanned(filename, &plan);
}

Model* glmReadOBJ(const char* filename) {
  Model* model = glmTryReadOBJ(filename);
  if (!model) exit(1);
  return model;
}
