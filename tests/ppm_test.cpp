#include "glm/glm.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

const std::string TWELVE_BYTES = "ABCDEFGHIJKL";

struct PpmResult {
  unsigned char* pixels;
  int width;
  int height;
  std::string errors;

  ~PpmResult() { free(pixels); }
  std::string bytes(size_t count) const { return std::string(reinterpret_cast<char*>(pixels), count); }
};

// Reads `path` with width and height preset to -7, so a failure can be seen to leave them alone.
void readPpm(const std::string& path, PpmResult* result) {
  result->width = result->height = -7;
  testing::internal::CaptureStderr();
  result->pixels = glmReadRawPPM(path.c_str(), &result->width, &result->height);
  result->errors = testing::internal::GetCapturedStderr();
}

void expectRejected(const std::string& contents, const std::string& messagePart) {
  TempDir dir;
  std::string path = dir.write("bad.ppm", contents);
  PpmResult result;
  readPpm(path, &result);
  EXPECT_EQ(result.pixels, nullptr) << contents;
  EXPECT_EQ(result.width, -7);
  EXPECT_EQ(result.height, -7);
  EXPECT_EQ(result.errors.rfind(path + ": ", 0), 0u) << result.errors;
  EXPECT_NE(result.errors.find(messagePart), std::string::npos) << result.errors;
  EXPECT_EQ(result.errors.find('\n'), result.errors.size() - 1) << "one line: " << result.errors;
}

void expectTwoByTwo(const std::string& header) {
  TempDir dir;
  PpmResult result;
  readPpm(dir.write("image.ppm", header + TWELVE_BYTES), &result);
  ASSERT_NE(result.pixels, nullptr) << header << result.errors;
  EXPECT_EQ(result.width, 2);
  EXPECT_EQ(result.height, 2);
  EXPECT_EQ(result.bytes(12), TWELVE_BYTES);
  EXPECT_EQ(result.errors, "");
}

TEST(ReadRawPpm, ReadsPixelsInFileOrderAfterCommentedHeader) {
  expectTwoByTwo("P6\n# made by hand\n2 2\n255\n");
}

TEST(ReadRawPpm, TakesHeaderNumbersInAnyGroupingOverLines) {
  expectTwoByTwo("P6\n2 2 255\n");
  expectTwoByTwo("P6\n2\n2\n255\n");
  expectTwoByTwo("P6\n2\n# between\n2 255\n");
  expectTwoByTwo("P6 99 99 99\n2 2 255 trailing words\n");  // numbers on the magic line are not seen
}

TEST(ReadRawPpm, SkipsBlankLinesInHeader) { expectTwoByTwo("P6\n\n2 2\n\n   \n255\n"); }

TEST(ReadRawPpm, IgnoresMaximumValueAndTakesSingleBytes) { expectTwoByTwo("P6\n2 2 65535\n"); }

TEST(ReadRawPpm, PixelBytesMayLookLikeHeaderText) {
  TempDir dir;
  PpmResult result;
  const std::string pixels("# 9\n\0\n", 6);
  readPpm(dir.write("image.ppm", "P6\n1 2 255\n" + pixels), &result);
  ASSERT_NE(result.pixels, nullptr);
  EXPECT_EQ(result.bytes(6), pixels);
}

// Header lines are read at most 69 characters at a time: a comment that fits is skipped
// whole, the continuation of a longer one is scanned for numbers.
TEST(ReadRawPpm, CommentUpToSixtyNineCharactersIsSkippedWhole) {
  std::string comment = "#" + std::string(61, 'x') + " 7 7 7\n";
  ASSERT_EQ(comment.size(), 69u);
  expectTwoByTwo("P6\n" + comment + "2 2 255\n");
}

TEST(ReadRawPpm, ContinuationOfLongCommentIsScannedForNumbers) {
  std::string comment = "#" + std::string(68, 'x') + " 2 2 255\n";
  expectTwoByTwo("P6\n" + comment);
}

TEST(ReadRawPpm, ContinuationOfLongMagicLineIsScannedForNumbers) {
  expectTwoByTwo("P6" + std::string(67, ' ') + "2 2\n255\n");
}

TEST(ReadRawPpm, RejectsOtherMagicWithTheFileName) {
  expectRejected("P3\n2 2 255\n" + TWELVE_BYTES, "Not a raw PPM file");
  expectRejected("", "Not a raw PPM file");
  expectRejected("P", "Not a raw PPM file");
}

