// kerbmodel convert: reads a model, runs the steps asked for in their fixed order and writes
// the result as OBJ (and MTL).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "kerbmodel/commands.h"
#include "kerbmodel/model_file.h"

namespace {
// What a written file can hold that the model must have first, and the option that gives it.
struct WriteNeed {
  unsigned flag;
  const char* word;
  const char* lacking;  // why the model cannot be written so, and what to add
};

const WriteNeed WRITE_NEEDS[] = {
    {GLMMODE_FLAT, "flat", "needs facet normals: add --facet-normals"},
    {GLMMODE_SMOOTH, "smooth", "needs normals, which the model lacks: add --smooth ANGLE"},
    {GLMMODE_TEXTURE, "texture",
     "needs texture coordinates, which the model lacks: add --texcoords planar|sphere"},
    {GLMMODE_COLOR, "color", "needs materials, which the model lacks (it names no material library)"},
    {GLMMODE_MATERIAL, "material", "needs materials, which the model lacks (it names no material library)"},
};

bool holds(const Model& model, unsigned flag) {
  switch (flag) {
    case GLMMODE_FLAT:
      return model.facetnorms != nullptr;
    case GLMMODE_SMOOTH:
      return model.normals != nullptr;
    case GLMMODE_TEXTURE:
      return model.texcoords != nullptr;
    default:
      return model.materials != nullptr;
  }
}

// What the model has: its normals (the facet normals when only those were asked for), its
// texture coordinates, and its materials when it names a library.
unsigned defaultWriteMode(const Model& model, const ConvertRequest& request) {
  unsigned mode = GLMMODE_NONE;
  if (model.normals && (request.smooth || !request.facetNormals)) {
    mode |= GLMMODE_SMOOTH;
  } else if (model.facetnorms) {
    mode |= GLMMODE_FLAT;
  }
  if (model.texcoords) mode |= GLMMODE_TEXTURE;
  if (model.mtllibname && model.materials) mode |= GLMMODE_MATERIAL;
  return mode;
}

bool writableAs(const Model& model, unsigned mode) {
  for (const WriteNeed& need : WRITE_NEEDS)
    if ((mode & need.flag) && !holds(model, need.flag)) {
      fprintf(stderr, "kerbmodel convert: --write %s %s.\n", need.word, need.lacking);
      return false;
    }
  return true;
}

// The material library goes beside the output under the output's own name: "car_unit.obj"
// gets "car_unit.mtl". Keeping the name the input gave would overwrite the input's library
// whenever the output lies beside it, and a library holds more than the model keeps
// (texture maps, transparency). False when the output would be its own library.
bool nameLibraryAfter(Model* model, const std::string& output) {
  std::filesystem::path path(output);
  std::string library = path.stem().string() + ".mtl";
  if (path.filename() == library) {
    fprintf(stderr,
            "kerbmodel convert: the output \"%s\" would be its own material library: give it another name.\n",
            output.c_str());
    return false;
  }
  char* name = strdup(library.c_str());
  if (!name) {
    fprintf(stderr, "kerbmodel convert: out of memory.\n");
    exit(EXIT_BAD_MODEL);
  }
  free(model->mtllibname);
  model->mtllibname = name;
  return true;
}

// The steps before writing; false (after a message) when one cannot run on this model.
bool runSteps(Model* model, const ConvertRequest& request) {
  if (request.weld) glmWeldVertices(model, request.weldEpsilon);
  if (request.fit) glmFitUnitCube(model);
  if (request.scale) glmScaleVertices(model, request.scaleFactor);
  if (request.flip) glmFlipWinding(model);
  if (request.facetNormals || request.smooth) glmComputeFacetNormals(model);
  if (request.smooth) glmVertexNormals(model, request.creaseAngle);
  if (request.texcoords == "planar") glmPlanarTexCoords(model);
  if (request.texcoords == "sphere") {
    if (!model->normals) {
      fprintf(stderr,
              "kerbmodel convert: --texcoords sphere needs normals, which the model lacks: add --smooth "
              "ANGLE.\n");
      return false;
    }
    glmSphereMapTexCoords(model);
  }
  return true;
}
}  // namespace

int runConvert(const ConvertRequest& request) {
  ModelPtr model = readModel(request.input);
  if (!model) return EXIT_BAD_MODEL;
  if (!runSteps(model.get(), request)) return EXIT_USAGE;
  unsigned mode = request.writeModeGiven ? request.writeMode : defaultWriteMode(*model, request);
  if (!writableAs(*model, mode)) return EXIT_USAGE;
  if ((mode & GLMMODE_MATERIAL) && !nameLibraryAfter(model.get(), request.output)) return EXIT_USAGE;
  return writeModel(model.get(), request.output, mode) ? 0 : EXIT_BAD_MODEL;
}
