// Several programs on one unit, and programs that die, stop or hand in bad
// files: whatever happens, no command saves or writes wrong data and calls it
// a success. Simulated units run as orvantis-sim processes on a private bus.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <random>
#include <thread>

#include "support/process.h"

namespace orv::test {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class SharedUnit : public ::testing::Test {
 protected:
  void SetUp() override {
    // Lock files go to the test's own folder.
    Save("XDG_RUNTIME_DIR");
    Save("ORVANTIS_BUS");
    runtime_ = tmp_.File("run");
    ::mkdir(runtime_.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    ::unsetenv("ORVANTIS_BUS");
    bus_ = tmp_.File("bus");
  }
  void TearDown() override {
    for (auto& [name, value] : saved_) {
      if (value) ::setenv(name.c_str(), value->c_str(), 1);
      else ::unsetenv(name.c_str());
    }
  }
  void Save(const char* name) {
    const char* v = std::getenv(name);
    saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
  }
  std::unique_ptr<Background> StartUnit(uint32_t serial, std::vector<std::string> extra = {}, std::string bus = {}) {
    std::vector<std::string> args = {"unit", "--bus", bus.empty() ? bus_ : bus, "--serial", std::to_string(serial)};
    args.insert(args.end(), extra.begin(), extra.end());
    auto p = std::make_unique<Background>(SimPath(), args);
    EXPECT_TRUE(p->WaitForOutput("plugged: ", 5000)) << p->Err();
    return p;
  }
  RunResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--bus", bus_});
    return RunCli(args);
  }

