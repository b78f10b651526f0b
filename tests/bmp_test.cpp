// BMP loading: a corpus written by ImageMagick and Pillow checked against Pillow's own
// decoding, hand-made run-length and bit-field files, every malformation, and truncation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "image/bmp.h"
#include "image/bmp_decode.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

namespace {

// ---- byte builders for hand-made files (headers and file header from support/bmp_writer) ----

// Colour of palette entry i in the hand-made tables: never black, different for each i.
std::string rgbOf(int i) { return {char(i * 16 + 1), char(i * 16 + 2), char(i * 16 + 3)}; }
std::string black(int pixels) { return std::string(size_t(pixels) * 3, '\0'); }

std::string colorTable(int entries, int entrySize = 4) {
  std::string table;
  for (int i = 0; i < entries; ++i) {
    std::string rgb = rgbOf(i);
    table += std::string{rgb[2], rgb[1], rgb[0]} + std::string(size_t(entrySize - 3), '\0');
  }
  return table;
}

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += char(v);
  return out;
}

// ---- loading with everything the call printed ----

struct Loaded {
  bool ok = false;
  int32_t width = 0;
  int32_t height = 0;
  std::string pixels;  // RGB, as returned
  std::string stderrText;
};

// Takes the image, null after a failure, and releases it.
Loaded take(RgbImage* image) {
  Loaded result;
  result.stderrText = testing::internal::GetCapturedStderr();
  if (image) {
    result.ok = true;
    result.width = image->width;
    result.height = image->height;
    result.pixels.assign(reinterpret_cast<char*>(image->pixels), size_t(image->width) * image->height * 3);
  }
  freeBmpImage(image);
  return result;
}

Loaded loadPath(const std::string& path) {
  testing::internal::CaptureStderr();
  return take(loadBmpImage(path.c_str()));
}

Loaded loadBytes(const std::string& contents) {
  TempDir dir;
  return loadPath(dir.write("image.bmp", contents));
}

void expectError(const std::string& contents, const std::string& message) {
  Loaded loaded = loadBytes(contents);
  EXPECT_FALSE(loaded.ok);
  EXPECT_EQ(loaded.stderrText, "Error: " + message + "\n");
}

// ---- the corpus written by the fixture (tests/bmp_corpus.py) ----

struct CorpusEntry {
  std::string name;
  int32_t width;
  int32_t height;
  int tolerance;
};

std::string corpusPath(const std::string& name) { return std::string(KERB_BMP_CORPUS_DIR) + "/" + name; }

std::vector<CorpusEntry> readManifest() {
  std::ifstream manifest(corpusPath("manifest.txt"));
  std::vector<CorpusEntry> entries;
  CorpusEntry entry;
  while (manifest >> entry.name >> entry.width >> entry.height >> entry.tolerance) entries.push_back(entry);
  return entries;
}

// Largest difference between two equally long byte strings.
int largestDifference(const std::string& a, const std::string& b) {
  int largest = 0;
  for (size_t i = 0; i < a.size(); ++i)
    largest = std::max(largest, std::abs(int((unsigned char)a[i]) - int((unsigned char)b[i])));
  return largest;
}

class BmpCorpus : public testing::Test {
 protected:
  void SetUp() override {
    entries_ = readManifest();
    ASSERT_GE(entries_.size(), 20u) << "no corpus in " << KERB_BMP_CORPUS_DIR
                                    << "; ctest's bmp_corpus fixture writes it";
  }
  std::vector<CorpusEntry> entries_;
};

TEST_F(BmpCorpus, EveryFileDecodesAsPillowDecodesIt) {
  for (const CorpusEntry& entry : entries_) {
    SCOPED_TRACE(entry.name);
    Loaded loaded = loadPath(corpusPath(entry.name + ".bmp"));
    ASSERT_TRUE(loaded.ok) << loaded.stderrText;
    EXPECT_EQ(loaded.stderrText, "");
    EXPECT_EQ(loaded.width, entry.width);
    EXPECT_EQ(loaded.height, entry.height);
    std::string expected = readFile(corpusPath(entry.name + ".rgb"));
    ASSERT_EQ(loaded.pixels.size(), expected.size());
    EXPECT_LE(largestDifference(loaded.pixels, expected), entry.tolerance);
  }
}

