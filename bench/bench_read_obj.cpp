// OBJ reading throughput and peak memory: glmReadOBJ against tinyobjloader's LoadObj on the same
// large file (a 708 x 708 grid: about 1M triangles as 500k "v/t/n" quads, 5 groups, 5 materials),
// written once into a temporary directory; and both readers on files of many names: 100,000
// groups of one triangle each, and 100,000 material lines over a library of 10,000 materials.
//
//   bench_read_obj      the throughputs (processor time: repeated reads in the benchmark loop, and
//                       one read of the grid in a fresh process), their ratios and each reader's
//                       peak memory
//   bench_read_obj --peak glm|tinyobj FILE   (internal) reads FILE once, prints the growth of VmHWM
#include "glm/glm.h"

#include <benchmark/benchmark.h>
#include <tiny_obj_loader.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int GRID = 708;  // vertices per side
constexpr int GROUPS = 5;
constexpr int NAMED_GROUPS = 100000;
constexpr int MATERIAL_LINES = 100000;
constexpr int MATERIALS = 10000;

std::string objPath;

void writeMaterials(const std::string& directory) {
  FILE* mtl = fopen((directory + "/grid.mtl").c_str(), "w");
  for (int m = 0; m < GROUPS; m++)
    fprintf(mtl, "newmtl paint%d\nKa 0.2 0.2 0.2\nKd 0.%d 0.5 0.25\nKs 1 1 1\nNs 96.078431\nNi 1.5\nillum 2\n\n", m,
            m + 1);
  fclose(mtl);
}

void writeGrid(const std::string& path) {
  FILE* obj = fopen(path.c_str(), "w");
  fprintf(obj, "# benchmark grid\nmtllib grid.mtl\n");
  for (int y = 0; y < GRID; y++)
    for (int x = 0; x < GRID; x++)
      fprintf(obj, "v %.6f %.6f %.6f\n", x * 0.0141f, y * 0.0141f, 0.25f * float((x * 7 + y * 13) % 17) / 17.0f);
  for (int y = 0; y < GRID; y++)
    for (int x = 0; x < GRID; x++) fprintf(obj, "vt %.6f %.6f\n", x / float(GRID - 1), y / float(GRID - 1));
  for (int i = 0; i < GRID * GRID; i++)
    fprintf(obj, "vn %.6f %.6f %.6f\n", 0.1f * float(i % 7), 0.1f * float(i % 5), 0.98f);
  for (int y = 0; y + 1 < GRID; y++) {
    if (y % ((GRID - 1 + GROUPS - 1) / GROUPS) == 0) {
      int band = y / ((GRID - 1 + GROUPS - 1) / GROUPS);
      fprintf(obj, "g band%d\nusemtl paint%d\n", band, band);
    }
    for (int x = 0; x + 1 < GRID; x++) {
      int a = y * GRID + x + 1, b = a + 1, c = a + GRID + 1, d = a + GRID;
      fprintf(obj, "f %d/%d/%d %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, c, c, c, d, d, d);
    }
  }
  fclose(obj);
}

void writeManyGroups(const std::string& path) {
  FILE* obj = fopen(path.c_str(), "w");
  fprintf(obj, "v 0 0 0\nv 1 0 0\nv 0 1 0\n");
  for (int g = 0; g < NAMED_GROUPS; g++) fprintf(obj, "g part%d\nf 1 2 3\n", g);
  fclose(obj);
}

// Material lines that jump about the library, each followed by a face.
void writeManyMaterialLines(const std::string& directory, const std::string& path) {
  FILE* mtl = fopen((directory + "/many.mtl").c_str(), "w");
  for (int m = 0; m < MATERIALS; m++) fprintf(mtl, "newmtl paint%d\nKd 0.5 0.5 0.%d\n", m, m % 10);
  fclose(mtl);
  FILE* obj = fopen(path.c_str(), "w");
  fprintf(obj, "mtllib many.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n");
  for (int i = 0; i < MATERIAL_LINES; i++) fprintf(obj, "usemtl paint%d\nf 1 2 3\n", int(i * 7919L % MATERIALS));
  fclose(obj);
}

double fileMegabytes() { return double(std::filesystem::file_size(objPath)) / 1e6; }

unsigned readWithGlm(const char* path) {
  Model* model = glmReadOBJ(path);
  unsigned triangles = model->numtriangles;
  glmFreeModel(model);
  return triangles;
}

size_t readWithTinyobj(const char* path) {
  tinyobj::attrib_t attrib;
  std::vector<tinyobj::shape_t> shapes;
  std::vector<tinyobj::material_t> materials;
  std::string warn, err;
  std::string directory = std::filesystem::path(path).parent_path().string() + "/";
  if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path, directory.c_str(), true)) {
    fprintf(stderr, "tinyobjloader failed: %s\n", err.c_str());
    exit(1);
  }
  size_t triangles = 0;
  for (const tinyobj::shape_t& shape : shapes) triangles += shape.mesh.num_face_vertices.size();
  return triangles;
}

