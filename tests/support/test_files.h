// Test fixtures on disk: a private temporary directory, removed with everything in it.
#ifndef TESTS_SUPPORT_TEST_FILES_H
#define TESTS_SUPPORT_TEST_FILES_H

#include <string>
#include <thread>
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

// A named pipe in a directory that serves `contents` to its first reader, from a thread of its
// own, joined when the object goes: a file without a size, read until it ends.
class PipedFile {
 public:
  PipedFile(const TempDir& dir, const std::string& name, const std::string& contents);
  ~PipedFile();
  PipedFile(const PipedFile&) = delete;
  PipedFile& operator=(const PipedFile&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::thread writer_;
};

// The whole file as bytes; fails the current test when it cannot be read.
std::string readFile(const std::string& path);

#endif