TEST(ReadRawPpm, ReportsMissingFileAsPerrorDoes) {
  TempDir dir;
  std::string path = dir.path("missing.ppm");
  PpmResult result;
  readPpm(path, &result);
  EXPECT_EQ(result.pixels, nullptr);
  EXPECT_EQ(result.errors, path + ": No such file or directory\n");
  EXPECT_EQ(result.width, -7);
}

TEST(ReadRawPpm, ReportsDirectoryAsPerrorDoes) {
  TempDir dir;
  PpmResult result;
  readPpm(dir.path(""), &result);
  EXPECT_EQ(result.pixels, nullptr);
  EXPECT_EQ(result.errors, dir.path("") + ": Is a directory\n");
}

TEST(ReadRawPpm, RejectsHeaderThatEndsBeforeThreeNumbers) {
  expectRejected("P6\n", "header ends");
  expectRejected("P6\n2 2\n", "header ends");
  expectRejected("P6\n\n\n\n", "header ends");
  expectRejected("P6\n# only a comment\nwords but no numbers\n", "header ends");
}

TEST(ReadRawPpm, RejectsPixelDataShorterThanAnnounced) {
  expectRejected("P6\n2 2 255\n" + TWELVE_BYTES.substr(0, 11), "shorter");
  expectRejected("P6\n2 2 255\n", "shorter");
}

TEST(ReadRawPpm, RejectsSizesWithoutPixels) {
  expectRejected("P6\n0 2 255\n", "positive");
  expectRejected("P6\n2 0 255\n", "positive");
  expectRejected("P6\n-2 -2 255\n" + TWELVE_BYTES, "positive");
  expectRejected("P6\n2 2 0\n" + TWELVE_BYTES, "maximum value");
  expectRejected("P6\n2 2 -255\n" + TWELVE_BYTES, "maximum value");
}

TEST(ReadRawPpm, RejectsSizesWhoseByteCountOverflows) {
  expectRejected("P6\n65536 65536 255\n", "too large");
  expectRejected("P6\n1 715827883 255\n", "too large");  // 3 bytes each: just past INT_MAX
  expectRejected("P6\n99999999999999999999 1 255\n", "too large");
}

TEST(ReadRawPpm, ReadsThroughAPipe) {
  TempDir dir;
  PipedFile pipe(dir, "pipe.ppm", "P6\n2 2 255\n" + TWELVE_BYTES);
  PpmResult result;
  readPpm(pipe.path(), &result);
  ASSERT_NE(result.pixels, nullptr) << result.errors;
  EXPECT_EQ(result.width, 2);
  EXPECT_EQ(result.bytes(12), TWELVE_BYTES);
}

// A file this large takes another way into memory; bytes after the pixels are not read.
TEST(ReadRawPpm, LargeFileGivesItsPixelsAndNothingAfterThem) {
  std::string pixels;
  for (int i = 0; i < 700 * 600 * 3; i++) pixels += char(i % 253);
  TempDir dir;
  PpmResult result;
  readPpm(dir.write("large.ppm", "P6\n700 600\n255\n" + pixels + "trailing"), &result);
  ASSERT_NE(result.pixels, nullptr) << result.errors;
  EXPECT_EQ(result.width, 700);
  EXPECT_EQ(result.height, 600);
  EXPECT_TRUE(result.bytes(pixels.size()) == pixels);
}

// Every prefix of a valid file goes into a file of its own; AddressSanitizer watches
// for any read past what the reader took in.
TEST(ReadRawPpm, EveryTruncatedPrefixFailsCleanly) {
  const std::string whole = "P6\n# c\n2 2\n255\n" + TWELVE_BYTES;
  TempDir dir;
  for (size_t length = 0; length < whole.size(); length++) {
    PpmResult result;
    readPpm(dir.write("prefix" + std::to_string(length) + ".ppm", whole.substr(0, length)), &result);
    EXPECT_EQ(result.pixels, nullptr) << "prefix of " << length << " bytes";
    EXPECT_EQ(result.width, -7);
    EXPECT_NE(result.errors, "");
  }
  PpmResult complete;
  readPpm(dir.write("whole.ppm", whole), &complete);
  EXPECT_NE(complete.pixels, nullptr);
}

}  // namespace
