// The settings commands of orvantis-cli against its in-process simulated unit.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/process.h"

namespace orv::test {
namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
  return n;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string Drain(int fd) {
  std::string out;
  char buf[4096];
  for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
  ::close(fd);
  return out;
}

// Runs the CLI as an unprivileged user when the tests run as root, for whom
// file permissions do not apply.
RunResult RunCliUnprivileged(const std::vector<std::string>& args) {
  if (::geteuid() != 0) return RunCli(args);
  int out[2], err[2];
  if (::pipe(out) != 0 || ::pipe(err) != 0) return {};
  const std::string cli = CliPath();
  std::vector<char*> argv{const_cast<char*>(cli.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    ::close(out[0]);
    ::close(err[0]);
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(126);
    ::execv(cli.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  RunResult r;
  r.out = Drain(out[0]);
  r.err = Drain(err[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

TEST(CliSettings, ReadAndWriteASettingsFile) {
  TempDir dir;
  const std::string file = dir.File("unit.vesnar");
  auto r = RunCli({"--sim", "3", "read", "-o", file});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "Настройки прочитаны."));
  EXPECT_TRUE(Contains(r.out, "Результат: OK, Настройки сохранены"));
  EXPECT_TRUE(Contains(r.err, "Чтение настроек 93%")) << "progress";
  auto bytes = ReadFile(file);
  ASSERT_EQ(bytes.size(), 3692u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4), (std::vector<uint8_t>{0x7f, 0x40, 0x00, 0x04}));

  bytes[4] = 'X';  // the access point name
  WriteFile(file, bytes);
  r = RunCli({"--sim", "3", "write", file});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "Настройки сохранены."));
  EXPECT_TRUE(Contains(r.out, "Результат: OK, Настройки синхронизированы"));
  EXPECT_TRUE(Contains(r.err, "Сохранение настроек 93%"));
}

TEST(CliSettings, FaultsEndWithAnErrorAndNonZeroExit) {
  TempDir dir;
  const std::string file = dir.File("unit.vesnar");
  auto r = RunCli({"--sim", "3", "--faults", "code/55.05@20 x*", "read", "-o", file});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Contains(r.out, "Чтение настроек устройства...Ошибка")) << r.out;
  EXPECT_TRUE(Contains(r.out, "Результат: ОШИБКА"));
  EXPECT_FALSE(std::filesystem::exists(file)) << "a failed read saves nothing";

  ASSERT_EQ(RunCli({"--sim", "3", "read", "-o", file}).exitCode, 0);
  r = RunCli({"--sim", "3", "--faults", "fail-write/55.04@4 x*", "write", file});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Contains(r.out, "Ошибка записи данных (64 bytes @1D948)")) << r.out;
  EXPECT_TRUE(Contains(r.err, "Ошибка записи данных")) << r.err;
  EXPECT_FALSE(Contains(r.out, "Результат: OK, Настройки синхронизированы"));

  r = RunCli({"--sim", "3", "--faults", "len/95 x*", "write", file});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Contains(r.out, "Настройки не записаны в устройство."));
  EXPECT_TRUE(Contains(r.err, "Сохранение настроек...Ошибка"));
}