TEST_F(BmpCorpus, WideNameLoadsTheSameImage) {
  std::string path = corpusPath("im_8bit.bmp");
  testing::internal::CaptureStderr();
  Loaded wide = take(loadBmpImageWide(std::wstring(path.begin(), path.end()).c_str()));
  ASSERT_TRUE(wide.ok);
  EXPECT_EQ(wide.pixels, loadPath(path).pixels);
}

TEST_F(BmpCorpus, PipeLoadsTheSameImage) {
  std::string path = corpusPath("im_rle8.bmp");
  TempDir dir;
  PipedFile pipe(dir, "pipe.bmp", readFile(path));
  Loaded piped = loadPath(pipe.path());
  ASSERT_TRUE(piped.ok) << piped.stderrText;
  EXPECT_EQ(piped.pixels, loadPath(path).pixels);
}

// Every prefix of a valid file goes to the decoder in its own heap block of exactly that
// size, so the address sanitizer sees any read past the end. Prefixes fail with a message
// until the file is complete; only the last row's padding may be missing.
TEST_F(BmpCorpus, EveryPrefixFailsCleanly) {
  for (const char* name : {"im_1bit", "im_4bit", "im_rle8", "rle4", "core_8bit", "bare_core_4bit", "rgb555",
                           "bitfields565", "topdown_24bit", "im_24bit_w6", "short_table_8bit", "im_32bit"}) {
    SCOPED_TRACE(name);
    std::string file = readFile(corpusPath(std::string(name) + ".bmp"));
    size_t firstLoadable = file.size() + 1;
    for (size_t length = 0; length <= file.size(); ++length) {
      unsigned char* block = static_cast<unsigned char*>(malloc(length ? length : 1));
      std::copy(file.begin(), file.begin() + long(length), block);
      const char* error = nullptr;
      RgbImage* image = decodeBmpImage(block, length, &error);
      free(block);
      if (image) {
        freeBmpImage(image);
        firstLoadable = std::min(firstLoadable, length);
      } else {
        ASSERT_NE(error, nullptr);
        EXPECT_LT(length, firstLoadable) << "a longer prefix failed after a shorter one loaded";
      }
    }
    EXPECT_GE(firstLoadable + 3, file.size());
  }
}

// ---- hand-made files: layouts the corpus tools do not write ----

TEST(BmpLayout, TwentyFourBitRowsLoseTheirPaddingAndKeepFileOrder) {
  std::string rows = bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0});
  Loaded loaded = loadBytes(bmpFile(bmpInfoHeader(3, 2, 24), rows));
  ASSERT_TRUE(loaded.ok);
  EXPECT_EQ(loaded.pixels, bytes({3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16}));
}

TEST(BmpLayout, TopDownRowsAreFlippedToBottomUpWithPositiveHeight) {
  std::string rows = bytes({1, 1, 1, 0}) + bytes({2, 2, 2, 0});
  Loaded loaded = loadBytes(bmpFile(bmpInfoHeader(1, -2, 24), rows));
  ASSERT_TRUE(loaded.ok);
  EXPECT_EQ(loaded.height, 2);
  EXPECT_EQ(loaded.pixels, bytes({2, 2, 2, 1, 1, 1}));
}

TEST(BmpLayout, BareHeaderFindsPixelsRightAfterTheTable) {
  std::string core = bmpCoreHeader(2, 1, 8) + colorTable(256, 3) + bytes({5, 7, 0, 0});
  std::string info = bmpInfoHeader(2, 1, 8, 0, 0, 9) + colorTable(9) + bytes({5, 7, 0, 0});
  EXPECT_EQ(loadBytes(core).pixels, rgbOf(5) + rgbOf(7));
  EXPECT_EQ(loadBytes(info).pixels, rgbOf(5) + rgbOf(7));
}

TEST(BmpPalette, IndicesBeyondTheColourTableAreBlack) {
  std::string headers = bmpInfoHeader(4, 1, 8, 0, 0, 3) + colorTable(3);
  Loaded loaded = loadBytes(bmpFile(headers, bytes({0, 2, 3, 255})));
  EXPECT_EQ(loaded.pixels, rgbOf(0) + rgbOf(2) + black(2));
}

