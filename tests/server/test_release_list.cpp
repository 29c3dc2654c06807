// The release list, the version comparison, the history, and the file names
// the downloads are proposed under.
#include <gtest/gtest.h>

#include "server/release_list.h"
#include "server/release_update.h"

namespace orv {
namespace {

using selfupdate::ParseUpdateInfo;
using selfupdate::ReleaseListError;

std::string Release(int h, int m, int l, const std::string& date, const std::string& desc) {
  return R"({"varhigh":)" + std::to_string(h) + R"(,"vermid":)" + std::to_string(m) + R"(,"verlow":)" +
         std::to_string(l) + R"(,"file":"https://s/f","desc":")" + desc + R"(","date":")" + date + R"("})";
}

TEST(ReleaseList, NewestFieldsAndHistory) {
  const auto v = ParseUpdateInfo("{\"0\":" + Release(1, 2, 0, "d0", "new") + ",\"1\":" + Release(1, 1, 5, "d1", "mid") +
                                 ",\"2\":" + Release(1, 0, 0, "d2", "old") + "}");
  EXPECT_EQ(v.H, 1);
  EXPECT_EQ(v.M, 2);
  EXPECT_EQ(v.L, 0);
  EXPECT_EQ(v.Link, "https://s/f");
  EXPECT_EQ(v.Date, "d0");
  EXPECT_EQ(v.History, "1.2 (d0):\r\nnew\r\n\r\nИстория изменений:\r\n1.1.5 (d1):\r\nmid\r\n1.0 (d2):\r\nold\r\n");
}

TEST(ReleaseList, UpdateAvailable) {
  selfupdate::TSelfVersion v;
  v.H = 1;
  v.M = 2;
  v.L = 0;
  struct Case {
    uint16_t a, b, c;
    bool newer;
  } cases[] = {{1, 1, 5, true}, {1, 2, 0, false}, {1, 2, 1, false}, {0, 255, 255, true}, {2, 0, 0, false}};
  for (const auto& c : cases) EXPECT_EQ(v.UpdateAvailable(c.a, c.b, c.c), c.newer) << c.a << "." << c.b << "." << c.c;
  EXPECT_EQ(selfupdate::VersionText(1, 2, 0), "1.2");
  EXPECT_EQ(selfupdate::VersionText(1, 2, 3), "1.2.3");
  // Large numbers do not wrap around.
  v.H = 65535;
  EXPECT_TRUE(v.UpdateAvailable(1, 0, 0));
}

TEST(ReleaseList, BadListsFail) {
  const std::string ok = Release(1, 0, 0, "d", "x");
  for (const std::string& body :
       {std::string("[]"), std::string("{}"), std::string("nope"), "{\"0\":" + ok + ",\"2\":" + ok + "}",
        "{\"1\":" + ok + "}", std::string(R"({"0":{"varhigh":1,"vermid":0,"file":"f","desc":"","date":""}})"),
        std::string(R"({"0":{"varhigh":-1,"vermid":0,"verlow":0,"file":"f","desc":"","date":""}})"),
        std::string(R"({"0":{"varhigh":1,"vermid":0,"verlow":0,"file":5,"desc":"","date":""}})"),
        std::string(R"({"0":5})")})
    EXPECT_THROW(ParseUpdateInfo(body), ReleaseListError) << body;
}

TEST(SafeNames, ManualFileNames) {
  EXPECT_EQ(ManualFileName(false, "ignored"), "tech_manual_add.pdf");
  EXPECT_EQ(ManualFileName(true, "Audi A4 [KIR-17]"), "Техкарта Audi A4 [KIR-17].pdf");
  EXPECT_EQ(ManualFileName(true, "../../etc/passwd"), "Техкарта .._.._etc_passwd.pdf");
  EXPECT_EQ(SafeFileName("../x"), "_x");
  EXPECT_EQ(SafeFileName("..."), "_");
  EXPECT_EQ(SafeFileName("a\nb\x01" "c"), "a_b_c");
}

}  // namespace
}  // namespace orv
