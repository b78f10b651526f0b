#include "kerbmodel/model_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// The file a write in progress goes to; removed at exit should the writer end the process.
std::string partialFile;

void removePartialFile() {
  if (!partialFile.empty()) remove(partialFile.c_str());
}

// Runs `work` with standard output sent to standard error. The model library prints some
// warnings, and its message for an unknown keyword, on standard output, which here carries
// only what the tool reports.
template <typename Work>
auto withOutputOnStderr(Work work) {
  fflush(stdout);
  int saved = dup(STDOUT_FILENO);
  if (saved >= 0) dup2(STDERR_FILENO, STDOUT_FILENO);
  auto result = work();
  fflush(stdout);
  if (saved >= 0) {
    dup2(saved, STDOUT_FILENO);
    close(saved);
  }
  return result;
}
}  // namespace

ModelPtr readModel(const std::string& path) {
  return ModelPtr(withOutputOnStderr([&] { return glmTryReadOBJ(path.c_str()); }));
}

bool writeModel(Model* model, const std::string& path, unsigned mode) {
  static const bool cleanupRegistered = atexit(removePartialFile) == 0;
  (void)cleanupRegistered;
  partialFile = path + ".partial";
  FILE* probe = fopen(partialFile.c_str(), "w");
  if (!probe) {
    fprintf(stderr, "kerbmodel: can't write \"%s\": %s.\n", path.c_str(), strerror(errno));
    partialFile.clear();
    return false;
  }
  fclose(probe);
  withOutputOnStderr([&] {
    glmWriteOBJ(model, partialFile.c_str(), mode);
    return 0;
  });
  bool renamed = rename(partialFile.c_str(), path.c_str()) == 0;
  if (!renamed) fprintf(stderr, "kerbmodel: can't write \"%s\": %s.\n", path.c_str(), strerror(errno));
  removePartialFile();
  partialFile.clear();
  return renamed;
}

bool standardOutputWritten() {
  if (fflush(stdout) == 0 && !ferror(stdout)) return true;
  fprintf(stderr, "kerbmodel: can't write the standard output: %s.\n", strerror(errno));
  return false;
}