// One benchmark per reader and file, named reader/file.
void registerReads(const char* file, const std::string& path) {
  auto bytes = int64_t(std::filesystem::file_size(path));
  benchmark::RegisterBenchmark((std::string("glmReadOBJ/") + file).c_str(), [path, bytes](benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(readWithGlm(path.c_str()));
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
  })->Unit(benchmark::kMillisecond)->MinTime(3.0);
  benchmark::RegisterBenchmark((std::string("tinyobjLoadObj/") + file).c_str(), [path, bytes](benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(readWithTinyobj(path.c_str()));
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
  })->Unit(benchmark::kMillisecond)->MinTime(3.0);
}

// Peak resident memory of this process so far, in kB.
long highWaterKb() {
  FILE* status = fopen("/proc/self/status", "r");
  char line[256];
  long kb = -1;
  while (status && fgets(line, sizeof line, status))
    if (sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
  if (status) fclose(status);
  return kb;
}

int measurePeak(const char* reader, const char* path) {
  long before = highWaterKb();
  if (strcmp(reader, "glm") == 0) readWithGlm(path);
  else readWithTinyobj(path);
  printf("%ld\n", highWaterKb() - before);
  return 0;
}

struct FreshRead {
  double peakMegabytes;  // growth of the peak resident memory while reading
  double cpuSeconds;     // user and system time of the whole process
};

// Runs this program again in a fresh process that reads the file once with `reader`, as an
// application does: no warm allocator, nothing in memory from an earlier read.
FreshRead freshRead(const char* reader) {
  int out[2];
  if (pipe(out) != 0) return {-1, -1};
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
    execl("/proc/self/exe", "bench_read_obj", "--peak", reader, objPath.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  FILE* child = fdopen(out[0], "r");
  long kb = -1;
  if (fscanf(child, "%ld", &kb) != 1) kb = -1;
  fclose(child);
  int status;
  struct rusage usage;
  wait4(pid, &status, 0, &usage);
  double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return {kb / 1024.0, cpu};
}

// The best of a few fresh reads: the least processor time, the largest memory.
FreshRead bestFreshRead(const char* reader) {
  FreshRead best = freshRead(reader);
  for (int i = 0; i < 4; i++) {
    FreshRead next = freshRead(reader);
    if (next.cpuSeconds < best.cpuSeconds) best.cpuSeconds = next.cpuSeconds;
    if (next.peakMegabytes > best.peakMegabytes) best.peakMegabytes = next.peakMegabytes;
  }
  return best;
}

// Keeps the bytes-per-second figure of each benchmark for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      auto rate = run.counters.find("bytes_per_second");
      if (rate != run.counters.end()) bytesPerSecond[run.benchmark_name()] = rate->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double megabytesPerSecond(const std::string& benchmark) const {
    for (const auto& entry : bytesPerSecond)
      if (entry.first.rfind(benchmark, 0) == 0) return entry.second / 1e6;
    return 0;
  }
  std::map<std::string, double> bytesPerSecond;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && strcmp(argv[1], "--peak") == 0) return measurePeak(argv[2], argv[3]);
  char pattern[] = "/tmp/kerbhopper-objbench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  std::string directory = pattern;
  objPath = directory + "/grid.obj";
  writeMaterials(directory);
  writeGrid(objPath);
  printf("file: %s, %.1f MB, %d triangles\n", objPath.c_str(), fileMegabytes(), 2 * (GRID - 1) * (GRID - 1));
  std::string groupsPath = directory + "/groups.obj", materialsPath = directory + "/materials.obj";
  writeManyGroups(groupsPath);
  writeManyMaterialLines(directory, materialsPath);

  registerReads("grid", objPath);
  registerReads("groups", groupsPath);
  registerReads("usemtl", materialsPath);
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  double glm = reporter.megabytesPerSecond("glmReadOBJ/grid");
  double tiny = reporter.megabytesPerSecond("tinyobjLoadObj/grid");
  FreshRead glmFresh = bestFreshRead("glm"), tinyFresh = bestFreshRead("tinyobj");
  printf("\n%-16s %10s %22s %18s\n", "reader", "loop MB/s", "fresh process MB/s", "peak memory (MB)");
  printf("%-16s %10.1f %22.1f %18.1f\n", "glmReadOBJ", glm, fileMegabytes() / glmFresh.cpuSeconds,
         glmFresh.peakMegabytes);
  printf("%-16s %10.1f %22.1f %18.1f\n", "tinyobjloader", tiny, fileMegabytes() / tinyFresh.cpuSeconds,
         tinyFresh.peakMegabytes);
  if (tiny > 0)
    printf("throughput ratio glmReadOBJ / tinyobjloader: %.2f in the loop, %.2f in a fresh process\n", glm / tiny,
           tinyFresh.cpuSeconds / glmFresh.cpuSeconds);
  std::filesystem::remove_all(directory);
  return 0;
}
