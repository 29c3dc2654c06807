#include "sim/sim_poke.h"

#include <stdexcept>

#include "settings/mem_items.h"
#include "sim/sim_unit.h"

namespace orv::sim {

namespace {

uint32_t Number(const std::string& text, int base) {
  size_t used = 0;
  unsigned long v = 0;
  try {
    v = std::stoul(text, &used, base);
  } catch (const std::exception&) {
    used = 0;
  }
  if (text.empty() || used != text.size() || v > 0xFFFFFFFFul) throw std::invalid_argument("--poke: bad number '" + text + "'");
  return static_cast<uint32_t>(v);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

Poke ParsePoke(const std::string& text) {
  const size_t a = text.find(':'), b = a == std::string::npos ? a : text.find(':', a + 1);
  if (b == std::string::npos) throw std::invalid_argument("--poke: K:OFF:HEX expected");
  Poke p;
  const uint32_t k = Number(text.substr(0, a), 10);
  if (k >= static_cast<uint32_t>(kRegionCount) || k == kRegionSms) throw std::invalid_argument("--poke: region 0..14 but 8");
  p.region = static_cast<int>(k);
  const std::string off = text.substr(a + 1, b - a - 1);
  p.offset = off.rfind("0x", 0) == 0 ? Number(off.substr(2), 16) : Number(off, 10);
  const std::string hex = text.substr(b + 1);
  if (hex.empty() || hex.size() % 2) throw std::invalid_argument("--poke: an even number of hex digits expected");
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
    if (hi < 0 || lo < 0) throw std::invalid_argument("--poke: bad hex digit in '" + hex + "'");
    p.bytes.push_back(static_cast<uint8_t>(hi << 4 | lo));
  }
  if (p.offset > kRegionSize[k] || p.bytes.size() > kRegionSize[k] - p.offset)
    throw std::invalid_argument("--poke: bytes beyond the end of region " + std::to_string(k));
  return p;
}

void ApplyPoke(SimUnit& unit, const Poke& poke) {
  const auto k = static_cast<size_t>(poke.region);
  if (!unit.WriteRom(kRegionAddr[k] + poke.offset, poke.bytes.data(), static_cast<uint32_t>(poke.bytes.size())))
    throw std::invalid_argument("--poke: the unit refused the bytes");
}

}  // namespace orv::sim
