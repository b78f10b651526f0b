// Whole-file reading: every way into memory (a heap block, a mapping, a pipe) gives the file's
// bytes followed by a zero, failures say why and leave nothing to release, and no file stays open.
#include "image/file_bytes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <string>

#include "support/test_files.h"

namespace {

// Bytes that are never zero, different at every place within a page and from page to page.
std::string pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; i++) bytes[i] = char(1 + (i * 7 + i / 4093) % 255);
  return bytes;
}

size_t openDescriptors() {
  return size_t(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

class FileBytesTest : public testing::Test {
 protected:
  ~FileBytesTest() override { unloadFileBytes(&file); }

  // Loads `path`, expecting it to hold `contents`, then a zero.
  void expectLoads(const std::string& path, bool mapLarge, const std::string& contents) {
    ASSERT_EQ(loadFileBytes(path.c_str(), mapLarge, &file), FILE_BYTES_LOADED);
    ASSERT_EQ(file.size, contents.size());
    EXPECT_TRUE(std::string(file.bytes, file.size) == contents);
    EXPECT_EQ(file.bytes[file.size], '\0');
  }

  TempDir dir;
  FileBytes file = {};
};

TEST_F(FileBytesTest, SmallFilesAreReadIntoTheHeapEitherWay) {
  std::string contents = pattern(5000);
  std::string path = dir.write("small", contents);
  for (bool mapLarge : {false, true}) {
    expectLoads(path, mapLarge, contents);
    EXPECT_EQ(file.mapped, 0u);
    unloadFileBytes(&file);
  }
  expectLoads(dir.write("empty", ""), true, "");
}

TEST_F(FileBytesTest, LargeFilesAreMappedOnlyWhenAsked) {
  std::string contents = pattern((size_t(1) << 20) + 12345);
  std::string path = dir.write("large", contents);
  expectLoads(path, false, contents);
  EXPECT_EQ(file.mapped, 0u);
  unloadFileBytes(&file);
  expectLoads(path, true, contents);
  EXPECT_GT(file.mapped, file.size);
}

// The terminator of a mapped file lies on the zero page after it.
TEST_F(FileBytesTest, MappedFileEndingOnAPageBoundaryIsFollowedByAZero) {
  std::string contents = pattern(size_t(2) << 20);
  expectLoads(dir.write("pages", contents), true, contents);
  EXPECT_NE(file.mapped, 0u);
}

TEST_F(FileBytesTest, PipeIsReadUntilItEndsHoweverLong) {
  std::string contents = pattern(700000);
  PipedFile pipe(dir, "pipe", contents);
  expectLoads(pipe.path(), true, contents);
  EXPECT_EQ(file.mapped, 0u);
}

// Pages given back are read again from the file; a heap block keeps its bytes.
TEST_F(FileBytesTest, ReleasedBytesReadTheSameAfterwards) {
  for (size_t size : {size_t(3) << 20, size_t(50000)}) {
    std::string contents = pattern(size);
    expectLoads(dir.write("file" + std::to_string(size), contents), true, contents);
    releaseFileBytes(&file, file.bytes + 1, file.bytes + size - 1);
    EXPECT_TRUE(std::string(file.bytes, file.size) == contents) << size;
    unloadFileBytes(&file);
  }
}

TEST_F(FileBytesTest, FailuresSayWhyAndLeaveNothingToRelease) {
  struct Case {
    std::string path;
    int error;
  } cases[] = {
      {dir.path("missing"), ENOENT}, {dir.path(""), EISDIR}, {dir.write("file", "x") + "/below", ENOTDIR}};
  for (const Case& c : cases) {
    file = {reinterpret_cast<char*>(&file), 1, 1};
    errno = 0;
    EXPECT_EQ(loadFileBytes(c.path.c_str(), true, &file), FILE_BYTES_CANNOT_OPEN) << c.path;
    EXPECT_EQ(errno, c.error) << c.path;
    EXPECT_EQ(file.bytes, nullptr);
    EXPECT_EQ(file.mapped, 0u);
  }
}

TEST_F(FileBytesTest, EveryLoadClosesItsFile) {
  std::string small = dir.write("small", "abc"), large = dir.write("large", pattern(size_t(1) << 21));
  size_t before = openDescriptors();
  for (const std::string& path : {small, large, dir.path(""), dir.path("missing")}) {
    loadFileBytes(path.c_str(), true, &file);
    unloadFileBytes(&file);
  }
  EXPECT_EQ(openDescriptors(), before);
}

}  // namespace
