// orvantis-cli diag against simulated units.
#include <gtest/gtest.h>

#include "support/process.h"

namespace orv::test {
namespace {

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
  return n;
}

TEST(CliDiag, PrintsOneBlockPerRecord) {
  const auto r = RunCli({"--sim", "4", "diag", "--interval", "50", "--count", "3"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Count(r.out, "Запись "), 3u) << r.out;
  EXPECT_NE(r.out.find("Запись 3, вид 3"), std::string::npos);
  for (const char* caption : {"Логические статусы:", "Статусы CAN:", "Напряжение питания:", "Сигнал GSM:", "GPS:",
                              "Режим модуля запуска:      Дежурный режим", "Состояние модуля запуска:",
                              "Состояние автозапуска:", "Температура салона:", "Обороты двигателя:",
                              "Связь с модулем запуска:   ", "Метка 1:", "Беспроводные реле:         1 на связи"})
    EXPECT_NE(r.out.find(caption), std::string::npos) << caption;
  EXPECT_NE(r.out.find("Логические статусы:        Ручной тормоз, Парк, Постановка/снятие"), std::string::npos)
      << "lamps that are on, by name";
}

TEST(CliDiag, KindsShowWhatTheyCarry) {
  auto r = RunCli({"--sim", "1", "diag", "--interval", "20", "--count", "1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Запись 1, вид 0"), std::string::npos);
  EXPECT_NE(r.out.find("Режим модуля запуска:      н/д"), std::string::npos);
  EXPECT_NE(r.out.find("Связь с модулем запуска:   н/д"), std::string::npos);
  EXPECT_EQ(r.out.find("Метка 1:"), std::string::npos);

  r = RunCli({"--sim", "3", "diag", "--interval", "20", "--count", "1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Температура салона:        ?"), std::string::npos) << "no start module";
  EXPECT_NE(r.out.find("Состояние автозапуска:     н/д"), std::string::npos);
}

TEST(CliDiag, RawAddsTheRecordBytes) {
  const auto r = RunCli({"--sim", "2", "diag", "--interval", "20", "--count", "1", "--raw"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // 113 bytes: seven full rows of 16 and one of a single byte (the kind-2 tail is zero).
  EXPECT_NE(r.out.find("\n  01 "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n  00\n"), std::string::npos) << r.out;
}

TEST(CliDiag, SilentAndRemovedUnitsEndWithAnError) {
  auto r = RunCli({"--sim", "4", "--faults", "drop/91 x*", "diag", "--interval", "50", "--count", "2"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Блок Orvantis не отвечает"), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find("Запись"), std::string::npos);

  r = RunCli({"--sim", "4", "--faults", "unplug/91@2", "diag", "--interval", "50", "--count", "5"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(Count(r.out, "Запись "), 1u) << r.out;
  EXPECT_NE(r.err.find("Блок Orvantis отключен"), std::string::npos) << r.err;
}

TEST(CliDiag, BadOptionsAreUsageErrors) {
  for (const auto& args : std::vector<std::vector<std::string>>{{"--sim", "4", "diag", "--interval", "5"},
                                                                {"--sim", "4", "diag", "--interval", "x"},
                                                                {"--sim", "4", "diag", "--count", "0"},
                                                                {"--sim", "4", "diag", "--count"},
                                                                {"--sim", "4", "diag", "extra"}}) {
    const auto r = RunCli(args);
    EXPECT_EQ(r.exitCode, 2) << args[3];
  }
}

}  // namespace
}  // namespace orv::test