TEST(BmpPalette, TableSizeFollowsColoursUsedModulo65536OrTheDepth) {
  EXPECT_EQ(bmpColorTableSize(bmpInfoHeader(1, 1, 8).data()), 256);
  EXPECT_EQ(bmpColorTableSize(bmpInfoHeader(1, 1, 4, 0, 0, 5).data()), 5);
  EXPECT_EQ(bmpColorTableSize(bmpInfoHeader(1, 1, 1, 0, 0, 65536 + 3).data()), 3);
  EXPECT_EQ(bmpColorTableSize(bmpInfoHeader(1, 1, 24).data()), 0);
  EXPECT_EQ(bmpColorTableSize(bmpCoreHeader(1, 1, 4).data()), 16);
  EXPECT_EQ(bmpColorTableSize(bmpCoreHeader(1, 1, 24).data()), 0);
}

TEST(BmpPalette, OneAndFourBitIndicesAreReadHighBitsFirst) {
  Loaded one = loadBytes(bmpFile(bmpInfoHeader(10, 1, 1) + colorTable(2), bytes({0xA5, 0x40, 0, 0})));
  EXPECT_EQ(one.pixels, rgbOf(1) + rgbOf(0) + rgbOf(1) + rgbOf(0) + rgbOf(0) + rgbOf(1) + rgbOf(0) +
                            rgbOf(1) + rgbOf(0) + rgbOf(1));
  Loaded four = loadBytes(bmpFile(bmpInfoHeader(3, 1, 4) + colorTable(16), bytes({0x3C, 0x70, 0, 0})));
  EXPECT_EQ(four.pixels, rgbOf(3) + rgbOf(12) + rgbOf(7));
}

TEST(BmpChannels, FiveBitChannelsWidenByRepeatingTheirTopBits) {
  // 0x7FFF, then red 16 (top bit set: ignored), then green 1, blue 30.
  std::string pixels = u16(0x7FFF) + u16(0x8000 | 16 << 10) + u16(1 << 5 | 30) + u16(0);
  Loaded loaded = loadBytes(bmpFile(bmpInfoHeader(3, 1, 16), pixels));
  EXPECT_EQ(loaded.pixels, bytes({255, 255, 255, 132, 0, 0, 0, 8, 247}));
}

TEST(BmpChannels, BitFieldMasksOfAnyWidthAreHonoured) {
  std::string masks565 = u32(0xF800) + u32(0x07E0) + u32(0x001F);
  Loaded rgb565 = loadBytes(bmpFile(bmpInfoHeader(2, 1, 16, 3) + masks565, u16(0xFFFF) + u16(1 << 5 | 1)));
  EXPECT_EQ(rgb565.pixels, bytes({255, 255, 255, 0, 4, 8}));

  std::string masks444 = u32(0x0F00) + u32(0x00F0) + u32(0x000F);
  Loaded rgb444 = loadBytes(bmpFile(bmpInfoHeader(1, 1, 16, 3) + masks444, u16(0x0A5F) + u16(0)));
  EXPECT_EQ(rgb444.pixels, bytes({0xAA, 0x55, 0xFF}));

  // 10 bits each, blue lowest: the top 8 bits of each channel.
  std::string masks1010 = u32(0x3FF00000) + u32(0x000FFC00) + u32(0x000003FF);
  uint32_t pixel = 0x3FFu << 20 | 0x200u << 10 | 0x0FFu;
  Loaded rgb1010 = loadBytes(bmpFile(bmpInfoHeader(1, 1, 32, 3) + masks1010, u32(pixel)));
  EXPECT_EQ(rgb1010.pixels, bytes({255, 128, 63}));

  std::string noMasks = u32(0) + u32(0) + u32(0);
  EXPECT_EQ(loadBytes(bmpFile(bmpInfoHeader(1, 1, 32, 3) + noMasks, u32(0xFFFFFFFF))).pixels, black(1));
}

// ---- run-length encodings: 4 x 3 images, palette entries rgbOf(i) ----

Loaded loadRle8(const std::string& stream, int32_t width = 4, int32_t height = 3) {
  std::string headers = bmpInfoHeader(width, height, 8, 1, uint32_t(stream.size()), 16) + colorTable(16);
  return loadBytes(bmpFile(headers, stream));
}

Loaded loadRle4(const std::string& stream) {
  return loadBytes(bmpFile(bmpInfoHeader(4, 3, 4, 2, uint32_t(stream.size())) + colorTable(16), stream));
}

