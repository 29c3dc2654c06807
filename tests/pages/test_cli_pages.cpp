// The page commands of orvantis-cli: show, set, export and dump, against
// simulated units in orvantis-sim processes and in-process ones.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstdlib>
#include <filesystem>

#include "settings/json_writer.h"
#include "support/process.h"

namespace orv::test {
namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// One orvantis-sim unit per test on a private bus; the CLI commands reach it
// through --bus.
class CliPages : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* v = std::getenv("XDG_RUNTIME_DIR")) savedXdg_ = v;
    ::setenv("XDG_RUNTIME_DIR", dir_.Path().c_str(), 1);
    bus_ = dir_.File("bus");
  }
  void TearDown() override {
    unit_.reset();
    if (savedXdg_) ::setenv("XDG_RUNTIME_DIR", savedXdg_->c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
  }
  void StartUnit(std::vector<std::string> pokes = {}) {
    std::vector<std::string> args = {"unit", "--bus", bus_, "--model", "2", "--serial", "77"};
    for (const auto& p : pokes) args.insert(args.end(), {"--poke", p});
    unit_ = std::make_unique<Background>(SimPath(), args);
    ASSERT_TRUE(unit_->WaitForOutput("plugged: ", 5000)) << unit_->Err();
  }
  RunResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--bus", bus_});
    return RunCli(args);
  }
  std::string Dump(int k) {
    const RunResult r = Cli({"dump", std::to_string(k)});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
  }

  TempDir dir_;
  std::string bus_;
  std::unique_ptr<Background> unit_;
  std::optional<std::string> savedXdg_;
};