TEST(CliSettings, BadSettingsFilesAreRefused) {
  TempDir dir;
  const std::string v5 = dir.File("v5.vesnar"), cut = dir.File("cut.vesnar");
  WriteFile(v5, {0x7f, 0x40, 0x00, 0x05, 0, 0, 0, 0});
  WriteFile(cut, {0x7f, 0x40, 0x00, 0x04, 0, 0, 0, 0});
  for (const auto& f : {v5, cut}) {
    auto r = RunCli({"--sim", "2", "write", f});
    EXPECT_EQ(r.exitCode, 1) << f;
    EXPECT_FALSE(Contains(r.out, "Сохранение настроек в устройстве...")) << "nothing is written";
  }
  auto r = RunCli({"--sim", "2", "write", v5});
  EXPECT_TRUE(Contains(r.err, "Версия формата настроек (v5) не поддерживается. Необходимо обновить Конфигуратор Orvantis"));
  r = RunCli({"show", v5});
  EXPECT_EQ(r.exitCode, 1);
  r = RunCli({"--sim", "2", "write", dir.File("none.vesnar")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Contains(r.err, "Не удалось открыть файл настроек"));
}

TEST(CliSettings, FactoryResetAsksAndAnswersFromFlagsOrTheTerminal) {
  auto r = RunCli({"--sim", "1", "factory-reset", "--yes"});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(Count(r.out, "Продолжить?"), 1u);
  EXPECT_TRUE(Contains(r.out, "Заводские настройки ORVANTIS 1 установлены."));
  EXPECT_TRUE(Contains(r.out, "Настройки прочитаны.")) << "everything is read back afterwards";

  r = RunCli({"--sim", "3", "factory-reset", "--yes"});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(Count(r.out, "Продолжить?"), 2u);
  EXPECT_TRUE(Contains(r.out, "Дополнительная информация для устройства Orvantis 3:\n"));

  r = RunCli({"--sim", "3", "factory-reset", "--no"});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_FALSE(Contains(r.out, "установлены."));
  EXPECT_TRUE(Contains(r.out, "Отменено"));

  r = RunCli({"--sim", "4", "factory-reset"}, "да\nнет\n");
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(Count(r.out, "[Да/Нет]"), 2u);
  r = RunCli({"--sim", "4", "factory-reset"}, "Да\nyes\n");
  EXPECT_EQ(r.exitCode, 0) << r.out;
  r = RunCli({"--sim", "2", "factory-reset"}, "");
  EXPECT_EQ(r.exitCode, 4) << "no answer is no";

  r = RunCli({"--sim", "2", "--faults", "fail-write/55.04@2 x*", "factory-reset", "--yes"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Contains(r.err, "Ошибка записи данных"));
}

TEST(CliSettings, ShowListsThePagesControlsAndNoPin) {
  TempDir dir;
  const std::string file = dir.File("m3.vesnar");
  ASSERT_EQ(RunCli({"--sim", "3", "read", "-o", file}).exitCode, 0);
  auto r = RunCli({"show", file});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* line : {"Настройки\n", "  bit7: [x] Иммобилайзер\n", "  bit2: [x] Индикация тревоги светом\n",
                           "  bit17: [ ] Автоснятие\n", "  tbAnswerTimeout: 120 c\n", "  tbTripEndTimeout: 1 мин\n",
                           "  eUSSD: #100#\n", "  tbMic: +2\n", "  tbShockAlarm: норма\n", "Интернет\n",
                           "  сервер: заводской\n"})
    EXPECT_TRUE(Contains(r.out, line)) << line;
  EXPECT_FALSE(Contains(r.out, "Сообщения")) << "a settings file carries no message flags";
  EXPECT_EQ(Count(r.out, "1234"), 0u) << "the PIN has no control";

  r = RunCli({"--sim", "1", "--pcb", "7", "show", "--unit"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "  bit7: [ ] Иммобилайзер\n"));
  EXPECT_TRUE(Contains(r.out, "  tbMic: норма\n")) << "level code 10, position 3";
  EXPECT_TRUE(Contains(r.out, "Сообщения\n  msg10: звонок=1 SMS=1 роуминг=нет (Перегрузка)\n"));
  EXPECT_FALSE(Contains(r.out, "Чтение настроек")) << "no progress in the listing";
}

TEST(CliSettings, SavingIntoAReadOnlyFolderKeepsTheEarlierFile) {
  TempDir dir;
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
  const std::string ro = dir.File("ro");
  ASSERT_TRUE(std::filesystem::create_directory(ro));
  const std::string file = ro + "/s.vesnar";
  WriteFile(file, {'e', 'a', 'r', 'l', 'i', 'e', 'r'});
  ASSERT_EQ(::chmod(ro.c_str(), 0555), 0);
  const auto r = RunCliUnprivileged({"--sim", "3", "read", "-o", file});
  ::chmod(ro.c_str(), 0755);
  EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
  EXPECT_TRUE(Contains(r.err, "Не удалось сохранить файл настроек")) << r.err;
  EXPECT_EQ(ReadFile(file), (std::vector<uint8_t>{'e', 'a', 'r', 'l', 'i', 'e', 'r'}));
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(ro)) ++entries;
  EXPECT_EQ(entries, 1u);
}

TEST(CliSettings, UsageErrors) {
  for (const auto& args : std::vector<std::vector<std::string>>{{"--sim", "3", "read"},
                                                               {"--sim", "3", "write"},
                                                               {"--sim", "3", "write", "a", "b"},
                                                               {"--sim", "3", "factory-reset", "--yes", "--no"},
                                                               {"show"},
                                                               {"show", "a", "--unit"}}) {
    EXPECT_EQ(RunCli(args).exitCode, 2) << args.back();
  }
}

}  // namespace
}  // namespace orv::test
