// Frame time of the demo at 1000 x 1000, drawn off-screen with Mesa's software renderer
// from the project's own media: the whole frame, the car alone and the scenery alone.
// Reports the median milliseconds per frame (counter median_ms).
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/frame.h"
#include "app/renderer.h"
#include "app/scenery.h"
#include "support/gl_context.h"

namespace {
constexpr int SIZE = 1000;
constexpr int FRAMES = 300;

// One context for the whole run, with the textures loaded and the car read.
void prepareOnce() {
  static bool ready = false;
  if (ready) return;
  if (chdir(KERB_MEDIA_DIR) != 0 || access("data/porsche.obj", R_OK) != 0 || !makeOffscreenGlContext(SIZE, SIZE)) {
    fprintf(stderr, "bench_frame: needs the demo's media in %s and an EGL context\n", KERB_MEDIA_DIR);
    exit(1);
  }
  initRenderer();
  reshape(SIZE, SIZE);
  drawFrame();
  ready = true;
}

void clearToCamera() {
  glLoadIdentity();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  placeCamera();
}

void carAlone() {
  clearToCamera();
  drawLitCar();
}

void sceneryAlone() {
  clearToCamera();
  glDisable(GL_LIGHTING);
  glEnable(GL_TEXTURE_2D);
  drawScenery();
}

// Times each frame to completion (glFinish) and reports the median.
void timeFrames(benchmark::State& state, void (*draw)()) {
  prepareOnce();
  std::vector<double> milliseconds;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    draw();
    glFinish();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count());
    milliseconds.push_back(took.count() * 1000);
  }
  std::nth_element(milliseconds.begin(), milliseconds.begin() + milliseconds.size() / 2, milliseconds.end());
  state.counters["median_ms"] = milliseconds[milliseconds.size() / 2];
}

void BM_WholeFrame(benchmark::State& state) { timeFrames(state, drawFrame); }
void BM_CarAlone(benchmark::State& state) { timeFrames(state, carAlone); }
void BM_SceneryAlone(benchmark::State& state) { timeFrames(state, sceneryAlone); }
}  // namespace

BENCHMARK(BM_WholeFrame)->UseManualTime()->Iterations(FRAMES)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CarAlone)->UseManualTime()->Iterations(FRAMES)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SceneryAlone)->UseManualTime()->Iterations(FRAMES)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
