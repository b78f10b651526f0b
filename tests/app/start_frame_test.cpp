// The first frame of the demo, drawn off-screen from the project's own media, against a
// committed reference picture. Run with KERB_UPDATE_REFERENCE=1 to rewrite the reference.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <stb_image.h>
#include <stb_image_write.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/renderer.h"
#include "support/gl_context.h"
#include "support/prerequisites.h"

namespace {
constexpr int SIZE = 1000;
const std::string REFERENCE = std::string(KERB_REFERENCE_DIR) + "/start_frame.png";
// Different Mesa builds may round a few texels or edge pixels differently.
constexpr double MAX_MEAN_ERROR = 2.0;         // per channel, of 255
constexpr double MAX_CHANGED_SHARE = 0.005;   // pixels off by more than CHANGED_LEVEL
constexpr int CHANGED_LEVEL = 48;

// RGB rows, top row first, as the picture files hold them.
std::vector<unsigned char> renderStartFrame() {
  initRenderer();
  reshape(SIZE, SIZE);
  drawFrame();
  glFinish();
  std::vector<unsigned char> bottomUp(SIZE * SIZE * 3), topDown(SIZE * SIZE * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, SIZE, SIZE, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
  for (int row = 0; row < SIZE; ++row)
    std::copy_n(&bottomUp[(SIZE - 1 - row) * SIZE * 3], SIZE * 3, &topDown[row * SIZE * 3]);
  return topDown;
}

bool writePng(const std::string& path, const std::vector<unsigned char>& rgb) {
  return stbi_write_png(path.c_str(), SIZE, SIZE, 3, rgb.data(), SIZE * 3) != 0;
}

TEST(StartFrame, MatchesTheReferencePicture) {
  if (chdir(KERB_MEDIA_DIR) != 0 || access("data/porsche.obj", R_OK) != 0)
    SKIP_FOR_LACK_OF("the demo's media (data/porsche.obj) in " << KERB_MEDIA_DIR);
  ASSERT_TRUE(makeOffscreenGlContext(SIZE, SIZE));
  const std::vector<unsigned char> actual = renderStartFrame();
  releaseOffscreenGlContext();
  if (getenv("KERB_UPDATE_REFERENCE")) {
    ASSERT_TRUE(writePng(REFERENCE, actual));
    GTEST_SKIP() << "reference rewritten: " << REFERENCE;
  }

  int width = 0, height = 0, channels = 0;
  unsigned char* expected = stbi_load(REFERENCE.c_str(), &width, &height, &channels, 3);
  ASSERT_NE(expected, nullptr) << "cannot read " << REFERENCE;
  ASSERT_EQ(width, SIZE);
  ASSERT_EQ(height, SIZE);
  std::vector<unsigned char> diff(actual.size());
  double totalError = 0;
  long changed = 0;
  for (size_t pixel = 0; pixel < actual.size(); pixel += 3) {
    int worst = 0;
    for (size_t c = pixel; c < pixel + 3; ++c) {
      const int error = std::abs(actual[c] - expected[c]);
      totalError += error;
      worst = std::max(worst, error);
    }
    changed += worst > CHANGED_LEVEL;
    diff[pixel] = diff[pixel + 1] = diff[pixel + 2] = static_cast<unsigned char>(255 - worst);
  }
  stbi_image_free(expected);
  const double meanError = totalError / actual.size();
  const double changedShare = static_cast<double>(changed) / (SIZE * SIZE);
  if (meanError > MAX_MEAN_ERROR || changedShare > MAX_CHANGED_SHARE) {
    const std::string here = std::string(KERB_BINARY_DIR) + "/start_frame_";
    writePng(here + "actual.png", actual);
    writePng(here + "diff.png", diff);  // dark where the frames differ
    ADD_FAILURE() << "the start frame differs from " << REFERENCE << ": mean error " << meanError
                  << ", " << changedShare * 100 << "% of pixels changed; see " << here << "actual.png and "
                  << here << "diff.png";
  }
}
}  // namespace
