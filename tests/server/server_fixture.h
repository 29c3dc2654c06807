// A simulated server on a data folder of the test's own, and a status and
// prompts that record what a request reports.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/seams.h"
#include "sim/sim_server.h"
#include "support/process.h"

namespace orv::test {

inline void WriteFile(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The data folder of the tests: a catalogue linking to an image file, a CAN
// firmware, and a scenario folder that overrides the catalogue.
inline void MakeServerData(const std::string& dir) {
  WriteFile(dir + "/core-get.json", R"({"image":"{{BASE}}/files/fw/image.bin"})");
  WriteFile(dir + "/core-set.json", R"({"with":"images"})");
  WriteFile(dir + "/can-list.json", R"({"makes":[]})");
  WriteFile(dir + "/can-set/42.txt", R"("3A0001")");
  std::string image(100 * 1024 + 17, '\0');
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 7);
  WriteFile(dir + "/fw/image.bin", image);
  WriteFile(dir + "/up-to-date/core-get.json", R"({"same":true})");
}

struct Recorder : Status, Prompts {
  std::vector<std::string> log, boxes;
  int request = 0;
  void StartAction(const std::string&, const std::string&) override {}
  void FinishAction(uint8_t, const std::string&) override {}
  void Display(const std::string& msg, bool) override { log.push_back(msg); }
  void Progress(const std::string&, bool, int) override {}
  void SetStatus(int s) override { request = s; }
  int Request() const override { return request; }
  Answer WarningDialog(const std::string&, const std::vector<std::string>&) override { return Answer::kNo; }
  void MessageBox(const std::string& msg) override { boxes.push_back(msg); }
  std::string ChooseOpenFile(const std::string&, const std::string&) override { return {}; }
  std::string ChooseSaveFile(const std::string&, const std::string&, const std::string&) override { return {}; }
};

// Starts a server on `data` with `scenario`; fails the test when it cannot.
inline std::unique_ptr<sim::SimServer> StartSimServer(const std::string& data, const std::string& scenario = {},
                                                      const std::string& record = {}, int slowSeconds = 5) {
  sim::ServerConfig cfg;
  cfg.dataDir = data;
  cfg.scenario = scenario;
  cfg.recordDir = record;
  cfg.slowSeconds = slowSeconds;
  auto s = std::make_unique<sim::SimServer>(cfg);
  std::string error;
  EXPECT_TRUE(s->Start(error)) << error;
  return s;
}

}  // namespace orv::test
