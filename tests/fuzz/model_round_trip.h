// What the OBJ and MTL fuzz targets do with a file: read it through glmTryReadOBJ, and again cut
// into small chunks on two threads, which must give the same result; when it reads, put the
// model through normals and welding, write it in a mode the input chooses, read the written file
// back and check that nothing was lost.
#ifndef TESTS_FUZZ_MODEL_ROUND_TRIP_H
#define TESTS_FUZZ_MODEL_ROUND_TRIP_H

#include <cstddef>
#include <cstdint>
#include <string>

// A private directory for the whole run, removed when the fuzzer exits, with the subdirectories
// "in" (the file read) and "out" (the files written).
const std::string& fuzzDirectory();
// Writes `size` bytes of `data` to `path`.
void writeFuzzFile(const std::string& path, const uint8_t* data, size_t size);
// Reads the OBJ at `path`, whole and in chunks of a size taken from `choice`; when it reads,
// runs the round trip with a mode taken from `choice`. Aborts when the two reads differ or the
// model read back differs in its counts.
void readAndRoundTrip(const std::string& path, uint8_t choice);

#endif
