// orvantis-cli firmware against an orvantis-sim unit on a private bus and the
// simulated server with its generated catalogue: the whole update, a refused
// update command, and a declined question.
#include <gtest/gtest.h>

#include <cstdlib>

#include "sim/sim_server.h"
#include "support/process.h"
#include "update/fw_texts.h"

namespace orv {
namespace {

using test::Background;
using test::RunCli;

class CliFirmware : public testing::Test {
 protected:
  void SetUp() override {
    bus_ = tmp_.File("bus");
    server_ = std::make_unique<sim::SimServer>(sim::ServerConfig{});
    std::string error;
    ASSERT_TRUE(server_->Start(error)) << error;
  }
  std::unique_ptr<Background> StartUnit(const std::string& faults = {}) {
    std::vector<std::string> args = {"unit", "--bus", bus_, "--model", "4", "--loader-ms", "300", "--aux-ms", "800"};
    if (!faults.empty()) args.insert(args.end(), {"--faults", faults});
    auto p = std::make_unique<Background>(test::SimPath(), args);
    EXPECT_TRUE(p->WaitForOutput("plugged: ", 5000)) << p->Err();
    return p;
  }
  test::RunResult Firmware(std::vector<std::string> args, const std::string& input = {}) {
    std::vector<std::string> all = {"--bus", bus_, "--server", server_->Url(), "--ca", server_->CaFile(), "firmware"};
    all.insert(all.end(), args.begin(), args.end());
    return RunCli(all, input);
  }
  static bool Has(const std::string& out, const std::string& text) { return out.find(text) != std::string::npos; }

  test::TempDir tmp_;
  std::string bus_;
  std::unique_ptr<sim::SimServer> server_;
};

TEST_F(CliFirmware, OldUnitIsUpdatedAndTheNextCheckFindsNothing) {
  auto unit = StartUnit();
  const auto check = Firmware({"check"});
  EXPECT_EQ(check.exitCode, 0) << check.err;
  EXPECT_TRUE(Has(check.out, "Ядро системы: core1.6 p18.R6")) << check.out;
  EXPECT_TRUE(Has(check.out, "Модуль запуска: remotestart.R8\n")) << check.out;

  const auto r = Firmware({"update", "--yes"});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  for (const char* t : {fwtext::kLoaderStart, fwtext::kCode3, "Обновление Core прошло успешно", fwtext::kAuxStarted,
                        "В памяти системы сохраняется ПО \"Модуль запуска\"", "Результат: OK, Обновление ПО завершено",
                        fwtext::kUpToDate})
    EXPECT_TRUE(Has(r.out, t)) << t << "\n" << r.out;
  EXPECT_TRUE(Has(r.err, "] 100% ")) << "the progress bar reaches the end";

  const auto after = Firmware({"check"});
  EXPECT_TRUE(Has(after.out, fwtext::kUpToDate)) << after.out;
  EXPECT_TRUE(Has(after.out, "Модуль запуска: remotestart.R8 [онлайн: R8]")) << after.out;
}

TEST_F(CliFirmware, RefusedUpdateAndDeclinedQuestion) {
  auto unit = StartUnit("update-code=127/55.08");
  const auto r = Firmware({"update", "--yes", "--force", "core"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Has(r.out, "Ошибка: $7F")) << r.out;
  EXPECT_TRUE(Has(r.out, "Результат: ОШИБКА, Обновление не закончено")) << r.out;
  EXPECT_TRUE(Has(r.out, "Результат: ОШИБКА, ПО не обновлено")) << r.out;
  EXPECT_TRUE(Has(r.out, "== Проверка обновлений")) << "a new check follows";

  const auto no = Firmware({"update"}, "n\n");
  EXPECT_EQ(no.exitCode, 4) << no.out << no.err;
  EXPECT_TRUE(Has(no.out, fwtext::kDeclined)) << no.out;

  const auto bad = Firmware({"update", "--force", "immo"});
  EXPECT_EQ(bad.exitCode, 2);
}

}  // namespace
}  // namespace orv
