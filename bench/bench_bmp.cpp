// BMP loading speed: loadBmpImage beside stb_image on 4096 x 4096 files (24-bit, 8-bit,
// and 8-bit run-length encoded, which stb_image cannot read). MB/s counts output pixel
// bytes (width x height x 3) per second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include <stb/stb_image.h>

#include "image/bmp.h"
#include "support/bmp_writer.h"

namespace {

constexpr int32_t kSide = 4096;

// Info header and colour table (256 entries for 8 bits); pixel data follows.
std::string headers(uint16_t bits, uint32_t compression, uint32_t pixelBytes) {
  std::string out = bmpInfoHeader(kSide, kSide, bits, compression, pixelBytes);
  for (uint32_t i = 0; bits == 8 && i < 256; ++i) out += u32((i * 0x010305u) & 0xFFFFFF);
  return out;
}

// A picture-like value at (x, y): smooth gradients with some noise.
uint8_t sample(int32_t x, int32_t y, int channel) {
  uint32_t noise = (uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u) >> 28;
  return uint8_t((x >> (channel + 3)) + (y >> 4) * (channel + 1) + noise);
}

std::string uncompressed(uint16_t bits) {
  std::string pixels;
  for (int32_t y = 0; y < kSide; ++y)
    for (int32_t x = 0; x < kSide; ++x)
      for (int c = 0; c < bits / 8; ++c) pixels += char(sample(x, y, c));
  return bmpFile(headers(bits, 0, uint32_t(pixels.size())), pixels);
}

// Rows of runs 3 to 48 pixels long, with a stretch of 8 literal pixels now and then.
std::string runLengthEncoded() {
  std::string stream;
  for (int32_t y = 0; y < kSide; ++y) {
    for (int32_t x = 0; x < kSide;) {
      int32_t length = std::min<int32_t>(3 + (sample(x, y, 0) * 7 + y) % 46, kSide - x);
      if (length >= 8 && (x + y) % 5 == 0) {
        stream += {0, 8};
        for (int32_t i = 0; i < 8; ++i) stream += char(sample(x + i, y, 2));
        length = 8;
      } else {
        stream += {char(length), char(sample(x, y, 1))};
      }
      x += length;
    }
    stream += {0, 0};
  }
  stream += {0, 1};
  return bmpFile(headers(8, 1, uint32_t(stream.size())), stream);
}

std::string writeFile(const char* name, const std::string& contents) {
  std::string path = std::string(P_tmpdir) + "/kerbhopper-bench-" + name;
  FILE* file = fopen(path.c_str(), "wb");
  if (!file || fwrite(contents.data(), 1, contents.size(), file) != contents.size() || fclose(file) != 0) {
    fprintf(stderr, "cannot write %s\n", path.c_str());
    exit(1);
  }
  return path;
}

enum BenchFile { BITS24, BITS8, RLE8, BENCH_FILE_COUNT };
std::string benchPaths[BENCH_FILE_COUNT];

void reportRate(benchmark::State& state) {
  double bytes = double(kSide) * kSide * 3 * double(state.iterations());
  state.SetBytesProcessed(int64_t(bytes));
  state.counters["MB/s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsRate);
}

void loadBmp(benchmark::State& state, BenchFile file) {
  for (auto _ : state) {
    RgbImage* image = loadBmpImage(benchPaths[file].c_str());
    if (!image) {
      state.SkipWithError("loadBmpImage failed");
      break;
    }
    benchmark::DoNotOptimize(image->pixels);
    freeBmpImage(image);
  }
  reportRate(state);
}

void loadStb(benchmark::State& state, BenchFile file) {
  for (auto _ : state) {
    int width, height, channels;
    unsigned char* pixels = stbi_load(benchPaths[file].c_str(), &width, &height, &channels, 3);
    if (!pixels) {
      state.SkipWithError("stbi_load failed");
      break;
    }
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
  }
  reportRate(state);
}

BENCHMARK_CAPTURE(loadBmp, bits24, BITS24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(loadStb, bits24, BITS24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(loadBmp, bits8, BITS8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(loadStb, bits8, BITS8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(loadBmp, rle8, RLE8)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchPaths[BITS24] = writeFile("24.bmp", uncompressed(24));
  benchPaths[BITS8] = writeFile("8.bmp", uncompressed(8));
  benchPaths[RLE8] = writeFile("rle8.bmp", runLengthEncoded());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const std::string& path : benchPaths) remove(path.c_str());
  return 0;
}