  TempDir tmp_;
  std::string runtime_, bus_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(SharedUnit, AReadRightAfterAnInterruptedOneFailsOrReturnsExactlyTheUnitsContents) {
  // Several units side by side keep the fifty rounds short; each report
  // costs 4 ms, so the interrupted reads die mid-exchange.
  constexpr int kUnits = 5, kRounds = 10;
  std::vector<std::unique_ptr<Background>> units;
  for (int u = 0; u < kUnits; ++u)
    units.push_back(StartUnit(500 + u, {"--timing-ms", "4"}, tmp_.File("bus" + std::to_string(u))));

  std::vector<std::future<std::pair<int, int>>> runs;  // (rounds with a good read, rounds with a wrong one)
  for (int u = 0; u < kUnits; ++u) {
    runs.push_back(std::async(std::launch::async, [this, u] {
      const std::string dir = tmp_.File("u" + std::to_string(u));
      std::filesystem::create_directory(dir);
      const std::string bus = tmp_.File("bus" + std::to_string(u));
      auto read = [&](const std::string& file) {
        return std::vector<std::string>{"--bus", bus, "read", "-o", file};
      };
      const auto ref = RunCli(read(dir + "/ref.vesnar"));
      if (ref.exitCode != 0) return std::pair{-1, 0};
      const std::vector<uint8_t> expected = ReadFile(dir + "/ref.vesnar");
      std::mt19937 rng(static_cast<unsigned>(u) * 7919u + 1u);
      int good = 0, wrong = 0;
      for (int round = 0; round < kRounds; ++round) {
        Background victim(CliPath(), read(dir + "/victim.vesnar"));
        std::this_thread::sleep_for(std::chrono::milliseconds(50 + rng() % 451));
        // The next read is already waiting for the unit when the first one
        // dies in the middle of an exchange: it takes over at once.
        const std::string file = dir + "/again.vesnar";
        std::filesystem::remove(file);
        Background again(CliPath(), read(file));
        std::this_thread::sleep_for(30ms);
        victim.Signal(round % 2 ? SIGKILL : SIGINT);
        victim.Wait(5000);
        if (again.Wait(30000) != 0) continue;
        if (ReadFile(file) == expected) ++good;
        else ++wrong;
      }
      return std::pair{good, wrong};
    }));
  }
  int good = 0;
  for (auto& r : runs) {
    const auto [g, w] = r.get();
    ASSERT_GE(g, 0) << "the reference read failed";
    EXPECT_EQ(w, 0) << "a read saved data that is not the unit's";
    good += g;
  }
  EXPECT_GT(good, kUnits * kRounds * 3 / 4) << "follow-up reads should mostly succeed";
}

TEST_F(SharedUnit, TwoWritersAndAReaderNeverMixTheirFiles) {
  // A millisecond per report: one write takes a few hundred, so the runs
  // overlap and the order in which they end is plain.
  auto unit = StartUnit(700, {"--timing-ms", "1"});
  const std::string a = tmp_.File("a.vesnar"), b = tmp_.File("b.vesnar"), r = tmp_.File("r.vesnar");
  ASSERT_EQ(RunCli({"--sim", "1", "read", "-o", a}).exitCode, 0);
  ASSERT_EQ(RunCli({"--sim", "2", "read", "-o", b}).exitCode, 0);
  ASSERT_NE(ReadFile(a), ReadFile(b));
  ASSERT_EQ(Cli({"read", "-o", r}).exitCode, 0);
  std::vector<uint8_t> before = ReadFile(r);

  for (int round = 0; round < 30; ++round) {
    struct Done {
      int rc;
      SteadyClock::time_point at;
    };
    auto run = [this](std::vector<std::string> args) {
      return std::async(std::launch::async, [this, args] {
        const int rc = Cli(args).exitCode;
        return Done{rc, SteadyClock::now()};
      });
    };
    std::filesystem::remove(r);
    auto wa = run({"write", a});
    auto wb = run({"write", b});
    auto rd = run({"read", "-o", r});
    const Done da = wa.get(), db = wb.get(), dr = rd.get();
    ASSERT_TRUE(da.rc == 0 || db.rc == 0) << "round " << round;

    const std::vector<uint8_t> last = (db.rc != 0 || (da.rc == 0 && da.at > db.at)) ? ReadFile(a) : ReadFile(b);
    const std::string check = tmp_.File("check.vesnar");
    ASSERT_EQ(Cli({"read", "-o", check}).exitCode, 0);
    const auto held = ReadFile(check);
    EXPECT_TRUE(held == ReadFile(a) || held == ReadFile(b)) << "round " << round << ": the unit holds a mix";
    EXPECT_EQ(held, last) << "round " << round << ": the unit does not hold the write that ended last";
    if (dr.rc == 0) {
      const auto seen = ReadFile(r);
      EXPECT_TRUE(seen == ReadFile(a) || seen == ReadFile(b) || seen == before)
          << "round " << round << ": the read saw half of a write";
    }
    before = last;
  }
}

TEST_F(SharedUnit, AStoppedPeerMakesOthersFailWithTheBusyMessageWithinTheLimit) {
  auto unit = StartUnit(800, {"--timing-ms", "4"});
  const std::string a = tmp_.File("a.vesnar");
  ASSERT_EQ(RunCli({"--sim", "1", "read", "-o", a}).exitCode, 0);
  Background writer(CliPath(), {"--bus", bus_, "write", a});
  ASSERT_TRUE(writer.WaitForOutput("Сохранение настроек в устройстве...", 5000)) << writer.Err();
  writer.Signal(SIGSTOP);
  const std::string busy = "Устройство занято другой программой (PID " + std::to_string(writer.Pid()) + ")";

  // A settings read waits for the writer's hold; info needs only single
  // exchanges, which a writer stopped in the middle of one still blocks.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--busy-wait", "1", "read", "-o", tmp_.File("r.vesnar")},
        std::vector<std::string>{"--busy-wait", "1", "write", a}}) {
    const auto start = SteadyClock::now();
    const auto res = Cli(args);
    const auto took = SteadyClock::now() - start;
    EXPECT_EQ(res.exitCode, 6) << res.out << res.err;
    EXPECT_TRUE(Contains(res.err, busy)) << res.err;
    EXPECT_FALSE(Contains(res.out, "Результат: OK")) << res.out;
    EXPECT_LT(took, 4s);
  }
  const auto start = SteadyClock::now();
  const auto info = Cli({"--busy-wait", "1", "info"});
  EXPECT_LT(SteadyClock::now() - start, 4s) << "info must not hang";
  if (info.exitCode != 0) {
    EXPECT_EQ(info.exitCode, 6);
    EXPECT_TRUE(Contains(info.err, busy)) << info.err;
  }

  writer.Signal(SIGCONT);
  EXPECT_EQ(writer.Wait(30000), 0) << writer.Out() << writer.Err();
  // Nobody holds the unit any more: its lock files are gone.
  EXPECT_EQ(Cli({"info"}).exitCode, 0);
  EXPECT_TRUE(std::filesystem::is_empty(runtime_));
}

