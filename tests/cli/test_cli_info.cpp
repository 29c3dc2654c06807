#include <gtest/gtest.h>

#include "support/process.h"

namespace orv::test {
namespace {

TEST(CliInfo, PrintsTheIdentityOfASimulatedUnit) {
  const auto r = RunCli({"--sim", "3", "--serial", "1234", "info"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("ORVANTIS 3"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("SN 0000001234"), std::string::npos);
  EXPECT_NE(r.out.find("Boot v3: 12.01.21"), std::string::npos);
  EXPECT_NE(r.out.find("core1.5 p18.R5.3052 (15.03.2021)"), std::string::npos);
  EXPECT_NE(r.out.find("Доп. процессор:  core2.2 p18.R2."), std::string::npos);
  EXPECT_NE(r.out.find("CAN-прошивка:    CAN 1.07"), std::string::npos);
  EXPECT_NE(r.out.find("Брелок Hestor:   v12"), std::string::npos);
}

TEST(CliInfo, ModelsAndBoards) {
  const auto r = RunCli({"--sim", "1", "--pcb", "7", "info"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("ORVANTIS 1"), std::string::npos);
  EXPECT_NE(r.out.find("Плата:           7"), std::string::npos);
  EXPECT_NE(r.out.find("core1.5 p7.R5."), std::string::npos);
  EXPECT_EQ(r.out.find("Доп. процессор"), std::string::npos) << "model 1 has no auxiliary processor";
}

TEST(CliInfo, SilentUnitIsReportedAndExitsNonZero) {
  const auto r = RunCli({"--sim", "2", "--faults", "drop/db x*", "info"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("Блок Orvantis не отвечает"), std::string::npos) << r.err;
}

TEST(CliInfo, BadOptionsAreUsageErrors) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--sim", "5", "info"}, {"--sim", "x", "info"}, {"--faults", "boom", "info"}, {"nosuch"}, {"--sim"}}) {
    EXPECT_EQ(RunCli(args).exitCode, 2) << args[0];
  }
}

}  // namespace
}  // namespace orv::test
