// The MTL reader as the OBJ reader uses it (not part of the public interface).
#ifndef GLM_READ_MTL_H
#define GLM_READ_MTL_H

struct Model;

// glmReadMTL that reports instead of exiting: false after its one-line message when the library
// cannot be opened or memory runs out. The model is then still whole: it keeps its earlier
// materials or holds the new library's, some of them perhaps without a name.
bool glmTryReadMTL(Model* model, const char* name);

#endif