TEST_F(SharedUnit, LocksInAFolderOthersMayWriteAreRefused) {
  auto unit = StartUnit(900);
  const std::string open = tmp_.File("open");
  ::mkdir(open.c_str(), 0700);
  ::chmod(open.c_str(), 0777);
  ::setenv("XDG_RUNTIME_DIR", open.c_str(), 1);
  auto r = Cli({"info"});
  EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
  EXPECT_TRUE(Contains(r.err, "открыта для записи другим")) << r.err;
  r = Cli({"read", "-o", tmp_.File("x.vesnar")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_FALSE(std::filesystem::exists(tmp_.File("x.vesnar")));

  // A lock file planted by another user in the user's own folder.
  ::setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
  ASSERT_EQ(Cli({"info"}).exitCode, 0);
  if (::geteuid() != 0) GTEST_SKIP() << "planting another user's file needs root";
  std::string lock;
  for (const auto& e : std::filesystem::directory_iterator(runtime_)) lock = e.path().string();
  if (lock.empty()) {
    // Lock files are removed after use: plant one under the name the link uses.
    lock = runtime_ + "/orvantis-" + std::string(bus_ + "/orvantis-900.sock") + ".lock";
    for (size_t i = runtime_.size() + 1; i < lock.size() - 5; ++i)
      if (!std::isalnum(static_cast<unsigned char>(lock[i])) && lock[i] != '.' && lock[i] != '_' && lock[i] != '-')
        lock[i] = '_';
  }
  WriteFile(lock, {});
  ASSERT_EQ(::chown(lock.c_str(), 65534, 65534), 0);
  r = Cli({"info"});
  EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
  EXPECT_TRUE(Contains(r.err, "принадлежит другому пользователю")) << r.err;
}

TEST_F(SharedUnit, CorruptSettingsFilesAreRefusedByShowAndWriteBeforeTheUnitHearsOfThem) {
  auto unit = StartUnit(600, {"--log-requests"});
  const std::string good = tmp_.File("good.vesnar");
  ASSERT_EQ(RunCli({"--sim", "3", "read", "-o", good}).exitCode, 0);
  const std::vector<uint8_t> file = ReadFile(good);
  ASSERT_EQ(file.size(), 3692u);

  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  for (uint8_t v : {0, 1, 2, 3}) {
    auto bytes = file;
    bytes[3] = v;
    cases.push_back({"version byte changed", bytes});
  }
  auto longer = file;
  longer.push_back(0);
  cases.push_back({"one byte too many", longer});
  cases.push_back({"one byte too few", std::vector<uint8_t>(file.begin(), file.end() - 1)});
  auto noSms = file;
  noSms[2] |= 0x80;  // bit 23: an SMS area that is not there
  cases.push_back({"missing SMS area", noSms});

  int i = 0;
  std::vector<std::string> paths;
  for (const auto& c : cases) {
    paths.push_back(tmp_.File("bad" + std::to_string(i++) + ".vesnar"));
    WriteFile(paths.back(), c.bytes);
  }
  paths.push_back(tmp_.File("fifo.vesnar"));
  ASSERT_EQ(::mkfifo(paths.back().c_str(), 0600), 0);

  for (size_t k = 0; k < paths.size(); ++k) {
    const std::string what = k < cases.size() ? cases[k].name : "FIFO";
    const auto shown = RunCli({"show", paths[k]});
    EXPECT_EQ(shown.exitCode, 1) << what;
    const auto written = Cli({"write", paths[k]});
    EXPECT_EQ(written.exitCode, 1) << what;
    EXPECT_FALSE(Contains(written.out, "Результат: OK")) << what << "\n" << written.out;
    if (k < cases.size()) {
      EXPECT_TRUE(Contains(shown.err, "Файл настроек повреждён или имеет неизвестный формат")) << what << shown.err;
      EXPECT_TRUE(Contains(written.err, "Файл настроек повреждён или имеет неизвестный формат")) << what << written.err;
    } else {
      EXPECT_TRUE(Contains(written.err, "это не обычный файл")) << written.err;
    }
  }
  EXPECT_FALSE(Contains(unit->Out(), "request ")) << "the unit was asked something:\n" << unit->Out();

  // The same file, undamaged, goes through.
  EXPECT_EQ(RunCli({"show", good}).exitCode, 0);
  EXPECT_EQ(Cli({"write", good}).exitCode, 0);
  EXPECT_TRUE(unit->WaitForOutput("request 55.04", 2000));
}

TEST_F(SharedUnit, FactoryResetWithoutItsSmsTextsFails) {
  for (const char* fault : {"fail-erase/55.03 x*", "fail-write/55.02 x*", "drop/55.02 x*"}) {
    auto unit = StartUnit(1000, {"--faults", fault});
    const auto r = Cli({"factory-reset", "--yes"});
    EXPECT_EQ(r.exitCode, 1) << fault << "\n" << r.out << r.err;
    EXPECT_TRUE(Contains(r.out, "Тексты SMS не сохранены!")) << fault << r.out;
    EXPECT_FALSE(Contains(r.out, "Результат: OK")) << fault << r.out;
    EXPECT_TRUE(Contains(r.out, "Результат: ОШИБКА")) << fault << r.out;
    unit->Signal(SIGTERM);
    unit->Wait(3000);
  }
}

}  // namespace
}  // namespace orv::test
