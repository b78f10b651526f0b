// Test fixtures on disk: a private temporary directory, removed with everything in it.
#ifndef TESTS_SUPPORT_TEST_FILES_H
#define TESTS_SUPPORT_TEST_FILES_H

#include <string>
#include <vector>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Absolute path of `name` inside the directory.
  std::string path(const std::string& name) const;
  // Writes `contents` (bytes, not text: nothing is translated) to `name`; returns its path.
  std::string write(const std::string& name, const std::string& contents) const;

 private:
  std::string root_;
};

// The whole file as bytes; fails the current test when it cannot be read.
std::string readFile(const std::string& path);

#endif