TEST_F(CliPages, ServerFieldsThatDifferAskAndOnlyYesRestoresThem) {
  StartUnit({"0:64:54"});  // the host's first letter in upper case
  const std::string before = Dump(0);
  RunResult r = Cli({"show", "--unit"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Contains(r.err, "отличаются от заводских")) << "the question goes to stderr";
  EXPECT_TRUE(Contains(r.err, "Нет (--no)"));
  EXPECT_TRUE(Contains(r.out, "  сервер: отличается\n"));
  EXPECT_EQ(Dump(0), before) << "\"Нет\" writes nothing";

  r = Cli({"show", "--unit", "--yes"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Contains(r.err, "Да (--yes)"));
  EXPECT_NE(Dump(0), before) << "written back within the read";
  r = Cli({"show", "--unit"});
  EXPECT_FALSE(Contains(r.err, "Внимание")) << r.err;
  EXPECT_TRUE(Contains(r.out, "  сервер: заводской\n"));
}

TEST_F(CliPages, APortWithZerosThenFfPasses) {
  StartUnit({"0:96:353636350000FFFFFF"});
  const RunResult r = Cli({"show", "--unit"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_FALSE(Contains(r.err, "Внимание"));
  EXPECT_TRUE(Contains(r.out, "  сервер: заводской\n"));
}

TEST_F(CliPages, SetWritesTheUnitWithReadBack) {
  StartUnit({"9:20:0111", "9:6:ABCD"});
  const std::string before = Dump(9);
  RunResult r = Cli({"set", "--unit", "--expert", "eLogin=abcdefghijklmnop", "msg10.0=0", "msg10.10=1",
                     "tbAnswerTimeout=45"});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "Настройки сохранены."));
  const std::string region9 = Dump(9);
  EXPECT_TRUE(Contains(region9, "0010: 00 00 00 00 05 10 ")) << region9 << "\nbit 8 kept";
  EXPECT_TRUE(Contains(region9, "0000: 00 00 00 00 01 00 AB CD")) << "message 3 has no row";
  EXPECT_EQ(region9.substr(region9.find("0020:")), before.substr(before.find("0020:")));
  EXPECT_TRUE(Contains(Dump(0), "0020: 61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 6E 6F 70\n"));
  r = Cli({"show", "--unit"});
  EXPECT_TRUE(Contains(r.out, "  eLogin: abcdefghijklmnop\n")) << "a 16-character login reads back whole";
  EXPECT_TRUE(Contains(r.out, "  tbAnswerTimeout: 45 c\n"));
  EXPECT_TRUE(Contains(r.out, "  msg10: звонок=- SMS=1 роуминг=да (Перегрузка)\n"));

  // Unchanged messages are not written again: the unit's own bytes stay.
  r = Cli({"set", "--unit", "eAPN=apn"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Dump(9), region9);
}

TEST(CliPagesFile, SetRefusesWithTheReasonAndWritesNothing) {
  TempDir dir;
  const std::string file = dir.File("m3.vesnar"), out = dir.File("out.vesnar");
  ASSERT_EQ(RunCli({"--sim", "3", "read", "-o", file}).exitCode, 0);
  const struct {
    std::vector<std::string> sets;
    std::string reason;
  } refusals[] = {
      {{"--expert", "tbPitTime=47"}, "tbPitTime=47: допустимый диапазон: 10..46"},
      {{"tbAnswerTimeout=60"}, "tbAnswerTimeout=60: элемент недоступен"},
      {{"bit47=1", "--expert", "tbTempEngine=-20"}, "tbTempEngine=-20: элемент недоступен"},
      {{"bit8=1"}, "bit8=1: элемент недоступен"},
      {{"bit28=1"}, "bit28=1: элемент скрыт"},
      {{"msg10.4=0"}, "msg10.4=0: этих настроек нет в файле настроек"},
      {{"eAPN=интернет"}, "eAPN=интернет: допустимы только латинские буквы"},
      {{"nosuch=1"}, "nosuch=1: нет такого элемента"},
      {{"rbSVN2=1"}, "rbSVN2=1: элемент недоступен"},
      {{"--expert", "rbSVN2=0"}, "rbSVN2=0: переключатель можно только включить: 1"},
  };
  for (const auto& c : refusals) {
    std::vector<std::string> args = {"set", file, "-o", out};
    args.insert(args.end(), c.sets.begin(), c.sets.end());
    const RunResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, 2) << c.reason;
    EXPECT_TRUE(Contains(r.err, c.reason)) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out)) << c.reason;
  }

  RunResult r = RunCli({"set", file, "-o", out, "--expert", "bit47=1", "tbPitTime=46", "rbSVN2=1", "eAPN=x/y",
                        "tbAnswerTimeout=60"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = RunCli({"show", out});
  for (const char* line : {"  bit47: [x] Запрет автоматических запусков\n", "  tbPitTime: без ограничения\n",
                           "  rbSVN2: [x] 7\n", "  rbSVN0: [ ] 3\n", "  eAPN: x/y\n", "  tbAnswerTimeout: 60 c\n"})
    EXPECT_TRUE(Contains(r.out, line)) << line;
  r = RunCli({"export", out, "--sync", "--time", "0"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto doc = json::Parse(r.out);
  EXPECT_EQ(doc["timepit"], 0);
  EXPECT_EQ(doc["gpsnavtype"], 7);
  EXPECT_EQ(doc["configuration"]["internet"]["inet_apn"], "x/y");
  EXPECT_TRUE(Contains(r.out, R"("inet_apn":"x\/y")"));
}

TEST(CliPagesFile, ExportIsOneLineWithTheGivenMoment) {
  TempDir dir;
  const std::string file = dir.File("m1.vesnar");
  ASSERT_EQ(RunCli({"--sim", "1", "read", "-o", file}).exitCode, 0);
  const char* tz = std::getenv("TZ");
  const std::optional<std::string> saved = tz ? std::optional<std::string>(tz) : std::nullopt;
  ::setenv("TZ", "MSK-3", 1);
  RunResult r = RunCli({"export", file, "--time", "1700000000"});
  if (saved) ::setenv("TZ", saved->c_str(), 1);
  else ::unsetenv("TZ");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // The remote-start, connections and impulses exports have tests of their own.
  const size_t rs = r.out.find("\"rstart\":{\"rs_opt\""), inet = r.out.find(",\"internet\"");
  ASSERT_TRUE(rs != std::string::npos && inet != std::string::npos && rs < inet) << r.out;
  r.out.replace(rs + 9, inet - rs - 9, "{}");
  EXPECT_EQ(r.out.rfind(R"({"conn":{"conn_ins":[)", 0), 0u) << r.out;
  const std::string tail =
      R"(}}],"can":{"can_user":{},"can_opt":{"can_odometer":false,"can_fuellevel":false,"can_fuelmeasured":false,)"
      R"("can_fuelconsumption":false,"can_RPM":false,"can_coolanttemp":false,"can_Accelerator":false,)"
      R"("can_wheelangle":false,"can_brakeforce":false}},)"
      R"("rstart":{},"internet":{"inet_apn":"internet.mts.ru","inet_login":"mts","inet_pwd":"mts"},)"
      R"("sdate":{"localtime":"15.11.2023 01:13","timezone":"-180, MSK","UTC":"1700010800"}})"
      "\n";
  ASSERT_GE(r.out.size(), tail.size());
  EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"export"}, {"export", file, "--time", "x"}, {"export", file, "--unit"}, {"dump", "8"}, {"dump", "15"},
           {"set", file, "bit7=1"}, {"set", "--unit", "-o", "x", "bit7=1"}, {"set", file, "-o", "x"}})
    EXPECT_EQ(RunCli(bad).exitCode, 2) << bad.back();
}

}  // namespace
}  // namespace orv::test
