/* The peer reader's implementation, compiled once from its header beside the project. */
#define FAST_OBJ_IMPLEMENTATION
#include KERB_FAST_OBJ
