// Builds the three factory settings images from the readable sources in
// data/factory and writes them as a C++ source for the core:
//
//   mkfactory OUTPUT.cpp data/factory/factory.txt
//
// The description (factory.txt) is a list of lines, each optionally prefixed by
// the models it applies to ("@1", "@2,3"); without a prefix a line applies to
// all three images. Directives:
//
//   region K                       select region K (0..14 but 8)
//   fill B                         fill the selected region with byte B
//   zero OFF N                     N zero bytes from OFF
//   u8|i8 OFF V                    one byte at OFF of the selected region
//   u16|u32 OFF V                  big-endian number (the unit's byte order)
//   u16le|u32le OFF V              little-endian number (the remote-start block)
//   bytes OFF B B ...              bytes in hexadecimal
//   text OFF SIZE "TEXT"           8-bit text, zero-padded to SIZE
//   config FIELD VALUE...          a field of the main settings block (region 5)
//                                  by name: a number, a "text" or a list of bytes
//   flags N N ...                  option flags of the main settings block set on
//   impulse K [cyclic] on|off MS   impulse pattern K of region 4 (header word:
//                                  count, bit 7 cyclic; then big-endian pulses)
//   rs-seq I on|off MS ...         pulse sequence I of the remote-start block
//   rs-header                      the remote-start block's header and hash
//   sounds FILE                    the voice-prompt vocabulary: "NUMBER word"
//   events FILE                    the event messages: "N | FLAGS | phrase | SMS text"
//
// The event table fills region 9 (delivery flags), region 7 (voice phrases,
// one byte per sound, each ended by 0, from offset 0), region 13 (the offset of
// each message's phrase, 0xFFFF without one) and the SMS texts.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "device/text_codec.h"
#include "settings/config_fields.h"
#include "settings/hestor_header.h"
#include "settings/sms_text.h"

namespace {

constexpr int kRegions = 15;
constexpr std::array<uint32_t, kRegions> kSize = {224, 64, 8, 64, 1536, 512, 256, 1440, 1024,
                                                  512, 256, 512, 256, 512, 1024};
constexpr uint32_t kHeader = 0x04807EFF;
constexpr size_t kImageSize = 14988;
constexpr int kModels = 3;

struct SourceError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Image {
  std::array<std::vector<uint8_t>, kRegions> regions;
  std::vector<std::string> sms = std::vector<std::string>(orv::kEventMessageCount);
  Image() {
    for (int k = 0; k < kRegions; ++k) regions[k].assign(kSize[k], 0);
  }
};

struct Event {
  int number = 0;
  uint16_t flags = 0;
  std::vector<uint8_t> phrase;
  std::string sms;
};

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

// Splits a line into words; a "quoted text" is one word (quotes kept); '#'
// outside quotes starts a comment.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> out;
  std::string cur;
  bool quoted = false, inWord = false;
  for (char c : line) {
    if (quoted) {
      cur += c;
      if (c == '"') quoted = false;
      continue;
    }
    if (c == '#') break;
    if (c == ' ' || c == '\t' || c == '\r') {
      if (inWord) out.push_back(cur), cur.clear(), inWord = false;
      continue;
    }
    if (c == '"') quoted = true;
    cur += c;
    inWord = true;
  }
  if (quoted) throw SourceError("unterminated quote");
  if (inWord) out.push_back(cur);
  return out;
}

long long Number(const std::string& w, long long lo, long long hi) {
  size_t used = 0;
  long long v = 0;
  try {
    v = std::stoll(w, &used, 0);
  } catch (const std::exception&) {
    throw SourceError("not a number: " + w);
  }
  if (used != w.size()) throw SourceError("not a number: " + w);
  if (v < lo || v > hi) throw SourceError("number out of range: " + w);
  return v;
}

std::string Unquote(const std::string& w) {
  if (w.size() < 2 || w.front() != '"' || w.back() != '"') throw SourceError("expected a \"text\": " + w);
  return w.substr(1, w.size() - 2);
}

