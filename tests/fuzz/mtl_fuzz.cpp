// Feeds arbitrary bytes to the MTL reader as the library of a small fixed model, and puts every
// model that reads through a write and a read back.
#include "model_round_trip.h"

namespace {

const char MODEL[] =
    "mtllib lib.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 1\nvn 0 0 1\n"
    "usemtl red\nf 1/1/1 2/2/1 3/1/1\ng body\nusemtl glass\nf 1 3 4\ng trim\nusemtl default\nf 4//1 3//1 2//1\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzModelFiles("model.obj", MODEL, "lib.mtl", data, size);
  return 0;
}
