// What orvantis-cli says and returns: Russian texts, documented exit codes,
// failures found before the unit is touched, progress fit for a log.
#include <gtest/gtest.h>

#include <regex>

#include "support/process.h"

namespace orv::test {
namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(CliResults, HelpListsEveryExitCode) {
  const auto r = RunCli({"--help"});
  ASSERT_EQ(r.exitCode, 0);
  for (const char* line : {"  0  успешно", "  1  операция не выполнена", "  2  неверные параметры", "  3  блок не найден",
                           "  4  отменено", "  5  настройки записаны в блок, но не синхронизированы", "  6  устройство занято"})
    EXPECT_TRUE(Contains(r.out, line)) << line << "\n" << r.out;
}

TEST(CliResults, UsageErrorsAreRussian) {
  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  const Case cases[] = {
      {{"--bogus", "info"}, "неизвестный параметр --bogus"},
      {{"--sim"}, "параметру --sim нужно значение"},
      {{"--sim", "9", "info"}, "--sim: нужно число от 1 до 4"},
      {{"frobnicate"}, "неизвестная команда 'frobnicate'"},
      {{"--sim", "3", "info", "extra"}, "лишний аргумент 'extra'"},
      {{"--sim", "3", "read"}, "не указан файл настроек"},
      {{"--sim", "3", "factory-reset", "--yes", "--no"}, "исключают друг друга"},
  };
  for (const auto& c : cases) {
    const auto r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, 2) << c.says;
    EXPECT_TRUE(Contains(r.err, c.says)) << r.err;
  }
}

TEST(CliResults, ReadIntoAMissingFolderFailsBeforeReadingTheUnit) {
  TempDir dir;
  const auto r = RunCli({"--sim", "3", "read", "-o", dir.File("no/such/unit.vesnar")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Contains(r.err, "нет такого файла или папки")) << r.err;
  EXPECT_FALSE(Contains(r.out, "Чтение настроек")) << r.out;
  const auto intoFolder = RunCli({"--sim", "3", "read", "-o", dir.Path()});
  EXPECT_EQ(intoFolder.exitCode, 1);
  EXPECT_FALSE(Contains(intoFolder.out, "Чтение настроек")) << intoFolder.out;
}

TEST(CliResults, ProgressOffATerminalIsOneLinePerRun) {
  TempDir dir;
  const auto r = RunCli({"--sim", "3", "read", "-o", dir.File("unit.vesnar")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::regex step("(Чтение|Сохранение) настроек [0-9]+%");
  const auto n = std::distance(std::sregex_iterator(r.err.begin(), r.err.end(), step), std::sregex_iterator());
  EXPECT_EQ(n, 2) << r.err;  // the read and the save
  EXPECT_FALSE(Contains(r.err, "\r")) << "no in-place redraws into a pipe";
}

}  // namespace
}  // namespace orv::test
