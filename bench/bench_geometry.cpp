// Geometry benchmarks: welding 10k, 100k and 1M vertices (half of them duplicates within
// epsilon) beside meshoptimizer's exact-match remap of the same data, welding a lattice
// where every grid cell is full (the slow case), and crease-angle vertex normals on a
// 1M-triangle mesh. After the runs it prints how the welding time grows per tenfold vertex
// count.
#include "glm/glm.h"

#include <benchmark/benchmark.h>
#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr float WELD_EPSILON = 1e-3f;

// Both inputs are 1-based vertex arrays (entry 0 zero) of about `count` vertices, half of
// them duplicates of the other half: a quarter exact copies, a quarter moved by less than
// epsilon / 2 per component.
float jittered(std::mt19937& random, float value, bool moved) {
  std::uniform_real_distribution<float> jitter(-0.4f * WELD_EPSILON, 0.4f * WELD_EPSILON);
  return moved ? value + jitter(random) : value;
}

// In mesh order: a height field 100 vertices wide stored as separate two-row strips, so
// every inner row appears twice, the second time soon after the first (like a surface
// exported in patches that share their borders).
std::vector<float> stripInput(size_t count) {
  const unsigned width = 100, rows = unsigned(count / 2 / width);
  std::mt19937 random{unsigned(count)};
  std::vector<float> xyz(3, 0.0f);
  for (unsigned strip = 0; strip + 1 < rows; strip++)
    for (unsigned row = strip; row <= strip + 1; row++)
      for (unsigned x = 0; x < width; x++) {
        bool moved = row == strip && x % 2;  // half of the repeated row
        float z = 3 * std::sin(x * 0.3f) * std::cos(row * 0.2f);
        for (float c : {float(x), float(row), z}) xyz.push_back(jittered(random, c, moved));
      }
  return xyz;
}

// The 0-based vectors of `points` in random order, as a 1-based array.
std::vector<float> shuffledVectors(const std::vector<float>& points, std::mt19937& random) {
  size_t count = points.size() / 3;
  std::vector<size_t> order(count);
  for (size_t i = 0; i < count; i++) order[i] = i;
  std::shuffle(order.begin(), order.end(), random);
  std::vector<float> xyz(3 * (count + 1), 0.0f);
  for (size_t i = 0; i < count; i++) memcpy(&xyz[3 * (i + 1)], &points[3 * order[i]], 3 * sizeof(float));
  return xyz;
}

// In random order: distinct points about one unit apart and their copies, shuffled.
std::vector<float> shuffledInput(size_t count) {
  std::mt19937 random{unsigned(count)};
  float side = std::cbrt(float(count / 2));
  std::uniform_real_distribution<float> position(0, side);
  std::vector<float> points;
  for (size_t i = 0; i < count / 2; i++)
    points.insert(points.end(), {position(random), position(random), position(random)});
  for (size_t i = count / 2; i < count; i++) {
    size_t original = random() % (count / 2);
    for (int c = 0; c < 3; c++) points.push_back(jittered(random, points[3 * original + c], i % 2));
  }
  return shuffledVectors(points, random);
}

// The worst case for the welding grid: a lattice of points just over epsilon apart, so that
// nothing merges and every cell holds as many representatives as it can, in random order.
std::vector<float> denseInput(size_t count) {
  std::mt19937 random{unsigned(count)};
  unsigned side = unsigned(std::cbrt(double(count)) + 0.5);
  std::vector<float> points;
  for (unsigned i = 0; i < side * side * side; i++)
    for (unsigned c : {i % side, i / side % side, i / side / side})
      points.push_back(c * 1.01f * WELD_EPSILON);
  return shuffledVectors(points, random);
}

// Inputs by (shuffled, count), made once.
const std::vector<float>& weldInput(bool shuffled, size_t count) {
  static std::map<std::pair<bool, size_t>, std::vector<float>> cache;
  std::vector<float>& xyz = cache[{shuffled, count}];
  if (xyz.empty()) xyz = shuffled ? shuffledInput(count) : stripInput(count);
  return xyz;
}

void weldGlmOn(benchmark::State& state, const std::vector<float>& input) {
  unsigned vertices = unsigned(input.size() / 3 - 1), count = 0;
  std::vector<float> work;
  for (auto _ : state) {
    state.PauseTiming();
    work = input;  // welding overwrites the x components with the new indices
    count = vertices;
    state.ResumeTiming();
    free(glmWeldVectorArray(work.data(), &count, WELD_EPSILON));
  }
  state.counters["vertices"] = vertices;
  state.counters["distinct"] = count;
}

