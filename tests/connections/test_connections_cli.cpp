// The two pages through orvantis-cli: show, set, export on settings files
// read from a simulated unit, and diag --page against recorded records.
#include <gtest/gtest.h>

#include <fstream>

#include "diag/diag_record.h"
#include "support/process.h"

namespace orv::test {
namespace {

class ConnectionsCli : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    const RunResult r = RunCli({"--sim", "3", "--pcb", "17", "read", "-o", dir_->File("unit.vesnar")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static std::string File(const std::string& name) { return dir_->File(name); }
  static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

  static TempDir* dir_;
};
TempDir* ConnectionsCli::dir_ = nullptr;

TEST_F(ConnectionsCli, ShowListsEntriesWithStoredBytesAndPatterns) {
  const RunResult r = RunCli({"show", File("unit.vesnar")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* line : {"\nПодключение\n", "    in6 Датчик открытия капота: Главный модуль, n/a (02 03)\n",
                           "    out24 Клаксон: Главный модуль, n/a (02 02)\n",
                           "    thr5 Вход n/a: выключен ниже  3.0 В, включен выше  8.0 В (1E 50)\n", "\nИмпульсы\n",
                           "  seq5 Свет: тревога [0082] | импульс 0.50 c | пауза 0.50 c |\n",
                           "  seq1 Свет: снятие [0000]\n"})
    EXPECT_TRUE(Has(r.out, line)) << line << r.out;
  // With the unit connected the wires have names.
  const RunResult unit = RunCli({"--sim", "3", "--pcb", "17", "show", "--unit"});
  EXPECT_TRUE(Has(unit.out, "in6 Датчик открытия капота: Главный модуль, CN10.7, оранжевый \"-\" (02 03)")) << unit.out;
}

TEST_F(ConnectionsCli, SetRunsThePageOperationsAndSavesTheirBytes) {
  const RunResult r = RunCli({"set", File("unit.vesnar"), "-o", File("edited.vesnar"), "in5=main:6", "out3=main:4",
                              "thr4=12,5:1.2", "seq5.cycle=0", "seq0.len=3", "seq0.p3=on:31", "seq3.len=7",
                              "seq8.p1=off:0"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const RunResult show = RunCli({"show", File("edited.vesnar")});
  for (const char* line : {"in5 Датчик педали тормоза: Главный модуль, n/a (02 03)",
                           "in6 Датчик открытия капота: Не назначен (00 00)",
                           "out3 Блокировка НЗ: Главный модуль, n/a (02 02)",  // the horn's wire moved
                           "out24 Клаксон: Не назначен (00 00)",
                           // Off first, then on below it pulls off down.
                           "thr4 Вход n/a: выключен ниже  1.1 В, включен выше  1.2 В (0B 0C)",
                           "seq5 Свет: тревога [0002]", "seq0 Свет: постановка [0003] | импульс 0.80 c | выкл | импульс 30 c |",
                           "seq3 Свет: сервисный режим [0007]", "seq8 Блокировка №2 НЗ: включение [0002] | выкл | ВКЛ |"})
    EXPECT_TRUE(Has(show.out, line)) << line << "\n" << show.out;
}

TEST_F(ConnectionsCli, RefusedEditsPrintThePageTextAndSaveNothing) {
  struct Case {
    std::vector<std::string> edits;
    const char* text;
  };
  const Case cases[] = {
      {{"in2=start"}, "Источник \"Модуль запуска\" недоступен для \"Датчик открытия дверей\""},
      {{"in8=main:0"}, "Провод 0 главного модуля недоступен для \"Вход датчика уровня топлива\""},
      {{"out1=start"}, "Источник \"Модуль запуска\" недоступен для \"Фары\""},
      {{"in1=sideways"}, "ожидается none, can, doors, start или main:<провод>"},
      {{"thr5=abc:1"}, "ожидается <выкл>:<вкл> в вольтах"},
      {{"inv3=1"}, "элемент скрыт"},  // the inversion column exists in expert mode only
      {{"seq3.p12=on:1"}, "Импульс #12 отсутствует"},
      {{"seq0.p1=on:x"}, "ожидается on:<секунды> или off:<секунды>"},
      {{"seq0.len=16"}, "допустимый диапазон: 0..15"},
      {{"seq0.cycle=1", "seq47.len=x"}, "допустимый диапазон"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"set", File("unit.vesnar"), "-o", File("refused.vesnar")};
    args.insert(args.end(), c.edits.begin(), c.edits.end());
    const RunResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, 2) << c.edits.front();
    EXPECT_TRUE(Has(r.err, c.text)) << r.err;
    EXPECT_FALSE(std::ifstream(File("refused.vesnar")).good()) << c.edits.front();
  }
  // In expert mode the inversion column exists; it is stored in bit 6.
  const RunResult ok = RunCli({"set", File("unit.vesnar"), "-o", File("inverted.vesnar"), "--expert", "inv3=1"});
  ASSERT_EQ(ok.exitCode, 0) << ok.err;
  EXPECT_TRUE(Has(RunCli({"show", File("inverted.vesnar")}).out, "in3 Вход постановки/снятия: Не назначен [инв.] (40 00)"));
}

TEST_F(ConnectionsCli, ExportCarriesBothMembers) {
  const RunResult r = RunCli({"export", File("unit.vesnar"), "--time", "0"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "{\"conn\":{\"conn_ins\":[{\"conn_i0\":\"CAN\",\"inv\":false},")) << r.out;
  EXPECT_TRUE(Has(r.out, "{\"conn_i6\":\"Главный модуль, n\\/a\",\"inv\":false}"));
  EXPECT_TRUE(Has(r.out, ",\"seqs\":[{\"seq0\":{\"len\":1,\"cycle\":false,\"items\":[800],\"onoff\":[true]}},"));
  EXPECT_TRUE(Has(r.out, "{\"seq1\":{\"len\":0,\"cycle\":false}}"));
}

// --- diag --page ---------------------------------------------------------------

std::string DiagFile(const TempDir& dir, const char* name, uint8_t power, uint8_t kind) {
  TExtendDiagRec rec;
  rec.Diag.ADC.Power = power;
  rec.Diag.GPSSVN = 9;
  rec.Diag.HILOrssi = 20;
  rec.Kind = kind;
  rec.StateDevices.Active = 0x02;
  const TDiagBytes bytes = DiagBytes(rec);
  const std::string path = dir.File(name);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return path;
}

TEST(ConnectionsCliDiag, ShowsRecordsAsTheLiveSubPages) {
  TempDir dir;
  // The factory alarm level of the supply is 11.5 V.
  const std::string low = DiagFile(dir, "low.bin", 115, 3), ok = DiagFile(dir, "ok.bin", 116, 3);
  struct Case {
    std::string file, date;
    std::vector<std::string> lines;
    std::vector<std::string> absent;
  };
  const Case cases[] = {
      {low, "27.07.2013", {"Напряжение питания системы ниже нормы, GSM и GPS отключены."}, {"Сигнал GSM"}},
      {ok, "27.07.2013", {"Сигнал GSM:", "Спутники:                               9", "Метка 2:                                на связи"},
       {"ниже нормы"}},
      {ok, "26.07.2013", {"Спутники:                               n/a", "HDOP:                                   n/a"}, {}},
  };
  for (const auto& c : cases) {
    const RunResult r = RunCli({"--sim", "4", "--core-date", c.date, "--diag-file", c.file, "diag", "--page", "--count",
                                "1", "--interval", "200"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const auto& line : c.lines) EXPECT_TRUE(r.out.find(line) != std::string::npos) << line << "\n" << r.out;
    for (const auto& line : c.absent) EXPECT_EQ(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  }
  EXPECT_EQ(RunCli({"--sim", "4", "diag", "--page", "--interval", "300"}).exitCode, 2);
  EXPECT_EQ(RunCli({"--sim", "4", "--core-date", "32.01.2013", "info"}).exitCode, 2);
  std::ofstream(dir.File("short.bin")) << "too short";
  EXPECT_EQ(RunCli({"--sim", "4", "--diag-file", dir.File("short.bin"), "info"}).exitCode, 2);
}

}  // namespace
}  // namespace orv::test