TEST(BmpRunLength, EightBitRunsAndEscapes) {
  // Row 0: run of 4. Row 1: absolute 3 (padded), end of line. Row 2: delta right 2, run, end.
  std::string stream = bytes({4, 1, 0, 0, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 2, 0, 1, 5, 0, 1});
  Loaded loaded = loadRle8(stream);
  ASSERT_TRUE(loaded.ok) << loaded.stderrText;
  EXPECT_EQ(loaded.pixels, rgbOf(1) + rgbOf(1) + rgbOf(1) + rgbOf(1) +  //
                               rgbOf(2) + rgbOf(3) + rgbOf(4) + black(1) +  //
                               black(2) + rgbOf(5) + black(1));
}

TEST(BmpRunLength, DeltaUpwardsAndEarlyEndLeaveSkippedPixelsBlack) {
  std::string stream = bytes({1, 6, 0, 2, 1, 2, 1, 7, 0, 1});
  Loaded loaded = loadRle8(stream);
  ASSERT_TRUE(loaded.ok);
  EXPECT_EQ(loaded.pixels, rgbOf(6) + black(3) + black(4) + black(2) + rgbOf(7) + black(1));
}

TEST(BmpRunLength, FourBitRunsAlternateTheirTwoIndices) {
  // Row 0: run of 3 of (1, 2), then 1 of (3, x). Row 1: absolute 3 (two bytes, no pad), then
  // 1. Row 2: absolute 4 (two bytes).
  std::string stream = bytes({3, 0x12, 1, 0x3F, 0, 0, 0, 3, 0x45, 0x60, 1, 0x70, 0, 0, 0, 4, 0x89, 0xAB, 0, 1});
  Loaded loaded = loadRle4(stream);
  ASSERT_TRUE(loaded.ok) << loaded.stderrText;
  EXPECT_EQ(loaded.pixels, rgbOf(1) + rgbOf(2) + rgbOf(1) + rgbOf(3) +  //
                               rgbOf(4) + rgbOf(5) + rgbOf(6) + rgbOf(7) +  //
                               rgbOf(8) + rgbOf(9) + rgbOf(10) + rgbOf(11));
}

TEST(BmpRunLength, FourBitAbsoluteRunsSkipTheirWordPadding) {
  // Absolute 5: three bytes plus one padding byte, then a run in the same row.
  std::string stream = bytes({0, 5, 0x12, 0x34, 0x50, 0xEE, 1, 0x99, 0, 1});
  Loaded loaded = loadBytes(bmpFile(bmpInfoHeader(6, 1, 4, 2, uint32_t(stream.size())) + colorTable(16), stream));
  ASSERT_TRUE(loaded.ok) << loaded.stderrText;
  EXPECT_EQ(loaded.pixels, rgbOf(1) + rgbOf(2) + rgbOf(3) + rgbOf(4) + rgbOf(5) + rgbOf(9));
}

TEST(BmpRunLength, RunsPastTheRowEndAreDroppedNotWrapped) {
  // A run of 200 and an absolute run of 6 into a row of 4; each following row starts clean.
  std::string stream = bytes({200, 1, 0, 0, 0, 6, 2, 3, 4, 5, 6, 7, 0, 0, 1, 8, 0, 1});
  Loaded loaded = loadRle8(stream);
  ASSERT_TRUE(loaded.ok);
  EXPECT_EQ(loaded.pixels, rgbOf(1) + rgbOf(1) + rgbOf(1) + rgbOf(1) +  //
                               rgbOf(2) + rgbOf(3) + rgbOf(4) + rgbOf(5) +  //
                               rgbOf(8) + black(3));
}

TEST(BmpRunLength, DataPastTheLastRowIsIgnored) {
  std::string stream = bytes({0, 0, 0, 0, 0, 0, 0, 0, 4, 3, 0, 2, 255, 255, 4, 3});
  Loaded loaded = loadRle8(stream);
  ASSERT_TRUE(loaded.ok);
  EXPECT_EQ(loaded.pixels, black(12));
  EXPECT_TRUE(loadRle8(bytes({4, 1, 0, 2, 0, 200, 4, 1})).ok);
}

