#include "glm/glm.h"
#include "support/model_builder.h"
#include "support/model_ptr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

struct Welded {
  std::vector<unsigned> newIndex;  // per input vector, 0-based position in the input
  std::vector<float> distinct;     // x, y, z of each distinct vector
};

// The oracle: every vector compared with every representative, lowest number first.
Welded scanWeld(const std::vector<float>& xyz, float epsilon) {
  Welded result;
  for (size_t i = 0; i < xyz.size(); i += 3) {
    size_t d = result.distinct.size() / 3, j = 0;
    while (j < d && !glmVectorsEqual(&xyz[i], &result.distinct[3 * j], epsilon)) j++;
    if (j == d) result.distinct.insert(result.distinct.end(), xyz.begin() + i, xyz.begin() + i + 3);
    result.newIndex.push_back(unsigned(j + 1));
  }
  return result;
}

// glmWeldVectorArray on a 1-based heap copy of xyz; also checks that only x was rewritten.
Welded libraryWeld(const std::vector<float>& xyz, float epsilon) {
  float* vectors = heapEntries(xyz, 3);
  unsigned count = unsigned(xyz.size() / 3);
  float* distinct = glmWeldVectorArray(vectors, &count, epsilon);
  Welded result;
  for (size_t i = 0; i < xyz.size() / 3; i++) {
    result.newIndex.push_back(unsigned(vectors[3 * (i + 1)]));
    EXPECT_EQ(memcmp(&vectors[3 * (i + 1) + 1], &xyz[3 * i + 1], 2 * sizeof(float)), 0);
  }
  result.distinct.assign(distinct + 3, distinct + 3 * (count + 1));
  free(vectors);
  free(distinct);
  return result;
}

void expectSameWeld(const std::vector<float>& xyz, float epsilon) {
  Welded expected = scanWeld(xyz, epsilon), actual = libraryWeld(xyz, epsilon);
  ASSERT_EQ(actual.newIndex, expected.newIndex) << "epsilon " << epsilon;
  ASSERT_EQ(actual.distinct.size(), expected.distinct.size());
  EXPECT_EQ(memcmp(actual.distinct.data(), expected.distinct.data(), actual.distinct.size() * sizeof(float)), 0);
}

// Points in clusters of about epsilon, some on multiples of epsilon / 64 (so exactly epsilon
// apart and on the borders of any cell sized by epsilon), some one float step off those.
std::vector<float> randomPoints(std::mt19937& random, float epsilon, unsigned count) {
  std::uniform_real_distribution<float> unit(-1, 1);
  std::uniform_int_distribution<int> lattice(-600, 600), kind(0, 3);
  float spread = std::isfinite(epsilon * 8) && epsilon > 0 ? epsilon * 8 : 1.0f;
  std::vector<float> xyz;
  float centre[3] = {unit(random) * spread, unit(random) * spread, unit(random) * spread};
  for (unsigned i = 0; i < count; i++) {
    if (kind(random) == 0)
      for (float& c : centre) c = unit(random) * spread;
    for (float c : centre) {
      float value = c;
      switch (kind(random)) {
        case 0: value = c + unit(random) * epsilon; break;
        case 1: value = lattice(random) * (epsilon / 64); break;
        case 2: value = std::nextafter(lattice(random) * (epsilon / 64), unit(random) * INFINITY); break;
        default: break;
      }
      xyz.push_back(value);
    }
  }
  return xyz;
}

}  // namespace

TEST(VectorsEqual, DifferenceMustBeStrictlyBelowEpsilonInEveryComponent) {
  float a[3] = {1, 2, 3}, b[3] = {1.25f, 2, 3}, c[3] = {1, 2, 3.5f};
  EXPECT_TRUE(glmVectorsEqual(a, b, 0.5f));
  EXPECT_FALSE(glmVectorsEqual(a, b, 0.25f));
  EXPECT_FALSE(glmVectorsEqual(a, c, 0.5f));
  EXPECT_FALSE(glmVectorsEqual(a, a, 0.0f));
  float n[3] = {NAN, 2, 3};
  EXPECT_FALSE(glmVectorsEqual(n, n, INFINITY));
}

