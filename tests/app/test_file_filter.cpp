#include <gtest/gtest.h>

#include "app/file_filter.h"

namespace orv {
namespace {

TEST(FileFilter, CaptionsAndPatternsInTurn) {
  const auto e = ParseFileFilter("файлы настроек |*.vesnar|все файлы|*.*");
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].caption, "файлы настроек");
  EXPECT_EQ(e[0].patterns, std::vector<std::string>{"*.vesnar"});
  EXPECT_EQ(e[1].caption, "все файлы");
  EXPECT_EQ(e[1].patterns, std::vector<std::string>{"*.*"});
  const auto several = ParseFileFilter("images|*.hex; *.bin|odd");
  ASSERT_EQ(several.size(), 2u);
  EXPECT_EQ(several[0].patterns, (std::vector<std::string>{"*.hex", "*.bin"}));
  EXPECT_EQ(several[1].patterns, std::vector<std::string>{"*"});
  EXPECT_TRUE(ParseFileFilter("").empty());
}

TEST(FileFilter, DefaultExtensionIsTheFirstPatternsOwn) {
  EXPECT_EQ(DefaultExtension("файлы настроек |*.vesnar|все файлы|*.*"), "vesnar");
  EXPECT_EQ(DefaultExtension("все файлы|*.*"), "");
  EXPECT_EQ(DefaultExtension("все файлы|*"), "");
  EXPECT_EQ(DefaultExtension(""), "");
}

TEST(FileFilter, ATypedNameWithoutExtensionGetsTheDefault) {
  struct Case {
    const char* path;
    const char* expected;
  } cases[] = {
      {"/tmp/unit", "/tmp/unit.vesnar"},
      {"/tmp/unit.vesnar", "/tmp/unit.vesnar"},
      {"/tmp/unit.bak", "/tmp/unit.bak"},
      {"/tmp/unit.", "/tmp/unit.vesnar"},
      {"/tmp/my.dir/unit", "/tmp/my.dir/unit.vesnar"},
      {"/tmp/.hidden", "/tmp/.hidden.vesnar"},
      {"unit", "unit.vesnar"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(WithDefaultExtension(c.path, "vesnar"), c.expected) << c.path;
}

}  // namespace
}  // namespace orv
