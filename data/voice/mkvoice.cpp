// Builds the voice-prompt container from the readable phrase list:
//
//   mkvoice OUTPUT phrases.txt [ESPEAK]
//
// Every line "NUMBER text" (1..255, each once, in any order; "#" starts a
// comment) is spoken by espeak-ng with its Russian voice, turned into 8 kHz
// 16-bit mono samples and packed as record NUMBER - 1. Several speakers run at
// once: each spends most of its time starting up, not computing.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "update/voice_container.h"

extern char** environ;

namespace {

constexpr int kRate = 8000;
constexpr int kParallel = 16;

[[noreturn]] void Fail(const std::string& msg) {
  std::cerr << "mkvoice: " << msg << "\n";
  std::exit(1);
}

std::map<int, std::string> ReadPhrases(const std::string& path) {
  std::ifstream in(path);
  if (!in) Fail("cannot read " + path);
  std::map<int, std::string> out;
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream ss(line);
    int n = 0;
    std::string text;
    if (!(ss >> n) || !std::getline(ss >> std::ws, text) || text.empty() || n < 1 ||
        n > static_cast<int>(orv::voice::kMaxFiles))
      Fail(path + ":" + std::to_string(lineNo) + ": expected \"NUMBER text\" with NUMBER 1..255");
    if (!out.emplace(n, text).second) Fail(path + ":" + std::to_string(lineNo) + ": number given twice");
  }
  for (int i = 1; i <= static_cast<int>(orv::voice::kMaxFiles); ++i)
    if (!out.count(i)) Fail(path + ": no phrase for " + std::to_string(i));
  return out;
}

uint32_t U32(const std::string& s, size_t at) {
  return uint32_t{static_cast<uint8_t>(s[at])} | (uint32_t{static_cast<uint8_t>(s[at + 1])} << 8) |
         (uint32_t{static_cast<uint8_t>(s[at + 2])} << 16) | (uint32_t{static_cast<uint8_t>(s[at + 3])} << 24);
}
uint16_t U16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | (static_cast<uint8_t>(s[at + 1]) << 8));
}

// The samples of a 16-bit mono PCM WAV file, resampled to kRate by averaging
// the input samples that fall into each output sample's interval.
std::vector<uint8_t> ReadWav(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string s = ss.str();
  if (s.size() < 12 || s.compare(0, 4, "RIFF") != 0 || s.compare(8, 4, "WAVE") != 0) Fail(path + ": not a WAV file");
  uint32_t rate = 0;
  std::vector<int16_t> samples;
  for (size_t at = 12; at + 8 <= s.size();) {
    const std::string id = s.substr(at, 4);
    const size_t len = std::min<size_t>(U32(s, at + 4), s.size() - at - 8);
    if (id == "fmt " && len >= 16) {
      if (U16(s, at + 8) != 1 || U16(s, at + 10) != 1 || U16(s, at + 22) != 16) Fail(path + ": not 16-bit mono PCM");
      rate = U32(s, at + 12);
    } else if (id == "data") {
      for (size_t k = 0; k + 1 < len; k += 2) samples.push_back(static_cast<int16_t>(U16(s, at + 8 + k)));
    }
    at += 8 + len + (len & 1);
  }
  if (rate < kRate || samples.empty()) Fail(path + ": no samples at a usable rate");
  const double step = static_cast<double>(rate) / kRate;
  const size_t outCount = std::min<size_t>(static_cast<size_t>(static_cast<double>(samples.size()) / step), orv::voice::kMaxSize / 2);
  std::vector<uint8_t> out;
  out.reserve(outCount * 2);
  for (size_t j = 0; j < outCount; ++j) {
    const auto from = static_cast<size_t>(static_cast<double>(j) * step);
    const size_t to = std::min(samples.size(), std::max(from + 1, static_cast<size_t>(static_cast<double>(j + 1) * step)));
    long sum = 0;
    for (size_t k = from; k < to; ++k) sum += samples[k];
    const auto v = static_cast<int16_t>(sum / static_cast<long>(to - from));
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
  }
  if (out.size() < orv::voice::kMinSize) Fail(path + ": too short");
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) Fail("usage: mkvoice OUTPUT phrases.txt [ESPEAK]");
  const std::string output = argv[1];
  const std::string espeak = argc > 3 ? argv[3] : "espeak-ng";
  const auto phrases = ReadPhrases(argv[2]);

  char tmpl[] = "/tmp/orvantis-mkvoice-XXXXXX";
  if (!::mkdtemp(tmpl)) Fail("cannot make a temporary folder");
  const std::filesystem::path tmp = tmpl;

  std::vector<std::pair<pid_t, int>> running;
  auto reap = [&](size_t keep) {
    while (running.size() > keep) {
      int st = 0;
      if (::waitpid(running.front().first, &st, 0) < 0 || !WIFEXITED(st) || WEXITSTATUS(st) != 0)
        Fail(espeak + " failed on phrase " + std::to_string(running.front().second));
      running.erase(running.begin());
    }
  };
  for (const auto& [n, text] : phrases) {
    reap(kParallel - 1);
    const std::string wav = (tmp / (std::to_string(n) + ".wav")).string();
    std::vector<std::string> args{espeak, "-v", "ru", "-s", "150", "-w", wav, text};
    std::vector<char*> cargs;
    for (auto& a : args) cargs.push_back(a.data());
    cargs.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, espeak.c_str(), nullptr, nullptr, cargs.data(), environ) != 0)
      Fail("cannot start " + espeak + " (install espeak-ng: scripts/install-deps)");
    running.emplace_back(pid, n);
  }
  reap(0);

  std::vector<std::vector<uint8_t>> files;
  for (const auto& [n, text] : phrases) files.push_back(ReadWav((tmp / (std::to_string(n) + ".wav")).string()));
  std::filesystem::remove_all(tmp);

  const std::string container = orv::voice::BuildContainer(files);
  const std::string part = output + ".part";
  {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    out.write(container.data(), static_cast<std::streamsize>(container.size()));
    if (!out) Fail("cannot write " + part);
  }
  std::filesystem::rename(part, output);
  return 0;
}