void weldGlm(benchmark::State& state) { weldGlmOn(state, weldInput(state.range(0), size_t(state.range(1)))); }

void weldGlmDense(benchmark::State& state) { weldGlmOn(state, denseInput(size_t(state.range(0)))); }

void weldMeshoptExact(benchmark::State& state) {
  const std::vector<float>& input = weldInput(state.range(0), size_t(state.range(1)));
  size_t vertices = input.size() / 3 - 1, distinct = 0;
  std::vector<unsigned> remap(vertices);
  for (auto _ : state) {
    distinct = meshopt_generateVertexRemap(remap.data(), nullptr, vertices, &input[3], vertices, 3 * sizeof(float));
    benchmark::DoNotOptimize(remap.data());
  }
  state.counters["vertices"] = double(vertices);
  state.counters["distinct"] = double(distinct);
}

// A height field of side x side vertices, two triangles per grid square.
Model* heightField(unsigned side) {
  Model* model = static_cast<Model*>(calloc(1, sizeof(Model)));
  model->numvertices = side * side;
  model->vertices = static_cast<float*>(calloc(3 * (size_t(side) * side + 1), sizeof(float)));
  for (unsigned y = 0; y < side; y++)
    for (unsigned x = 0; x < side; x++) {
      float* v = &model->vertices[3 * (size_t(y) * side + x + 1)];
      v[0] = float(x);
      v[1] = float(y);
      v[2] = 3 * std::sin(x * 0.3f) * std::cos(y * 0.2f);
    }
  model->numtriangles = 2 * (side - 1) * (side - 1);
  model->triangles = static_cast<ModelTriangle*>(calloc(model->numtriangles, sizeof(ModelTriangle)));
  ModelTriangle* t = model->triangles;
  for (unsigned y = 0; y + 1 < side; y++)
    for (unsigned x = 0; x + 1 < side; x++) {
      unsigned a = y * side + x + 1, b = a + 1, c = a + side, d = c + 1;
      *t++ = ModelTriangle{{a, b, d}, {}, {}, 0};
      *t++ = ModelTriangle{{a, d, c}, {}, {}, 0};
    }
  return model;
}

void vertexNormals(benchmark::State& state) {
  std::unique_ptr<Model, decltype(&glmFreeModel)> model(heightField(unsigned(state.range(0))), glmFreeModel);
  glmComputeFacetNormals(model.get());
  for (auto _ : state) glmVertexNormals(model.get(), 90);
  double corners = 3.0 * model->numtriangles;
  state.counters["triangles"] = model->numtriangles;
  state.counters["normals"] = model->numnormals;
  // Seconds per corner, printed with an SI prefix (for example "18n" for 18 ns).
  state.counters["per_corner"] =
      benchmark::Counter(corners, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The console report, plus the median CPU time of every benchmark whose last argument is
// named "n", kept by family (the name without n) and n, for the growth table.
class GrowthReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const std::string& args = run.run_name.args;
      size_t n = args.rfind("n:");
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" && n != std::string::npos)
        times_[run.run_name.function_name + "/" + args.substr(0, n)][std::stod(args.substr(n + 2))] =
            run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void printGrowth() const {
    printf("Growth of the median CPU time per 10x vertices:\n");
    for (const auto& [family, bySize] : times_) {
      printf("  %-30s", family.c_str());
      for (auto it = std::next(bySize.begin()); it != bySize.end(); ++it)
        printf("  %.0f -> %.0f: %5.2fx", std::prev(it)->first, it->first, it->second / std::prev(it)->second);
      printf("\n");
    }
  }

 private:
  std::map<std::string, std::map<double, double>> times_;
};

}  // namespace

// Arguments: shuffled (0 mesh order, 1 random order), vertex count. Medians of five runs
// keep the figures steady on a shared machine.
BENCHMARK(weldGlm)
    ->ArgsProduct({{0, 1}, {10000, 100000, 1000000}})
    ->ArgNames({"shuffled", "n"})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(weldGlmDense)
    ->Arg(10000)
    ->Arg(100000)
    ->ArgName("n")
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(weldMeshoptExact)
    ->ArgsProduct({{0, 1}, {10000, 100000, 1000000}})
    ->ArgNames({"shuffled", "n"})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(vertexNormals)->Arg(708)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  GrowthReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printGrowth();
  benchmark::Shutdown();
  return 0;
}
