// OBJ reading: glmReadOBJ beside fast_obj (when its header is at ../shared/peers) and
// tinyobjloader, on files written once into a temporary directory:
//   quads      a 708 x 708 grid: 500k "f v/t/n" quads (about 1M triangles), 5 groups, 5 materials
//   triangles  a 1000 x 1000 grid of vertices and 1M "f v v v" triangles
//   groups     100,000 groups of one triangle each
//   usemtl     100,000 material lines over a library of 10,000 materials
//
//   bench_read_obj            the benchmark loop for every reader and file; then, for the quads
//                             and the triangles, each reader reading the file once in a fresh
//                             process (nine rounds, the readers taking turns; best and median
//                             elapsed time of the read), the ratios, and each reader's peak
//                             memory (growth of VmHWM)
//   bench_read_obj --write DIR                 writes the files into DIR and ends
//   bench_read_obj --once READER FILE          (internal) one read; prints seconds and peak kB
#include "glm/glm.h"

#include <benchmark/benchmark.h>
#include <tiny_obj_loader.h>
#ifdef KERB_FAST_OBJ
#include KERB_FAST_OBJ
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int GRID = 708;  // vertices per side of the quad grid
constexpr int GROUPS = 5;
constexpr int TRIANGLE_GRID = 1000;
constexpr int NAMED_GROUPS = 100000;
constexpr int MATERIAL_LINES = 100000;
constexpr int MATERIALS = 10000;

void writeMaterials(const std::string& directory) {
  FILE* mtl = fopen((directory + "/grid.mtl").c_str(), "w");
  for (int m = 0; m < GROUPS; m++)
    fprintf(mtl, "newmtl paint%d\nKa 0.2 0.2 0.2\nKd 0.%d 0.5 0.25\nKs 1 1 1\nNs 96.078431\nNi 1.5\nillum 2\n\n", m,
            m + 1);
  fclose(mtl);
}

void writeGridVertices(FILE* obj, int side) {
  for (int y = 0; y < side; y++)
    for (int x = 0; x < side; x++)
      fprintf(obj, "v %.6f %.6f %.6f\n", x * 0.0141f, y * 0.0141f, 0.25f * float((x * 7 + y * 13) % 17) / 17.0f);
}

