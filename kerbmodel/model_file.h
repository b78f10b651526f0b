// Model files for kerbmodel: reading through the entry point that returns null, writing in a
// way that never leaves a half-written model under the output's name.
#ifndef KERBMODEL_MODEL_FILE_H
#define KERBMODEL_MODEL_FILE_H

#include <memory>
#include <string>

#include "glm/glm.h"

struct ModelDeleter {
  void operator()(Model* model) const { glmFreeModel(model); }
};
using ModelPtr = std::unique_ptr<Model, ModelDeleter>;

// Reads an OBJ file and the material library it names; null after the reader's one-line
// message on standard error.
ModelPtr readModel(const std::string& path);

// Writes the model as OBJ with the GLMMODE_ flags in `mode` (with GLMMODE_MATERIAL its library
// beside it, under model->mtllibname). The OBJ goes to a file beside `path` first and takes
// its name only when complete, so a failed write (which ends the process with status 1 and
// the writer's message) leaves an earlier file of that name as it was. False, after a message,
// when `path` cannot be written.
bool writeModel(Model* model, const std::string& path, unsigned mode);

// True when standard output took everything written to it; otherwise says so on standard error.
bool standardOutputWritten();

#endif
