// Finding the media folder: the working directory first, then the installed folder.
#include "app/media.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/test_files.h"

namespace {
namespace fs = std::filesystem;

const char* const MARKER = "data/porsche.obj";

// Runs each case in a folder of its own and returns to where it started.
class MediaFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    started_ = fs::current_path();
    fs::create_directories(dir_.path("work"));
    fs::current_path(dir_.path("work"));
  }
  void TearDown() override { fs::current_path(started_); }

  TempDir dir_;
  fs::path started_;
};

TEST_F(MediaFolder, WorkingDirectoryWithTheModelIsKept) {
  dir_.write("work/data/porsche.obj", "v 0 0 0\n");
  dir_.write("installed/data/porsche.obj", "v 0 0 0\n");
  EXPECT_TRUE(enterMediaFolder(MARKER, dir_.path("installed")));
  EXPECT_EQ(fs::current_path(), fs::canonical(dir_.path("work")));
}

TEST_F(MediaFolder, InstalledFolderIsEnteredWhenTheWorkingDirectoryLacksTheModel) {
  dir_.write("installed/data/porsche.obj", "v 0 0 0\n");
  EXPECT_TRUE(enterMediaFolder(MARKER, dir_.path("installed")));
  EXPECT_EQ(fs::current_path(), fs::canonical(dir_.path("installed")));
}

// A folder named like the model is not the model.
TEST_F(MediaFolder, FolderInPlaceOfTheModelDoesNotCount) {
  fs::create_directories(dir_.path("work/data/porsche.obj"));
  dir_.write("installed/data/porsche.obj", "v 0 0 0\n");
  EXPECT_TRUE(enterMediaFolder(MARKER, dir_.path("installed")));
  EXPECT_EQ(fs::current_path(), fs::canonical(dir_.path("installed")));
}

TEST_F(MediaFolder, NeitherPlaceHoldingTheModelNamesBothAndStays) {
  fs::create_directories(dir_.path("installed/data"));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(enterMediaFolder(MARKER, dir_.path("installed")));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "kerbhopper: \"data/porsche.obj\" is neither in the working directory \"" +
                fs::canonical(dir_.path("work")).string() + "\" nor in the media folder \"" +
                dir_.path("installed") + "\".\n");
  EXPECT_EQ(fs::current_path(), fs::canonical(dir_.path("work")));
}

TEST_F(MediaFolder, UnknownInstalledFolderIsSaidSo) {
  testing::internal::CaptureStderr();
  EXPECT_FALSE(enterMediaFolder(MARKER, ""));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("nor in the media folder \"(unknown)\""),
            std::string::npos);
}

// The installed folder is found from the program's own folder, as the installed layout has it.
TEST(InstalledMediaFolder, RelativeFolderStartsAtTheProgramsFolder) {
  fs::path program = fs::canonical("/proc/self/exe");
  EXPECT_EQ(installedMediaFolder("../share/kerbhopper"),
            (program.parent_path().parent_path() / "share" / "kerbhopper").string());
  EXPECT_EQ(installedMediaFolder("/opt/kerbhopper/./media/"), "/opt/kerbhopper/media/");
}

}  // namespace
