// kerbmodel: the model library's operations on OBJ files from the command line.
//   kerbmodel info [--json] MODEL.obj
//   kerbmodel convert [OPTIONS] IN.obj OUT.obj
// Exit status 0, 1 for a model that cannot be read or written (with the reader's or writer's
// one-line message), 2 for a command line that cannot be carried out (with the usage).
#include <CLI/CLI.hpp>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "glm/glm.h"
#include "kerbmodel/commands.h"

namespace {
const char* const USAGE =
    "Usage: kerbmodel info [--json] MODEL.obj\n"
    "       kerbmodel convert [OPTIONS] IN.obj OUT.obj\n"
    "       kerbmodel [info|convert] --help\n"
    "       kerbmodel --version\n";

const char* const CONVERT_ORDER =
    "The steps run in this order, whatever the order of the options: weld, fit, scale, flip,\n"
    "facet normals, smooth normals, texture coordinates, write. Without --write the output holds\n"
    "what the model has: its normals (the facet normals when --facet-normals is given without\n"
    "--smooth), its texture coordinates and, when it names a material library, its materials.\n"
    "The material library is written beside OUT under OUT's name (OUT.mtl for OUT.obj).";

struct WriteWord {
  const char* word;
  unsigned flag;
};
const WriteWord WRITE_WORDS[] = {
    {"flat", GLMMODE_FLAT},   {"smooth", GLMMODE_SMOOTH},     {"texture", GLMMODE_TEXTURE},
    {"color", GLMMODE_COLOR}, {"material", GLMMODE_MATERIAL},
};

// A number the model library can take: a float that is finite and within [low, high]. The
// validator has no description of its own: the option's value name says what is expected.
CLI::Validator floatWithin(double low, double high, const char* expected) {
  return CLI::Validator(
      [=](std::string& text) {
        double value = 0;
        bool number =
            CLI::detail::lexical_cast(text, value) && std::isfinite(value) && std::fabs(value) <= FLT_MAX;
        if (number && value >= low && value <= high) return std::string();
        return "\"" + text + "\" is not " + expected;
      },
      "");
}

// One of `words`, said plainly when it is not.
CLI::Validator oneOf(std::vector<std::string> words, const char* expected) {
  return CLI::Validator(
      [=](std::string& text) {
        for (const std::string& word : words)
          if (text == word) return std::string();
        return "\"" + text + "\" is not " + expected;
      },
      "");
}

unsigned writeModeOf(const std::vector<std::string>& words) {
  unsigned mode = GLMMODE_NONE;
  for (const std::string& word : words)
    for (const WriteWord& known : WRITE_WORDS)
      if (word == known.word) mode |= known.flag;
  return mode;
}

// Flags the library would quietly drop one of; asking for both is a mistake on the command line.
void checkWriteMode(unsigned mode) {
  if ((mode & GLMMODE_FLAT) && (mode & GLMMODE_SMOOTH))
    throw CLI::ValidationError("--write", "flat and smooth exclude each other");
  if ((mode & GLMMODE_COLOR) && (mode & GLMMODE_MATERIAL))
    throw CLI::ValidationError("--write", "color and material exclude each other");
}

void addInfo(CLI::App* app, InfoRequest* request) {
  CLI::App* info =
      app->add_subcommand("info", "Counts, groups, materials, bounding box and extents of a model");
  info->add_option("MODEL", request->model, "OBJ file (its material library is read beside it)")
      ->type_name("")
      ->required();
  info->add_flag("--json", request->json, "One JSON object instead of the table");
}

void addConvert(CLI::App* app, ConvertRequest* request, std::vector<std::string>* writeWords) {
  const double ANY = FLT_MAX;
  CLI::App* convert = app->add_subcommand("convert", "Read a model, change it, write it as OBJ");
  convert->footer(CONVERT_ORDER);
  convert->add_option("IN", request->input, "OBJ file to read")->type_name("")->required();
  convert->add_option("OUT", request->output, "OBJ file to write")->type_name("")->required();
  convert->add_option("--weld", request->weldEpsilon, "Merge vertices closer than EPS on every axis")
      ->type_name("EPS")
      ->check(floatWithin(0, ANY, "a number of 0 or more"));
  convert->add_flag("--fit", request->fit, "Centre on the origin and scale into the cube -1..1");
  convert->add_option("--scale", request->scaleFactor, "Multiply every coordinate by S")
      ->type_name("S")
      ->check(floatWithin(-ANY, ANY, "a finite number"));
  convert->add_flag("--flip", request->flip, "Reverse every triangle's winding and negate the normals");
  convert->add_flag("--facet-normals", request->facetNormals, "Compute one normal per triangle");
  convert
      ->add_option("--smooth", request->creaseAngle,
                   "Compute vertex normals; facets less than ANGLE degrees (0 to 180) apart share them")
      ->type_name("ANGLE")
      ->check(floatWithin(0, 180, "an angle from 0 to 180 degrees"));
  convert
      ->add_option("--texcoords", request->texcoords,
                   "Generate texture coordinates: planar (from x and z) or sphere (from the normals)")
      ->type_name("planar|sphere")
      ->check(oneOf({"planar", "sphere"}, "planar or sphere"));
  convert
      ->add_option("--write", *writeWords,
                   "What OUT holds besides positions, any of flat, smooth, texture, color, material")
      ->type_name("WHAT,...")
      ->delimiter(',')
      ->allow_extra_args(false)
      ->check(oneOf({"flat", "smooth", "texture", "color", "material"},
                    "one of flat, smooth, texture, color, material"));
}

// Options with values are known to be given by their count.
void noteGivenOptions(CLI::App* convert, ConvertRequest* request,
                      const std::vector<std::string>& writeWords) {
  request->weld = convert->count("--weld") > 0;
  request->scale = convert->count("--scale") > 0;
  request->smooth = convert->count("--smooth") > 0;
  request->writeModeGiven = convert->count("--write") > 0;
  request->writeMode = writeModeOf(writeWords);
  if (request->writeModeGiven) checkWriteMode(request->writeMode);
}

int usageError(const std::string& message) {
  if (!message.empty()) fprintf(stderr, "kerbmodel: %s\n", message.c_str());
  fputs(USAGE, stderr);
  return EXIT_USAGE;
}
}  // namespace

int main(int argc, char** argv) {
  CLI::App app("Wavefront OBJ models on the command line: report what a model holds, or convert it.",
               "kerbmodel");
  app.set_version_flag("--version", "kerbmodel " KERB_VERSION);
  app.require_subcommand(1);
  InfoRequest info;
  ConvertRequest convert;
  std::vector<std::string> writeWords;
  addInfo(&app, &info);
  addConvert(&app, &convert, &writeWords);
  try {
    app.parse(argc, argv);
    if (app.got_subcommand("convert")) noteGivenOptions(app.get_subcommand("convert"), &convert, writeWords);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help or --version, on standard output
  } catch (const CLI::Error& e) {
    return usageError(e.what());
  }
  if (app.got_subcommand("info")) return runInfo(info);
  int status = runConvert(convert);
  return status == EXIT_USAGE ? usageError("") : status;
}