TEST(WeldVectorArray, NewIndexGoesIntoXAndDistinctVectorsKeepTheirOrder) {
  std::vector<float> xyz = {0, 0, 0, 5, 5, 5, 0.05f, 0, 0, 9, 9, 9, 5, 5.05f, 5};
  Welded welded = libraryWeld(xyz, 0.1f);
  EXPECT_EQ(welded.newIndex, (std::vector<unsigned>{1, 2, 1, 3, 2}));
  EXPECT_EQ(welded.distinct, (std::vector<float>{0, 0, 0, 5, 5, 5, 9, 9, 9}));
}

TEST(WeldVectorArray, VectorsExactlyEpsilonApartStaySeparate) {
  EXPECT_EQ(libraryWeld({0, 0, 0, 0, 0.5f, 0}, 0.5f).newIndex, (std::vector<unsigned>{1, 2}));
}

TEST(WeldVectorArray, ZeroOrNegativeEpsilonMergesNothing) {
  std::vector<float> xyz = {1, 1, 1, 1, 1, 1, 1, 1, 1};
  for (float epsilon : {0.0f, -1.0f, -INFINITY, NAN}) {
    Welded welded = libraryWeld(xyz, epsilon);
    EXPECT_EQ(welded.newIndex, (std::vector<unsigned>{1, 2, 3}));
    EXPECT_EQ(welded.distinct, xyz);
  }
}

TEST(WeldVectorArray, ChainsJoinTheRepresentativeNotItsMembers) {
  // B lies within epsilon of A, C within epsilon of B but not of A.
  std::vector<float> xyz = {0, 0, 0, 0.8f, 0, 0, 1.6f, 0, 0};
  EXPECT_EQ(libraryWeld(xyz, 1.0f).newIndex, (std::vector<unsigned>{1, 1, 2}));
  // D lies within epsilon of representatives 1 and 2 and joins the lower-numbered.
  xyz.insert(xyz.end(), {0.9f, 0, 0});
  EXPECT_EQ(libraryWeld(xyz, 1.0f).newIndex, (std::vector<unsigned>{1, 1, 2, 1}));
}

TEST(WeldVectorArray, NonFiniteVectorsNeverMerge) {
  std::vector<float> xyz = {NAN, 0, 0, NAN, 0, 0, INFINITY, 0, 0, INFINITY, 0, 0, 0, 0, -INFINITY, 1, 1, 1};
  EXPECT_EQ(libraryWeld(xyz, INFINITY).newIndex, (std::vector<unsigned>{1, 2, 3, 4, 5, 6}));
}

TEST(WeldVectorArray, ExtremeEpsilonsAndCoordinatesMatchThePlainScan) {
  std::vector<float> xyz = {0, 0, 0, FLT_MAX, 0, 0, -FLT_MAX, 0, 0, 1e30f, 1e30f, 1e30f,
                            std::nextafter(1e30f, 0.0f), 1e30f, 1e30f, 1e-40f, 0, 0, 2e-45f, 0, 0, -1e-45f, 0, 0};
  for (float epsilon : {INFINITY, FLT_MAX, 1e30f, 1.0f, 1e-30f, 1e-44f, FLT_TRUE_MIN}) expectSameWeld(xyz, epsilon);
}

TEST(WeldVectorArray, EmptyArrayGivesAnEmptyResult) {
  unsigned count = 0;
  float* vectors = heapEntries({}, 3);
  float* distinct = glmWeldVectorArray(vectors, &count, 1.0f);
  EXPECT_EQ(count, 0u);
  free(vectors);
  free(distinct);
}

TEST(WeldVectorArray, RandomInputsMatchThePlainScan) {
  std::mt19937 random(20261207);
  const float epsilons[] = {1e-6f, 0.001f, 0.1f, 1.0f, 3.0f, 1000.0f, 1e30f, FLT_TRUE_MIN, 1e-40f, 0.0f, -0.5f};
  for (int round = 0; round < 40; round++)
    for (float epsilon : epsilons) {
      std::vector<float> xyz = randomPoints(random, epsilon, 200);
      expectSameWeld(xyz, epsilon);
      if (HasFatalFailure()) return;
    }
}

