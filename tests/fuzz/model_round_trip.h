// What the OBJ and MTL fuzz targets do with a file: read it through glmTryReadOBJ, and again cut
// into small chunks on two threads, which must give the same result; when it reads, put the
// model through normals and welding, write it in a mode the input chooses, read the written file
// back and check that nothing was lost.
#ifndef TESTS_FUZZ_MODEL_ROUND_TRIP_H
#define TESTS_FUZZ_MODEL_ROUND_TRIP_H

#include <cstddef>
#include <cstdint>
#include <string>

// One fuzz input: writes the fixed file `fixedName` (once per run) and the input as `inputName`
// beside it, in a private directory removed when the fuzzer exits; then reads "model.obj"
// there, whole and in chunks, and when it reads, runs the round trip in a mode taken from the
// input's length. Aborts when the two reads differ or the model read back differs in its counts.
void fuzzModelFiles(const char* fixedName, const char* fixedText, const char* inputName, const uint8_t* data,
                    size_t size);

#endif