void writeQuads(const std::string& path) {
  FILE* obj = fopen(path.c_str(), "w");
  fprintf(obj, "# benchmark grid\nmtllib grid.mtl\n");
  writeGridVertices(obj, GRID);
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

// Every other square of the grid as two triangles: 1M triangles.
void writeTriangles(const std::string& path) {
  FILE* obj = fopen(path.c_str(), "w");
  writeGridVertices(obj, TRIANGLE_GRID);
  for (int y = 0; y + 1 < TRIANGLE_GRID; y++)
    for (int x = y % 2; x + 1 < TRIANGLE_GRID; x += 2) {
      int a = y * TRIANGLE_GRID + x + 1, b = a + 1, c = a + TRIANGLE_GRID + 1, d = a + TRIANGLE_GRID;
      fprintf(obj, "f %d %d %d\nf %d %d %d\n", a, b, c, a, c, d);
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

struct File {
  const char* name;
  std::string path;
};

std::vector<File> writeFiles(const std::string& directory) {
  std::vector<File> files = {{"quads", directory + "/quads.obj"},
                             {"triangles", directory + "/triangles.obj"},
                             {"groups", directory + "/groups.obj"},
                             {"usemtl", directory + "/usemtl.obj"}};
  writeMaterials(directory);
  writeQuads(files[0].path);
  writeTriangles(files[1].path);
  writeManyGroups(files[2].path);
  writeManyMaterialLines(directory, files[3].path);
  return files;
}

size_t readWithGlm(const char* path) {
  Model* model = glmReadOBJ(path);
  size_t triangles = model->numtriangles;
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

#ifdef KERB_FAST_OBJ
size_t readWithFastObj(const char* path) {
  fastObjMesh* mesh = fast_obj_read(path);
  if (!mesh) {
    fprintf(stderr, "fast_obj failed on %s\n", path);
    exit(1);
  }
  size_t faces = mesh->face_count;
  fast_obj_destroy(mesh);
  return faces;
}
#endif

struct Reader {
  const char* name;
  size_t (*read)(const char* path);
};

const Reader READERS[] = {
    {"glmReadOBJ", readWithGlm},
#ifdef KERB_FAST_OBJ
    {"fast_obj", readWithFastObj},
#endif
    {"tinyobjloader", readWithTinyobj},
};

void registerReads(const File& file) {
  auto bytes = int64_t(std::filesystem::file_size(file.path));
  for (const Reader& reader : READERS) {
    std::string name = std::string(reader.name) + "/" + file.name;
    std::string path = file.path;
    auto read = reader.read;
    benchmark::RegisterBenchmark(name.c_str(), [path, bytes, read](benchmark::State& state) {
      for (auto _ : state) benchmark::DoNotOptimize(read(path.c_str()));
      state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
    })->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
  }
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

int readOnce(const char* readerName, const char* path) {
  for (const Reader& reader : READERS) {
    if (strcmp(reader.name, readerName) != 0) continue;
    long before = highWaterKb();
    auto start = std::chrono::steady_clock::now();
    reader.read(path);
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    printf("%.6f %ld\n", elapsed.count(), highWaterKb() - before);
    return 0;
  }
  return 2;
}

struct FreshRead {
  double seconds;        // elapsed time of the read
  double peakMegabytes;  // growth of the peak resident memory while reading
};

// Runs this program again in a fresh process that reads the file once, as an application does:
// no warm allocator, nothing in memory from an earlier read.
FreshRead freshRead(const char* reader, const std::string& path) {
  int out[2];
  if (pipe(out) != 0) return {-1, -1};
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
    execl("/proc/self/exe", "bench_read_obj", "--once", reader, path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  FILE* child = fdopen(out[0], "r");
  double seconds = -1;
  long kb = -1;
  if (fscanf(child, "%lf %ld", &seconds, &kb) != 2) seconds = -1;
  fclose(child);
  waitpid(pid, nullptr, 0);
  return {seconds, kb / 1024.0};
}

// Fresh reads of one file by every reader, taken round by round so that each reader meets the
// same moments of a noisy machine: the times in order, and the largest memory.
struct FreshReads {
  std::vector<double> seconds;
  double peakMegabytes = 0;
};
constexpr int FRESH_ROUNDS = 9;

std::vector<FreshReads> freshReadsRoundByRound(const std::string& path) {
  std::vector<FreshReads> reads(std::size(READERS));
  for (int round = 0; round < FRESH_ROUNDS; round++)
    for (size_t r = 0; r < std::size(READERS); r++) {
      FreshRead read = freshRead(READERS[r].name, path);
      reads[r].seconds.push_back(read.seconds);
      reads[r].peakMegabytes = std::max(reads[r].peakMegabytes, read.peakMegabytes);
    }
  for (FreshReads& read : reads) std::sort(read.seconds.begin(), read.seconds.end());
  return reads;
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
      if (entry.first.rfind(benchmark + "/", 0) == 0) return entry.second / 1e6;
    return 0;
  }
  std::map<std::string, double> bytesPerSecond;
};

void printSummary(const File& file, const SummaryReporter& reporter) {
  double megabytes = double(std::filesystem::file_size(file.path)) / 1e6;
  printf("\n%s: %.1f MB; fresh process: %d rounds, best / median\n%-16s %10s %22s %15s %18s\n", file.name, megabytes,
         FRESH_ROUNDS, "reader", "loop MB/s", "fresh process MB/s", "vs glm", "peak memory (MB)");
  std::vector<FreshReads> reads = freshReadsRoundByRound(file.path);
  const std::vector<double>& glm = reads[0].seconds;
  for (size_t r = 0; r < reads.size(); r++) {
    const std::vector<double>& seconds = reads[r].seconds;
    double best = seconds.front(), median = seconds[seconds.size() / 2];
    printf("%-16s %10.1f %10.1f / %9.1f %6.2fx / %5.2fx %18.1f\n", READERS[r].name,
           reporter.megabytesPerSecond(std::string(READERS[r].name) + "/" + file.name), megabytes / best,
           megabytes / median, best / glm.front(), median / glm[glm.size() / 2], reads[r].peakMegabytes);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && strcmp(argv[1], "--once") == 0) return readOnce(argv[2], argv[3]);
  if (argc == 3 && strcmp(argv[1], "--write") == 0) {
    std::filesystem::create_directories(argv[2]);
    writeFiles(argv[2]);
    return 0;
  }
  char pattern[] = "/tmp/kerbhopper-objbench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  std::vector<File> files = writeFiles(pattern);
  for (const File& file : files) registerReads(file);
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  printSummary(files[0], reporter);
  printSummary(files[1], reporter);
  std::filesystem::remove_all(pattern);
  return 0;
}
