#include "device/report_descriptor.h"

#include <map>
#include <vector>

namespace orv {

namespace {

// Item types and tags of the short items that matter for report lengths.
constexpr uint8_t kTypeMain = 0;
constexpr uint8_t kTypeGlobal = 1;
constexpr uint8_t kTagInput = 0x8;
constexpr uint8_t kTagOutput = 0x9;
constexpr uint8_t kTagFeature = 0xB;
constexpr uint8_t kTagReportSize = 0x7;
constexpr uint8_t kTagReportId = 0x8;
constexpr uint8_t kTagReportCount = 0x9;
constexpr uint8_t kTagPush = 0xA;
constexpr uint8_t kTagPop = 0xB;
constexpr uint8_t kLongItem = 0xFE;
constexpr size_t kMaxPushDepth = 16;
constexpr uint64_t kMaxReportBytes = 65534;

struct Globals {
  uint32_t reportSize = 0;
  uint32_t reportCount = 0;
  uint32_t reportId = 0;
};

struct Bits {
  uint64_t input = 0, output = 0, feature = 0;
};

uint16_t Declared(uint64_t bits) { return bits ? static_cast<uint16_t>((bits + 7) / 8 + 1) : 0; }

}  // namespace

std::optional<DeclaredReports> ParseReportDescriptor(std::span<const uint8_t> d) {
  Globals g;
  std::vector<Globals> stack;
  std::map<uint32_t, Bits> reports;  // per report ID
  bool usesIds = false;
  size_t pos = 0;
  while (pos < d.size()) {
    const uint8_t prefix = d[pos++];
    if (prefix == kLongItem) {
      // Long item: size byte, tag byte, data. None of them carries lengths.
      if (d.size() - pos < 2) return std::nullopt;
      const size_t size = d[pos];
      pos += 2;
      if (d.size() - pos < size) return std::nullopt;
      pos += size;
      continue;
    }
    const size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
    const uint8_t type = (prefix >> 2) & 3;
    const uint8_t tag = prefix >> 4;
    if (d.size() - pos < size) return std::nullopt;
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i) value |= static_cast<uint32_t>(d[pos + i]) << (8 * i);
    pos += size;

    if (type == kTypeGlobal) {
      switch (tag) {
        case kTagReportSize: g.reportSize = value; break;
        case kTagReportCount: g.reportCount = value; break;
        case kTagReportId:
          if (value == 0) return std::nullopt;
          g.reportId = value;
          usesIds = true;
          break;
        case kTagPush:
          if (stack.size() >= kMaxPushDepth) return std::nullopt;
          stack.push_back(g);
          break;
        case kTagPop:
          if (stack.empty()) return std::nullopt;
          g = stack.back();
          stack.pop_back();
          break;
        default: break;
      }
    } else if (type == kTypeMain && (tag == kTagInput || tag == kTagOutput || tag == kTagFeature)) {
      Bits& b = reports[g.reportId];
      uint64_t& total = tag == kTagInput ? b.input : tag == kTagOutput ? b.output : b.feature;
      total += uint64_t{g.reportSize} * g.reportCount;  // cannot wrap: each item adds less than 2^64 - 2^33
      if (total > kMaxReportBytes * 8) return std::nullopt;
    }
  }
  DeclaredReports r;
  r.usesReportIds = usesIds;
  if (auto it = reports.find(0); it != reports.end()) {
    r.inputLength = Declared(it->second.input);
    r.outputLength = Declared(it->second.output);
    r.featureLength = Declared(it->second.feature);
  }
  return r;
}

}  // namespace orv
