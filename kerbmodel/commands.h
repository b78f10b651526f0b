// The subcommands of kerbmodel, apart from the command line that chooses them.
#ifndef KERBMODEL_COMMANDS_H
#define KERBMODEL_COMMANDS_H

#include <string>

// Exit statuses besides 0: a model file that cannot be read or written, and a command line
// that asks for something the tool cannot do.
constexpr int EXIT_BAD_MODEL = 1;
constexpr int EXIT_USAGE = 2;

struct InfoRequest {
  std::string model;
  bool json = false;  // one JSON object instead of the table
};

// What convert does. The steps run in the order of the fields, whatever the order of the
// options on the command line; a step not asked for is skipped.
struct ConvertRequest {
  std::string input;
  std::string output;
  bool weld = false;
  float weldEpsilon = 0;  // vertices closer than this on every axis become one
  bool fit = false;       // into the cube -1..1, centred on the origin
  bool scale = false;
  float scaleFactor = 1;
  bool flip = false;  // reverse every triangle's corners, negate the normals
  bool facetNormals = false;
  bool smooth = false;
  float creaseAngle = 0;  // degrees; needs facet normals, which are computed for it
  std::string texcoords;  // "", "planar" or "sphere"
  bool writeModeGiven = false;
  unsigned writeMode = 0;  // GLMMODE_ flags; when not given, what the model has
};

// Prints what the model holds on standard output. Returns the exit status; messages for
// anything but 0 have been printed on standard error.
int runInfo(const InfoRequest& request);
// Reads request.input, runs the steps and writes request.output. Returns the exit status; on
// EXIT_USAGE the reason has been printed but not the usage.
int runConvert(const ConvertRequest& request);

#endif