// A 64-byte file whose stream is only the end-of-bitmap code: every pixel is skipped and
// stays black, though the palette has no black entry.
TEST(BmpRunLength, EndOfBitmapAloneIsACompleteStreamForALargeImage) {
  for (auto [height, bits, compression] :
       std::vector<std::tuple<int32_t, uint16_t, uint32_t>>{{700, 8, 1}, {-700, 8, 1}, {700, 4, 2}}) {
    SCOPED_TRACE(testing::Message() << "height " << height << ", " << bits << " bits");
    std::string headers = bmpInfoHeader(1000, height, bits, compression, 2, 2) + colorTable(2);
    Loaded loaded = loadBytes(bmpFile(headers, bytes({0, 1})));
    ASSERT_TRUE(loaded.ok) << loaded.stderrText;
    EXPECT_EQ(loaded.width, 1000);
    EXPECT_EQ(loaded.height, 700);
    EXPECT_EQ(loaded.pixels.find_first_not_of('\0'), std::string::npos);
  }
}

TEST(BmpRunLength, StreamEndingBeforeTheImageIsCompleteFails) {
  std::string message = "DIB run-length data ends before the image is complete.";
  expectError(bmpFile(bmpInfoHeader(4, 3, 8, 1, 0, 16) + colorTable(16), bytes({4, 1, 0, 0})), message);
  expectError(bmpFile(bmpInfoHeader(4, 3, 8, 1, 0, 16) + colorTable(16), bytes({0, 5, 1, 2})), message);
  expectError(bmpFile(bmpInfoHeader(4, 3, 8, 1, 0, 16) + colorTable(16), bytes({0, 2, 1})), message);
  // The header's image size bounds the stream even when the file goes on.
  expectError(bmpFile(bmpInfoHeader(4, 3, 8, 1, 2, 16) + colorTable(16), bytes({4, 1, 0, 1})), message);
}

// ---- failures: one line on standard error, null result ----

TEST(BmpFailures, UnopenableFilesNameThePath) {
  TempDir dir;
  std::string missing = dir.path("road.bmp");
  EXPECT_EQ(loadPath(missing).stderrText, "Error: Failed to open DIB file " + missing + ".\n");
  std::string empty = dir.write("empty.bmp", "");
  EXPECT_EQ(loadPath(empty).stderrText, "Error: Failed to open DIB file " + empty + ".\n");
  EXPECT_EQ(loadPath(dir.path("")).stderrText, "Error: Failed to open DIB file " + dir.path("") + ".\n");
}

TEST(BmpFailures, UnopenableWideNameIsShownOnOneLine) {
  testing::internal::CaptureStderr();
  Loaded loaded = take(loadBmpImageWide(L"/nonexistent/caf\u00e9.bmp"));
  EXPECT_FALSE(loaded.ok);
  EXPECT_EQ(loaded.stderrText, "Error: Failed to open DIB file /nonexistent/caf?.bmp.\n");
}