std::vector<std::string> ReadLines(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) throw SourceError("cannot open " + file.string());
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class Builder {
 public:
  void Run(const std::filesystem::path& root) {
    dir_ = root.parent_path();
    const auto lines = ReadLines(root);
    for (size_t i = 0; i < lines.size(); ++i) {
      try {
        Line(lines[i]);
      } catch (const SourceError& e) {
        throw SourceError(root.string() + ":" + std::to_string(i + 1) + ": " + e.what());
      }
    }
    for (auto& image : images_) ApplyEvents(image);
  }

  std::vector<uint8_t> Stream(int model) const {
    const Image& image = images_[static_cast<size_t>(model)];
    std::vector<uint8_t> out;
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(kHeader >> (8 * i)));
    for (int k = 0; k < kRegions; ++k)
      if (k != 8) out.insert(out.end(), image.regions[k].begin(), image.regions[k].end());
    const auto sms = orv::BuildSmsArea(image.sms);
    out.insert(out.end(), sms.begin(), sms.end());
    if (out.size() != kImageSize) throw SourceError("image size " + std::to_string(out.size()));
    return out;
  }

 private:
  void Line(const std::string& raw) {
    std::vector<std::string> w = Words(raw);
    if (w.empty()) return;
    std::array<bool, kModels> models{true, true, true};
    if (w[0][0] == '@') {
      models.fill(false);
      std::stringstream list(w[0].substr(1));
      for (std::string m; std::getline(list, m, ',');) models[static_cast<size_t>(Number(m, 1, kModels) - 1)] = true;
      w.erase(w.begin());
      if (w.empty()) throw SourceError("model prefix without a directive");
    }
    const std::string d = w[0];
    if (d == "sounds") return Sounds(Arg(w, 1));
    if (d == "events") return Events(Arg(w, 1));
    if (d == "region") {
      const long long k = Number(Arg(w, 1), 0, kRegions - 1);
      if (k == 8) throw SourceError("region 8 is not part of an image");
      region_ = static_cast<int>(k);
      return;
    }
    for (int m = 0; m < kModels; ++m)
      if (models[static_cast<size_t>(m)]) Apply(images_[static_cast<size_t>(m)], w);
  }

  static const std::string& Arg(const std::vector<std::string>& w, size_t i) {
    if (i >= w.size()) throw SourceError("missing argument for " + w[0]);
    return w[i];
  }

  std::vector<uint8_t>& Region(Image& image, int k = -1) const {
    if (k < 0) k = region_;
    if (k < 0) throw SourceError("no region selected");
    return image.regions[static_cast<size_t>(k)];
  }

  static void Put(std::vector<uint8_t>& r, size_t off, const std::vector<uint8_t>& bytes) {
    if (off > r.size() || bytes.size() > r.size() - off) throw SourceError("write beyond the region");
    std::copy(bytes.begin(), bytes.end(), r.begin() + static_cast<std::ptrdiff_t>(off));
  }

  static std::vector<uint8_t> Be(uint64_t v, int n) {
    std::vector<uint8_t> b;
    for (int i = n - 1; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return b;
  }
  static std::vector<uint8_t> Le(uint64_t v, int n) {
    std::vector<uint8_t> b;
    for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return b;
  }
  static std::vector<uint8_t> Text(const std::string& text, size_t size) {
    std::vector<uint8_t> b(size);
    if (orv::Utf8ToUtf16(text).size() > size) throw SourceError("text longer than its field: " + text);
    orv::TextToBytes(text, b.data(), size);
    if (orv::BytesToText(b.data(), size) != text) throw SourceError("text the unit cannot store: " + text);
    return b;
  }

  // "on 500 off 0 ..." from word i on: pulse words (bit 15 level, ms).
  static std::vector<uint16_t> Pulses(const std::vector<std::string>& w, size_t i) {
    std::vector<uint16_t> out;
    for (; i < w.size(); i += 2) {
      if (w[i] != "on" && w[i] != "off") throw SourceError("expected on or off: " + w[i]);
      const auto ms = static_cast<uint16_t>(Number(Arg(w, i + 1), 0, 0x7FFF));
      out.push_back(static_cast<uint16_t>((w[i] == "on" ? 0x8000 : 0) | ms));
    }
    return out;
  }

  void Apply(Image& image, const std::vector<std::string>& w) {
    const std::string& d = w[0];
    if (d == "fill") {
      auto& r = Region(image);
      std::fill(r.begin(), r.end(), static_cast<uint8_t>(Number(Arg(w, 1), 0, 255)));
    } else if (d == "zero") {
      Put(Region(image), Number(Arg(w, 1), 0, 2047), std::vector<uint8_t>(Number(Arg(w, 2), 0, 2048), 0));
    } else if (d == "u8" || d == "i8") {
      const long long lo = d == "u8" ? 0 : -128, hi = d == "u8" ? 255 : 127;
      Put(Region(image), Number(Arg(w, 1), 0, 2047), Be(static_cast<uint64_t>(Number(Arg(w, 2), lo, hi)) & 0xFF, 1));
    } else if (d == "u16" || d == "u16le") {
      const auto v = static_cast<uint64_t>(Number(Arg(w, 2), 0, 0xFFFF));
      Put(Region(image), Number(Arg(w, 1), 0, 2047), d == "u16" ? Be(v, 2) : Le(v, 2));
    } else if (d == "u32" || d == "u32le") {
      const auto v = static_cast<uint64_t>(Number(Arg(w, 2), 0, 0xFFFFFFFFLL));
      Put(Region(image), Number(Arg(w, 1), 0, 2047), d == "u32" ? Be(v, 4) : Le(v, 4));
    } else if (d == "bytes") {
      std::vector<uint8_t> b;
      for (size_t i = 2; i < w.size(); ++i) b.push_back(static_cast<uint8_t>(Number("0x" + w[i], 0, 255)));
      Put(Region(image), Number(Arg(w, 1), 0, 2047), b);
    } else if (d == "text") {
      const auto size = static_cast<size_t>(Number(Arg(w, 2), 1, 2048));
      Put(Region(image), Number(Arg(w, 1), 0, 2047), Text(Unquote(Arg(w, 3)), size));
    } else if (d == "config") {
      Config(image, w);
    } else if (d == "flags") {
      auto& r = Region(image, 5);
      for (size_t i = 1; i < w.size(); ++i) {
        const int n = static_cast<int>(Number(w[i], 0, 255));
        r[orv::FlagByte(n)] |= orv::FlagMask(n);
      }
    } else if (d == "impulse") {
      const auto k = static_cast<size_t>(Number(Arg(w, 1), 0, 47));
      const bool cyclic = w.size() > 2 && w[2] == "cyclic";
      const auto pulses = Pulses(w, cyclic ? 3 : 2);
      if (pulses.size() > 15) throw SourceError("an impulse pattern holds at most 15 pulses");
      std::vector<uint8_t> rec = Be(pulses.size() | (cyclic ? 0x80u : 0u), 2);
      for (auto p : pulses) for (auto b : Be(p, 2)) rec.push_back(b);
      Put(Region(image, 4), 32 * k, rec);
    } else if (d == "rs-seq") {
      const auto i = static_cast<size_t>(Number(Arg(w, 1), 0, 23));
      const auto pulses = Pulses(w, 2);
      if (pulses.size() > 7) throw SourceError("a start sequence holds at most 7 pulses");
      std::vector<uint8_t> rec{static_cast<uint8_t>(pulses.size()), 0};
      for (auto p : pulses) for (auto b : Le(p, 2)) rec.push_back(b);
      Put(Region(image, 14), 48 + 16 * i, rec);
    } else if (d == "rs-header") {
      auto& r = Region(image, 14);
      std::fill_n(r.begin(), orv::kHestorHeaderSize, 0xFF);
      Put(r, 8, Le(orv::kRSConfigBodyLen, 2));
      Put(r, 4, Le(orv::OneAtATimeHash(r.data() + orv::kHestorHeaderSize, orv::kRSConfigBodyLen), 4));
    } else {
      throw SourceError("unknown directive " + d);
    }
  }

  void Config(Image& image, const std::vector<std::string>& w) {
    const orv::ConfigField* f = orv::FindConfigField(Arg(w, 1));
    if (!f) throw SourceError("no field " + w[1] + " in the main settings block");
    auto& r = Region(image, 5);
    using K = orv::ConfigFieldKind;
    switch (f->kind) {
      case K::kU8: Put(r, f->offset, Be(static_cast<uint64_t>(Number(Arg(w, 2), 0, 255)), 1)); break;
      case K::kI8: Put(r, f->offset, Be(static_cast<uint64_t>(Number(Arg(w, 2), -128, 127)) & 0xFF, 1)); break;
      case K::kU16: Put(r, f->offset, Be(static_cast<uint64_t>(Number(Arg(w, 2), 0, 0xFFFF)), 2)); break;
      case K::kU32: Put(r, f->offset, Be(static_cast<uint64_t>(Number(Arg(w, 2), 0, 0xFFFFFFFFLL)), 4)); break;
      case K::kText: Put(r, f->offset, Text(Unquote(Arg(w, 2)), f->size)); break;
      case K::kBytes: {
        std::vector<uint8_t> b;
        for (size_t i = 2; i < w.size(); ++i) b.push_back(static_cast<uint8_t>(Number(w[i], 0, 255)));
        if (b.size() != f->size) throw SourceError(std::string(f->name) + " takes " + std::to_string(f->size) + " bytes");
        Put(r, f->offset, b);
        break;
      }
    }
  }

  void Sounds(const std::string& name) {
    const auto file = dir_ / name;
    const auto lines = ReadLines(file);
    for (size_t i = 0; i < lines.size(); ++i) {
      try {
        const auto w = Words(lines[i]);
        if (w.empty()) continue;
        if (w.size() != 2) throw SourceError("expected: NUMBER word");
        if (!sounds_.emplace(w[1], static_cast<uint8_t>(Number(w[0], 1, 255))).second)
          throw SourceError("sound named twice: " + w[1]);
      } catch (const SourceError& e) {
        throw SourceError(file.string() + ":" + std::to_string(i + 1) + ": " + e.what());
      }
    }
  }

  void Events(const std::string& name) {
    const auto file = dir_ / name;
    const auto lines = ReadLines(file);
    for (size_t i = 0; i < lines.size(); ++i) {
      try {
        const std::string line = Trim(lines[i]);
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> cols;
        std::stringstream ss(line);
        for (std::string c; std::getline(ss, c, '|');) cols.push_back(Trim(c));
        if (cols.size() != 4) throw SourceError("expected: N | FLAGS | phrase | SMS text");
        Event ev;
        ev.number = static_cast<int>(Number(cols[0], 0, orv::kEventMessageCount - 1));
        ev.flags = static_cast<uint16_t>(Number(cols[1], 0, 0xFFFF));
        if (cols[2] != "-") {
          for (const auto& word : Words(cols[2])) {
            auto it = sounds_.find(word);
            if (it == sounds_.end()) throw SourceError("unknown sound '" + word + "'");
            ev.phrase.push_back(it->second);
          }
        }
        ev.sms = cols[3] == "-" ? std::string() : cols[3];
        if (orv::EncodeSmsText(ev.sms).size() > orv::kSmsTextMax) throw SourceError("SMS text longer than 127 characters");
        if (orv::DecodeSmsText(orv::EncodeSmsText(ev.sms)) != ev.sms)
          throw SourceError("SMS text has characters the unit cannot store");
        for (const auto& other : events_)
          if (other.number == ev.number) throw SourceError("message listed twice");
        events_.push_back(std::move(ev));
      } catch (const SourceError& e) {
        throw SourceError(file.string() + ":" + std::to_string(i + 1) + ": " + e.what());
      }
    }
    std::sort(events_.begin(), events_.end(), [](const Event& a, const Event& b) { return a.number < b.number; });
  }

  void ApplyEvents(Image& image) const {
    auto& delivery = image.regions[9];
    auto& voice = image.regions[7];
    auto& index = image.regions[13];
    size_t pos = 0;
    for (const Event& ev : events_) {
      const size_t word = 2 * static_cast<size_t>(ev.number);
      Put(delivery, word, Be(ev.flags, 2));
      if (ev.phrase.empty()) {
        Put(index, word, Be(0xFFFF, 2));
      } else {
        std::vector<uint8_t> p = ev.phrase;
        p.push_back(0);
        Put(voice, pos, p);
        Put(index, word, Be(pos, 2));
        pos += p.size();
      }
      image.sms[static_cast<size_t>(ev.number)] = ev.sms;
    }
  }

  std::filesystem::path dir_;
  int region_ = -1;
  std::array<Image, kModels> images_;
  std::map<std::string, uint8_t> sounds_;
  std::vector<Event> events_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mkfactory OUTPUT.cpp factory.txt\n");
    return 2;
  }
  try {
    Builder builder;
    builder.Run(argv[2]);
    std::ostringstream out;
    out << "// Generated at build time by data/mkfactory from data/factory. Do not edit.\n"
           "#include \"settings/factory_images.h\"\n\nnamespace orv::factory_data {\n";
    for (int m = 0; m < kModels; ++m) {
      const auto stream = builder.Stream(m);
      out << "\nalignas(4) const uint8_t DEFOPTIONSU" << (m + 1) << "[" << stream.size() << "] = {";
      for (size_t i = 0; i < stream.size(); ++i) {
        if (i % 16 == 0) out << "\n   ";
        char hex[8];
        std::snprintf(hex, sizeof hex, " 0x%02x,", stream[i]);
        out << hex;
      }
      out << "\n};\n";
    }
    out << "\n}  // namespace orv::factory_data\n";
    // Write through a temporary name so an interrupted build leaves no half file.
    const std::string tmp = std::string(argv[1]) + ".tmp";
    {
      std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
      f << out.str();
      if (!f) throw SourceError("cannot write " + tmp);
    }
    std::filesystem::rename(tmp, argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mkfactory: %s\n", e.what());
    return 1;
  }
  return 0;
}