TEST(WeldVectorArray, PointsAtLargeCoordinatesWithTinyEpsilonMatchThePlainScan) {
  // Coordinates far beyond 2^40 cells: the comparison degenerates to exact equality.
  std::mt19937 random(7);
  std::uniform_int_distribution<int> pick(0, 3);
  const float values[] = {1e20f, std::nextafter(1e20f, 0.0f), -1e20f, 3.0f};
  std::vector<float> xyz;
  for (int i = 0; i < 3 * 300; i++) xyz.push_back(values[pick(random)]);
  for (float epsilon : {1e-10f, 1e7f, 4.4e7f, 4.5e7f, 1e8f, 1e13f, 1e14f}) expectSameWeld(xyz, epsilon);
}

TEST(WeldVectorArray, LargeShuffledInputJoinsEachClusterToItsFirstMember) {
  // 100,000 lattice points one unit apart and a copy of each moved by less than epsilon / 2,
  // shuffled: the plain scan would give each vector the rank of its cluster's first
  // appearance. Large enough for the arrays that are allocated differently from small ones.
  const float epsilon = 0.01f;
  std::mt19937 random(3);
  std::uniform_real_distribution<float> jitter(-0.004f, 0.004f);
  std::vector<unsigned> cluster(200000);
  for (unsigned i = 0; i < cluster.size(); i++) cluster[i] = i % 100000;
  std::shuffle(cluster.begin(), cluster.end(), random);
  std::vector<float> xyz;
  for (unsigned i = 0; i < cluster.size(); i++) {
    unsigned c = cluster[i];
    bool moved = i % 2 == 1;
    for (float value : {float(c % 50), float(c / 50 % 50), float(c / 2500)})
      xyz.push_back(moved ? value + jitter(random) : value);
  }
  std::vector<unsigned> rank(100000, 0), expected;
  std::vector<float> firsts;
  for (unsigned i = 0; i < cluster.size(); i++) {
    if (rank[cluster[i]] == 0) {
      rank[cluster[i]] = unsigned(firsts.size() / 3 + 1);
      firsts.insert(firsts.end(), xyz.begin() + 3 * i, xyz.begin() + 3 * i + 3);
    }
    expected.push_back(rank[cluster[i]]);
  }
  Welded welded = libraryWeld(xyz, epsilon);
  EXPECT_EQ(welded.newIndex, expected);
  EXPECT_EQ(welded.distinct, firsts);
}

TEST(WeldVertices, IdenticalVerticesMergeAndTrianglesAreRenumbered) {
  ModelPtr model(buildModel({1, 1, 1, 1, 1, 1, 2, 2, 2}, {{1, 2, 3}, {3, 2, 1}}));
  glmWeldVertices(model.get(), 0.001f);
  ASSERT_EQ(model->numvertices, 2u);
  EXPECT_EQ(std::vector<float>(model->vertices, model->vertices + 9), (std::vector<float>{0, 0, 0, 1, 1, 1, 2, 2, 2}));
  const ModelTriangle* t = model->triangles;
  EXPECT_EQ((std::vector<unsigned>{t[0].vidx[0], t[0].vidx[1], t[0].vidx[2], t[1].vidx[0], t[1].vidx[1], t[1].vidx[2]}),
            (std::vector<unsigned>{1, 1, 2, 2, 1, 1}));
}

TEST(WeldVertices, DistinctVerticesKeepTheirOrderAndIndices) {
  ModelPtr cube(buildCube());
  std::vector<float> before(cube->vertices + 3, cube->vertices + 27);
  glmWeldVertices(cube.get(), 0.5f);
  ASSERT_EQ(cube->numvertices, 8u);
  EXPECT_EQ(std::vector<float>(cube->vertices + 3, cube->vertices + 27), before);
  EXPECT_EQ(cube->triangles[11].vidx[1], 6u);
}

TEST(WeldVertices, CornersNamingNoVertexGetZero) {
  ModelPtr model(buildModel({1, 1, 1, 1, 1, 1}, {{2, 9, 0}}));
  glmWeldVertices(model.get(), 0.001f);
  const unsigned* v = model->triangles[0].vidx;
  EXPECT_EQ((std::vector<unsigned>{v[0], v[1], v[2]}), (std::vector<unsigned>{1, 0, 0}));
}

TEST(WeldVertices, ModelWithoutVerticesStaysEmpty) {
  ModelPtr model(buildModel({}, {}));
  glmWeldVertices(model.get(), 1.0f);
  EXPECT_EQ(model->numvertices, 0u);
  EXPECT_NE(model->vertices, nullptr);
}
