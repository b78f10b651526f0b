// Feeds arbitrary bytes to the OBJ reader as a model file beside a small fixed material library,
// and puts every model that reads through a write and a read back.
#include "model_round_trip.h"

#include <cstring>

namespace {

const char LIBRARY[] = "Kd 0.3 0.3 0.3\nnewmtl red\nKd 1 0 0\nNs 200\nnewmtl glass\nKa 0 0 0.2\nKd 0.1 0.1 0.3\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string directory = fuzzDirectory() + "/in";
  static const bool libraryWritten = [] {
    writeFuzzFile(directory + "/lib.mtl", reinterpret_cast<const uint8_t*>(LIBRARY), strlen(LIBRARY));
    return true;
  }();
  (void)libraryWritten;
  writeFuzzFile(directory + "/model.obj", data, size);
  // The choice of mode is a byte the reader hardly depends on: the file's length.
  readAndRoundTrip(directory + "/model.obj", uint8_t(size * 37));
  return 0;
}
