#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/data_dir.h"

namespace fs = std::filesystem;

namespace {

class DataDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("orvantis-datadir-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
  }
  void TearDown() override { fs::remove_all(root); }
  std::string Make(const std::string& rel) {
    fs::create_directories(root / rel);
    return (root / rel).string();
  }
  fs::path root;
};

TEST_F(DataDirTest, LookupOrder) {
  const std::string env = Make("env");
  const std::string installed = Make("prefix/share/orvantis");
  const std::string buildBin = Make("build");
  const std::string beside = Make("build/data");
  const std::string cliBin = Make("build/cli");
  const std::string usrBin = Make("usr/bin");
  const std::string usrShare = Make("usr/share/orvantis");

  // The variable wins, even over data beside the program.
  EXPECT_EQ(orv::DataDirFrom(env.c_str(), buildBin, installed), env);
  // A variable naming no folder is an error, not a silent fallback.
  EXPECT_EQ(orv::DataDirFrom((root / "missing").c_str(), buildBin, installed), std::nullopt);
  // An empty variable counts as unset.
  EXPECT_EQ(orv::DataDirFrom("", buildBin, installed), beside);
  EXPECT_EQ(orv::DataDirFrom(nullptr, buildBin, installed), beside);
  // A program in a subfolder of the build tree.
  EXPECT_EQ(orv::DataDirFrom(nullptr, cliBin, installed), beside);
  // An installed or unpacked copy, wherever its prefix is.
  EXPECT_EQ(orv::DataDirFrom(nullptr, usrBin, installed), usrShare);
  // Nothing beside the program: the configured prefix.
  EXPECT_EQ(orv::DataDirFrom(nullptr, Make("lonely/bin"), installed), installed);
  EXPECT_EQ(orv::DataDirFrom(nullptr, "", installed), installed);
  EXPECT_EQ(orv::DataDirFrom(nullptr, "", (root / "none").string()), std::nullopt);
}

TEST_F(DataDirTest, FindsFilesOnlyInTheChosenFolder) {
  const std::string env = Make("env");
  std::ofstream(fs::path(env) / "voice.bin") << "x";
  ::setenv("ORVANTIS_DATA_DIR", env.c_str(), 1);
  EXPECT_EQ(orv::FindDataFile("voice.bin"), (fs::path(env) / "voice.bin").string());
  EXPECT_EQ(orv::FindDataFile("other.bin"), std::nullopt);
  fs::create_directories(fs::path(env) / "folder.bin");
  EXPECT_EQ(orv::FindDataFile("folder.bin"), std::nullopt);
  ::unsetenv("ORVANTIS_DATA_DIR");
}

}  // namespace
