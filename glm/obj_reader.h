// The OBJ reader's records, shared by the keyword walk (read_obj.cpp) and the chunks it walks
// (obj_chunks.cpp). Not part of the public interface.
#ifndef GLM_OBJ_READER_H
#define GLM_OBJ_READER_H

#include "glm/glm.h"
#include "glm/name_index.h"
#include "glm/text_scan.h"
#include "image/file_bytes.h"

#include <cstddef>

// The kinds of index a face vertex can give, in the order of the "v/t/n" word.
enum GlmIndexKind { GLM_VERTEX, GLM_TEXCOORD, GLM_NORMAL };

enum GlmObjFailureKind {
  GLM_READ_CLEANLY,
  GLM_UNKNOWN_TOKEN,
  GLM_BAD_INDEX,
  GLM_FACE_WITHOUT_INDEX,
  GLM_TOO_MANY_ELEMENTS,
  GLM_NO_MEMORY_LEFT,
};

// The first failure met in a chunk, reported when the chunks are joined.
struct GlmObjFailure {
  GlmObjFailureKind kind;
  const char* at;               // where in the file
  char word[GLM_WORD_BUFFER];   // the unknown keyword, or the face vertex without an index
  GlmIndexKind indexKind;       // a bad index: its kind, value, and how many elements there are
  int index;
  unsigned defined;
};

// A group, material or material-library line. Counting records them; joining acts on them in
// file order; filling takes each group line's group and place from them.
struct GlmObjEvent {
  char keyword;        // 'g', 'u' or 'm'
  GlmSpan line;        // the rest of its line, as the keyword walk read it
  unsigned triangles;  // 'g': the triangles after it in its chunk, up to the chunk's next group line
  ModelGroup* group;   // 'g': the group it names (set when joining)
  unsigned cursor;     // 'g': where its first triangle goes in the group's list (set when joining)
};

// A stretch of the file from a line start to a line start, walked by one thread in each pass.
struct GlmObjChunk {
  const char* begin;
  const char* end;
  // Counted:
  unsigned seen[3];           // vertices, texture coordinates, normals, by GlmIndexKind
  unsigned triangles;
  unsigned leadingTriangles;  // before its first group line: they go to the group current at its start
  GlmObjEvent* events;
  unsigned numevents;
  size_t capacity;
  // Where filling starts (set when joining):
  unsigned firstSeen[3];
  unsigned firstTriangle;
  ModelGroup* group;
  unsigned cursor;
  GlmObjFailure failure;
};

// What the passes over all chunks share.
struct GlmObjSource {
  Model* model;
  FileBytes file;
  GlmNameIndex groups;      // every group, by name
  GlmNameIndex materials;   // the first material of each name
  GlmObjChunk* chunks;
  unsigned numchunks;
};

// Walks the keywords of one chunk: counting (and recording its events) or filling.
void glmWalkObjChunk(GlmObjSource* source, GlmObjChunk* chunk, bool fill);

// How a file is cut into chunks and how many threads walk them.
struct GlmObjReadPlan {
  size_t chunkBytes;  // about this many bytes a chunk; 0 for the whole file in one
  unsigned threads;
};
// glmTryReadOBJ with a chosen plan: any plan gives the same model (the tests compare them).
Model* glmTryReadOBJPlanned(const char* filename, const GlmObjReadPlan* plan);

#endif
