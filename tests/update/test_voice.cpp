// The voice prompts: the container reader's rules, WriteSounds against an
// in-process simulated unit (fresh unit, second run, a changed slot, erase and
// write failures, a bad CRC in the third record, a unit that goes away), and
// orvantis-cli voice update with the container built from the phrase list.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "device/checksums.h"
#include "settings/settings_fixtures.h"
#include "sim/fault_plan.h"
#include "support/process.h"
#include "support/test_link.h"
#include "update/voice_container.h"
#include "update/voice_upload.h"

namespace orv {
namespace {

using voice::ContainerReader;

std::vector<uint8_t> Samples(size_t size, uint8_t seed) {
  std::vector<uint8_t> v(size);
  for (size_t i = 0; i < size; ++i) v[i] = static_cast<uint8_t>(seed * 31 + i * 7);
  return v;
}

std::vector<std::vector<uint8_t>> Files(int n) {
  std::vector<std::vector<uint8_t>> f;
  for (int i = 0; i < n; ++i) f.push_back(Samples(100 + 2 * static_cast<size_t>(i), static_cast<uint8_t>(i)));
  return f;
}

std::string Fmt(const char* pattern, const std::string& name) {
  char buf[256];
  std::snprintf(buf, sizeof buf, pattern, name.c_str());
  return buf;
}

TEST(VoiceContainer, ReaderRules) {
  auto files = Files(4);
  files[1].resize(8);                                  // too small
  files[2] = std::vector<uint8_t>(voice::kMaxSize + 2);  // too large
  std::string c = voice::BuildContainer(files);
  std::istringstream in(c);
  ContainerReader r(in);
  std::vector<uint8_t> buf;
  EXPECT_EQ(r.Count(), 4u);
  EXPECT_EQ(r.Next(buf, 4), ContainerReader::Record::kOk);
  EXPECT_EQ(std::vector<uint8_t>(buf.begin() + 4, buf.begin() + 4 + r.Size()), files[0]);
  EXPECT_EQ(r.Next(buf, 4), ContainerReader::Record::kEmpty);
  EXPECT_EQ(r.Next(buf, 4), ContainerReader::Record::kBadSize);
  EXPECT_EQ(r.Next(buf, 4), ContainerReader::Record::kOk) << "skipped records do not throw the reader off";
  EXPECT_EQ(r.Next(buf, 4), ContainerReader::Record::kEnd);
  // The stored CRC is the complement of the common CRC-32.
  EXPECT_EQ(TCRC32::Calculate(reinterpret_cast<const uint8_t*>("123456789"), 9), 0x340BC6D9u);

  // Counts out of range, a cut container, a huge size at the end.
  for (const std::string& bad : {std::string("\0\0\0\0", 4), std::string("\x00\x01\x00\x00", 4), std::string("\x01\x00", 2)}) {
    std::istringstream s(bad);
    ContainerReader rr(s);
    EXPECT_FALSE(rr.CountValid());
    EXPECT_EQ(rr.Next(buf, 4), ContainerReader::Record::kEnd);
  }
  std::istringstream cut(c.substr(0, c.size() - 3));
  ContainerReader rc(cut);
  for (int i = 0; i < 3; ++i) rc.Next(buf, 4);
  EXPECT_EQ(rc.Next(buf, 4), ContainerReader::Record::kTruncated);
  EXPECT_EQ(rc.Next(buf, 4), ContainerReader::Record::kEnd);
}

class Voice : public testing::Test {
 protected:
  SoundsResult Run(const std::string& container) {
    status = {};
    std::istringstream in(container);
    return WriteSounds(*sim.link, in, status);
  }
  std::vector<uint8_t> Slot(uint32_t i, uint32_t size) {
    std::vector<uint8_t> b(size);
    sim.unit->ReadFlash(voice::SlotAddress(i), b.data(), size);
    return b;
  }
  test::SimLink sim;
  test::RecordingStatus status;
};

TEST_F(Voice, FreshUnitThenNothingToDo) {
  const auto files = Files(5);
  const std::string c = voice::BuildContainer(files);
  auto r = Run(c);
  EXPECT_EQ(r.updated, 5);
  EXPECT_TRUE(r.ok);
  EXPECT_TRUE(status.Has("log", "Обновлено файлов: 5"));
  EXPECT_EQ(status.Finishes().back(), (std::pair<int, std::string>{kResOk, voice_text::kFinished}));
  // The slot: size big-endian, samples byte-swapped, CRC little-endian.
  const auto& f = files[2];
  const auto slot = Slot(2, static_cast<uint32_t>(f.size()) + 8);
  EXPECT_EQ(slot[0], 0);
  EXPECT_EQ(slot[3], f.size() & 0xFF);
  EXPECT_EQ(slot[4], f[1]);
  EXPECT_EQ(slot[5], f[0]);
  const uint32_t crc = TCRC32::Calculate(f.data(), f.size());
  EXPECT_EQ(slot[4 + f.size()], crc & 0xFF);
  EXPECT_EQ(slot[7 + f.size()], crc >> 24);
  // The progress of the first file is 0 %, the closing line at the end.
  EXPECT_EQ(status.Texts("progress").front(), "Проверка звуковых файлов: 0%");
  EXPECT_EQ(status.Texts("progress").back(), voice_text::kProgressDone);

  sim.unit->ClearRequests();
  r = Run(c);
  EXPECT_EQ(r.updated, 0);
  EXPECT_EQ(r.unchanged, 5);
  EXPECT_TRUE(status.Has("log", voice_text::kNothingToDo));
  EXPECT_TRUE(status.Has("panel", Fmt(voice_text::kUnchanged, "005.wav")));
  EXPECT_EQ(sim.unit->CountRequests(0x55, 0x03), 0u) << "nothing erased";
  EXPECT_EQ(sim.unit->CountRequests(0x55, 0x02), 0u) << "nothing written";

  // One changed prompt: only it is rewritten.
  auto changed = files;
  changed[3][0] ^= 1;
  r = Run(voice::BuildContainer(changed));
  EXPECT_EQ(r.updated, 1);
  EXPECT_TRUE(status.Has("panel", Fmt(voice_text::kUpdated, "004.wav")));
  EXPECT_TRUE(status.Has("log", "Обновлено файлов: 1"));
}

TEST_F(Voice, BadCrcInTheThirdRecordStopsTheRun) {
  std::string c = voice::BuildContainer(Files(5));
  // The third record's last data byte.
  size_t at = 4;
  for (int i = 0; i < 2; ++i) at += 4 + (100 + 2 * static_cast<size_t>(i)) + 4;
  c[at + 4 + 103] ^= 0x40;
  const auto r = Run(c);
  EXPECT_TRUE(r.checksumFailed);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.updated, 2);
  EXPECT_TRUE(status.Has("log", voice_text::kBadCrc));
  // Failed, and never turned into "OK" by the closing steps.
  EXPECT_EQ(status.Finishes(), (std::vector<std::pair<int, std::string>>{{kResError, voice_text::kTitle}}));
  EXPECT_TRUE(status.Has("progress", voice_text::kProgressDone));
  EXPECT_EQ(Slot(2, 4), std::vector<uint8_t>(4, 0xFF)) << "later files are not touched";
}

TEST_F(Voice, EraseAndWriteFailuresGoOnWithTheNextFile) {
  const std::string c = voice::BuildContainer(Files(4));
  // Every erase and write command is retried by the link; fail all of one file's tries.
  sim.unit->Faults() = sim::FaultPlan::Parse("fail-erase/55.03 x5,fail-write/55.02 x5");
  const auto r = Run(c);
  EXPECT_TRUE(status.Has("log", Fmt(voice_text::kEraseFailed, "001.wav")));
  EXPECT_TRUE(status.Has("log", Fmt(voice_text::kWriteFailed, "002.wav"))) << testing::PrintToString(status.Texts("log"));
  EXPECT_EQ(r.updated, 2);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(status.Finishes().back().first, kResError);
}

TEST_F(Voice, UnitGoneEndsTheRun) {
  const std::string c = voice::BuildContainer(Files(6));
  sim.unit->Faults() = sim::FaultPlan::Parse("unplug/55.03@2");
  const auto r = Run(c);
  EXPECT_EQ(r.updated, 1);
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(status.Has("log", voice_text::kNoUnit));
  EXPECT_LE(status.Texts("log").size(), 6u) << "no failure per remaining file";
}

TEST(VoiceCli, BuiltContainerAndCraftedOne) {
  test::TempDir tmp;
  const std::string bus = tmp.File("bus");
  test::Background unit(test::SimPath(), {"unit", "--bus", bus, "--model", "2"});
  ASSERT_TRUE(unit.WaitForOutput("plugged: ", 5000)) << unit.Err();
  const auto first = test::RunCli({"--bus", bus, "voice", "update"});
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_NE(first.out.find("Обновлено файлов: 255"), std::string::npos) << first.out;
  const auto second = test::RunCli({"--bus", bus, "voice", "update"});
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_NE(second.out.find(voice_text::kNothingToDo), std::string::npos) << second.out;
  EXPECT_NE(second.out.find("Файл \"255.wav\" не изменился"), std::string::npos);

  // A crafted container through the data folder: a bad CRC in the third record.
  std::string c = voice::BuildContainer(Files(4));
  c[4 + (4 + 100 + 4) + (4 + 102 + 4) + 4] ^= 1;
  std::filesystem::create_directories(tmp.File("data/voice"));
  std::ofstream(tmp.File("data/voice/PackedWave.bin"), std::ios::binary) << c;
  setenv("ORVANTIS_DATA_DIR", tmp.File("data").c_str(), 1);
  const auto bad = test::RunCli({"--bus", bus, "voice", "update"});
  unsetenv("ORVANTIS_DATA_DIR");
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.out.find(voice_text::kBadCrc), std::string::npos) << bad.out;
  EXPECT_NE(bad.out.find("Проверка файла 002.wav"), std::string::npos);
  EXPECT_EQ(bad.out.find("003.wav\" "), std::string::npos) << bad.out;
}

}  // namespace
}  // namespace orv
