#include "support/test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kerbhopper-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) ADD_FAILURE() << "cannot create a temporary directory";
  root_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string TempDir::path(const std::string& name) const { return root_ + "/" + name; }

std::string TempDir::write(const std::string& name, const std::string& contents) const {
  std::string full = path(name);
  std::filesystem::create_directories(std::filesystem::path(full).parent_path());
  std::ofstream out(full, std::ios::binary);
  out << contents;
  EXPECT_TRUE(out.good()) << "cannot write " << full;
  return full;
}

PipedFile::PipedFile(const TempDir& dir, const std::string& name, const std::string& contents)
    : path_(dir.path(name)) {
  if (mkfifo(path_.c_str(), 0600) != 0) ADD_FAILURE() << "cannot make the pipe " << path_;
  writer_ = std::thread([this, contents] {
    FILE* pipe = fopen(path_.c_str(), "w");
    if (!pipe) return;
    fwrite(contents.data(), 1, contents.size(), pipe);
    fclose(pipe);
  });
}

PipedFile::~PipedFile() { writer_.join(); }

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}
