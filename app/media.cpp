#include "app/media.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {
bool holdsFile(const fs::path& folder, const char* file) {
  std::error_code error;
  return fs::is_regular_file(folder / file, error);
}

std::string workingDirectory() {
  std::error_code error;
  fs::path folder = fs::current_path(error);
  return error ? std::string(".") : folder.string();
}
}  // namespace

std::string installedMediaFolder(const char* relativeFolder) {
  fs::path folder(relativeFolder);
  if (folder.is_absolute()) return folder.lexically_normal().string();
  // The program's real path, symbolic links resolved: a link to it elsewhere finds the
  // media of the tree the program itself lies in.
  std::error_code error;
  fs::path program = fs::read_symlink("/proc/self/exe", error);
  if (error) return "";
  return (program.parent_path() / folder).lexically_normal().string();
}

bool enterMediaFolder(const char* markerFile, const std::string& installedFolder) {
  if (holdsFile(".", markerFile)) return true;
  if (!installedFolder.empty() && holdsFile(installedFolder, markerFile) &&
      chdir(installedFolder.c_str()) == 0)
    return true;
  fprintf(stderr,
          "kerbhopper: \"%s\" is neither in the working directory \"%s\" nor in the media folder \"%s\".\n",
          markerFile, workingDirectory().c_str(),
          installedFolder.empty() ? "(unknown)" : installedFolder.c_str());
  return false;
}
