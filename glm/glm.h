// Model library: Wavefront OBJ/MTL polygon models in memory.
//
// A Model owns flat arrays of vertices, normals, texture coordinates and facet
// normals (all 1-based: entry 0 is allocated but never filled), a 0-based array
// of triangles, a 0-based array of materials (entry 0 is "default") and a
// newest-first list of groups whose last element is the group "default".
//
// Everything returned comes from the C heap: release models with glmFreeModel
// and plain buffers with free. Failures to open files and malformed input end
// the process with exit status 1 after a one-line message (glmTryReadOBJ returns
// null instead); programming errors (null models, missing arrays) fail an
// assertion.
#ifndef GLM_GLM_H
#define GLM_GLM_H

// Mode flags for glmDraw and glmWriteOBJ, combined with bitwise or.
constexpr unsigned GLMMODE_NONE = 0;       // positions only
constexpr unsigned GLMMODE_FLAT = 1;       // one normal per triangle (facet normals)
constexpr unsigned GLMMODE_SMOOTH = 2;     // one normal per corner
constexpr unsigned GLMMODE_TEXTURE = 4;    // texture coordinates
constexpr unsigned GLMMODE_COLOR = 8;      // per-group colour from the material's diffuse
constexpr unsigned GLMMODE_MATERIAL = 16;  // per-group OpenGL material

struct ModelTriangle {
  unsigned vidx[3];  // vertex index of each corner, in drawing order
  unsigned nidx[3];  // normal index of each corner (0 when none was given)
  unsigned tidx[3];  // texture-coordinate index of each corner (0 when none was given)
  unsigned fidx;     // facet-normal index, set by glmComputeFacetNormals
};

struct ModelGroup {
  char* name;             // compared byte for byte
  unsigned numtriangles;  // number of entries in triangles
  unsigned* triangles;    // 0-based indices into Model::triangles, in file order
  int material;           // 0-based index into Model::materials
  ModelGroup* next;       // next older group; null for "default"
};

struct ModelMaterial {
  char* name;
  float diffuse[4];  // RGBA
  float ambient[4];  // RGBA
  float specular[4]; // RGBA
  float shininess;   // specular exponent, 0 to 128
};

struct Model {
  char* pathname;    // the path the model was read from
  char* mtllibname;  // material library as named in the file, or null

  unsigned numvertices;
  float* vertices;   // (numvertices + 1) * 3 floats

  unsigned numnormals;
  float* normals;    // (numnormals + 1) * 3 floats, or null

  unsigned numtexcoords;
  float* texcoords;  // (numtexcoords + 1) * 2 floats, or null

  unsigned numfacetnorms;
  float* facetnorms; // (numfacetnorms + 1) * 3 floats, or null

  unsigned numtriangles;
  ModelTriangle* triangles;  // numtriangles entries

  unsigned nummaterials;
  ModelMaterial* materials;  // nummaterials entries, or null

  unsigned numgroups;
  ModelGroup* groups;        // newest group first; "default" last

  float position[3];         // for the caller's use; the library never touches it
};

// --- Record and lookups ---

// The newest group named exactly `name`, or null.
ModelGroup* glmLookupGroup(Model* model, const char* name);
// The group named `name`, created at the head of the list when missing.
ModelGroup* glmEnsureGroup(Model* model, const char* name);
// 0-based index of the first material named `name`; prints a message and returns 0 when none is.
unsigned glmFindMaterial(Model* model, const char* name);
// Releases the model and everything it owns.
void glmFreeModel(Model* model);
// New string: `path` up to and including its last '/', or "" without one. Caller frees.
char* glmPathDirectory(const char* path);

// --- Reading ---

// Reads an OBJ file and the material library it names. Never returns null: a file that
// cannot be opened or a malformed face or keyword ends the process with status 1.
Model* glmReadOBJ(const char* filename);
// glmReadOBJ for files a program's users choose: every failure (a file that cannot be opened,
// an unknown keyword, a bad index, too many elements, memory running out) prints the same
// one-line message and returns null, having freed everything it allocated.
Model* glmTryReadOBJ(const char* filename);
// Reads material library `name` (looked for beside model->pathname) into model->materials,
// replacing any earlier library. Exits with status 1 when it cannot be opened.
void glmReadMTL(Model* model, const char* name);

// --- Vector helpers and normals ---

float glmAbsValue(float f);
// b when b > a, otherwise a.
float glmLarger(float a, float b);
float glmDotProduct(const float* u, const float* v);
// n = u x v; n must not alias u or v.
void glmCrossProduct(const float* u, const float* v, float* n);
// Scales v to unit length (a zero vector becomes non-finite).
void glmMakeUnit(float* v);
// Replaces facetnorms with one unit normal per triangle and sets every fidx.
void glmComputeFacetNormals(Model* model);
// Replaces normals with crease-angle smoothed corner normals and sets every nidx.
// Needs facet normals. `angle` is in degrees.
void glmVertexNormals(Model* model, float angle);

// --- Fitting and transforms ---

// Centres the bounding box on the origin and scales it into the cube -1..1; returns the scale.
float glmFitUnitCube(Model* model);
// Writes the extents |max| + |min| along x, y and z into dimensions[0..2].
void glmMeasureExtents(Model* model, float* dimensions);
void glmScaleVertices(Model* model, float scale);
// Reverses the corner order of every triangle and negates all normals.
void glmFlipWinding(Model* model);

// --- Drawing (needs a current OpenGL context) ---

// Draws the model with OpenGL immediate mode, one GL_TRIANGLES batch per group.
void glmDraw(Model* model, unsigned mode);
// Compiles glmDraw(model, mode) into a new display list and returns its name.
unsigned glmMakeDisplayList(Model* model, unsigned mode);

// --- Texture-coordinate generation ---

// One texture coordinate per vertex from its x and z; tidx = vidx.
void glmPlanarTexCoords(Model* model);
// One texture coordinate per corner normal (sphere map); tidx = nidx. Needs normals.
void glmSphereMapTexCoords(Model* model);

// --- Welding ---

// True when u and v differ by less than epsilon in each component.
bool glmVectorsEqual(const float* u, const float* v, float epsilon);
// Returns a new array (room for *numvectors + 1 vectors) holding the distinct vectors of the
// 1-based `vectors`, writes their count to *numvectors, and leaves each input vector's new index
// in its x component. Caller frees.
float* glmWeldVectorArray(float* vectors, unsigned* numvectors, float epsilon);
// Merges vertices within epsilon of each other and renumbers every triangle's vidx.
void glmWeldVertices(Model* model, float epsilon);

// --- Writing ---

// Writes the model as OBJ (and with GLMMODE_MATERIAL its MTL library beside it, under the
// last path component of mtllibname). A triangle without texture coordinates or normals is
// written without them, so the file reads back to the same model.
// Exits with status 1 when a file cannot be opened or written.
void glmWriteOBJ(Model* model, const char* path, unsigned mode);
// Writes the material library into the directory of `modelpath`, under the last path component
// of `mtllibname`.
void glmWriteMTL(Model* model, const char* modelpath, const char* mtllibname);

// --- PPM images ---

// Reads a binary "P6" PPM file. Returns width * height * 3 bytes (top row first, RGB) and
// stores the size, or returns null with a message on standard error. Caller frees.
unsigned char* glmReadRawPPM(const char* path, int* width, int* height);

#endif
