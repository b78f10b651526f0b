// File paths: where a material library lies beside its model (not part of the public interface).
#ifndef GLM_PATH_H
#define GLM_PATH_H

// The directory of `path` (up to and including its last '/', or nothing) followed by `name`:
// where a material library named in a model file lies. Null when out of memory.
char* glmTryPathBeside(const char* path, const char* name);
// The last component of `path`: what follows its last '/', or all of it without one.
const char* glmPathFileName(const char* path);

#endif