size_t openDescriptors() {
  return size_t(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

TEST(BmpFailures, EveryLoadClosesItsFile) {
  TempDir dir;
  std::string good = dir.write("good.bmp", bmpFile(bmpInfoHeader(1, 1, 24), bytes({1, 2, 3, 0})));
  std::string bad = dir.write("bad.bmp", bmpFile(bmpInfoHeader(1, 1, 2), bytes({1, 2, 3, 0})));
  std::string empty = dir.write("empty.bmp", "");
  size_t before = openDescriptors();
  for (const std::string& path : {good, bad, empty, dir.path("")}) loadPath(path);
  EXPECT_EQ(openDescriptors(), before);
}

TEST(BmpFailures, LaterHeaderFormsAreUnknown) {
  for (uint32_t size : {108u, 124u, 64u, 0u}) {
    std::string header = u32(size) + bmpInfoHeader(1, 1, 24).substr(4) + std::string(size > 40 ? size - 40 : 0, '\0');
    expectError(bmpFile(header, bytes({1, 2, 3, 0})), "Unknown DIB file format.");
  }
}

TEST(BmpFailures, UnconvertibleDepthsAndCompressionsAreConversionErrors) {
  std::string pixels(64, '\0');
  const char* message = "Image file conversion error.";
  expectError(bmpFile(bmpInfoHeader(2, 2, 2), pixels), message);
  expectError(bmpFile(bmpInfoHeader(2, 2, 0), pixels), message);
  expectError(bmpFile(bmpInfoHeader(2, 2, 8, 4), pixels), message);
  expectError(bmpFile(bmpInfoHeader(2, 2, 24, 5), pixels), message);
  expectError(bmpFile(bmpInfoHeader(2, 2, 4, 1), pixels), message);
  expectError(bmpFile(bmpInfoHeader(2, 2, 8, 2), pixels), message);
  expectError(bmpFile(bmpInfoHeader(2, 2, 24, 3) + std::string(12, '\0'), pixels), message);
  expectError(bmpFile(bmpCoreHeader(2, 2, 12), pixels), message);
}

TEST(BmpFailures, EmptyOrNegativeDimensionsAreRejected) {
  for (auto [width, height] : std::vector<std::pair<int32_t, int32_t>>{{0, 1}, {-3, 1}, {1, 0}, {INT32_MIN, 1}, {1, INT32_MIN}})
    expectError(bmpFile(bmpInfoHeader(width, height, 24), std::string(64, '\0')), "Invalid DIB image size.");
  expectError(bmpFile(bmpCoreHeader(0, 4, 24), std::string(64, '\0')), "Invalid DIB image size.");
}

TEST(BmpFailures, DataBeyondTheEndOfTheFileIsRejected) {
  std::string header = bmpInfoHeader(2, 2, 8) + colorTable(256);
  std::string withFileHeader = bmpFile(header, std::string(8, '\0'));
  expectError(withFileHeader.substr(0, 16), "DIB file header is truncated.");
  expectError(withFileHeader.substr(0, 30), "DIB file header is truncated.");
  expectError(bmpFile(bmpInfoHeader(2, 2, 16, 3), ""), "DIB file header is truncated.");
  expectError(withFileHeader.substr(0, 54 + 1023), "DIB colour table runs past the end of the file.");
  expectError(withFileHeader.substr(0, withFileHeader.size() - 3), "DIB pixel data runs past the end of the file.");
  std::string farOffset = withFileHeader;
  farOffset.replace(10, 4, u32(uint32_t(withFileHeader.size() + 1)));
  expectError(farOffset, "DIB pixel data runs past the end of the file.");
  expectError(bmpFile(bmpInfoHeader(2, 2, 8, 1, 100) + colorTable(256), bytes({0, 1})),
              "DIB pixel data runs past the end of the file.");
}

TEST(BmpFailures, PixelOffsetInsideTheHeadersIsRejected) {
  std::string file = bmpFile(bmpInfoHeader(1, 1, 24), bytes({1, 2, 3, 0}));
  file.replace(10, 4, u32(20));
  expectError(file, "DIB pixel data offset lies inside the headers.");
  std::string masked = bmpFile(bmpInfoHeader(1, 1, 32, 3) + u32(0xFF) + u32(0xFF00) + u32(0xFF0000), u32(0));
  masked.replace(10, 4, u32(54 + 8));
  expectError(masked, "DIB pixel data offset lies inside the headers.");
}

TEST(BmpFailures, HugeDimensionsAreRejectedBeforeAllocating) {
  expectError(bmpFile(bmpInfoHeader(INT32_MAX, INT32_MAX, 32), std::string(64, '\0')),
              "DIB pixel data runs past the end of the file.");
  expectError(bmpFile(bmpInfoHeader(1, INT32_MAX, 1) + colorTable(2), std::string(64, '\0')),
              "DIB pixel data runs past the end of the file.");
  expectError(bmpFile(bmpInfoHeader(65535, 65535, 8, 1, 4) + colorTable(256), bytes({0, 0, 0, 1})),
              "DIB run-length data is too short for the image size.");
}

TEST(BmpFailures, RunLengthImagesBeyondThePixelBudgetNeedDataInProportion) {
  // 4096 x 4096 is the budget; one row more needs 4097 * 4096 / 1024 - 64 = 16324 bytes.
  struct Case {
    int32_t height;
    size_t dataSize;
    bool loads;
  };
  for (Case c : {Case{4096, 2, true}, Case{4097, 2, false}, Case{-4097, 2, false}, Case{4097, 16324, true},
                 Case{4097, 16323, false}}) {
    SCOPED_TRACE(testing::Message() << c.height << " rows, " << c.dataSize << " bytes");
    std::string stream = bytes({0, 1}) + std::string(c.dataSize - 2, '\0');
    std::string headers = bmpInfoHeader(4096, c.height, 8, 1, uint32_t(stream.size()), 2) + colorTable(2);
    if (c.loads)
      EXPECT_TRUE(loadBytes(bmpFile(headers, stream)).ok);
    else
      expectError(bmpFile(headers, stream), "DIB run-length data is too short for the image size.");
  }
}

}  // namespace
