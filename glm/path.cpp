// File paths: a name joined to a model's directory, and a path's last component.
#include "glm/glm.h"
#include "glm/memory.h"
#include "glm/path.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

char* glmTryPathBeside(const char* path, const char* name) {
  const char* slash = strrchr(path, '/');
  size_t directory = slash ? size_t(slash - path) + 1 : 0, length = strlen(name);
  char* joined = static_cast<char*>(glmTryAllocate(directory + length + 1, 1));
  if (!joined) return nullptr;
  memcpy(joined, path, directory);
  memcpy(joined + directory, name, length);
  return joined;
}

const char* glmPathFileName(const char* path) {
  const char* slash = strrchr(path, '/');
  return slash ? slash + 1 : path;
}

char* glmPathDirectory(const char* path) {
  char* directory = glmTryPathBeside(path, "");
  if (directory) return directory;
  fprintf(stderr, "glmPathDirectory(): out of memory.\n");
  exit(1);
}
