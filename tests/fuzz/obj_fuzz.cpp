// Feeds arbitrary bytes to the OBJ reader as a model file beside a small fixed material library,
// and puts every model that reads through a write and a read back.
#include "model_round_trip.h"

namespace {

const char LIBRARY[] = "Kd 0.3 0.3 0.3\nnewmtl red\nKd 1 0 0\nNs 200\nnewmtl glass\nKa 0 0 0.2\nKd 0.1 0.1 0.3\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzModelFiles("lib.mtl", LIBRARY, "model.obj", data, size);
  return 0;
}
