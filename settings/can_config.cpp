#include "settings/can_config.h"

#include <algorithm>
#include <stdexcept>

namespace orv {

uint8_t TCanConfig::Value(int g) const {
  if (g < 0 || g > 15) throw std::out_of_range("CAN selector beyond 15");
  return static_cast<uint8_t>((Values[static_cast<size_t>(g / 4)] >> (2 * (g % 4))) & 3u);
}

void TCanConfig::SetValue(int g, uint8_t v) {
  if (g < 0 || g > 15) throw std::out_of_range("CAN selector beyond 15");
  auto& byte = Values[static_cast<size_t>(g / 4)];
  const int shift = 2 * (g % 4);
  byte = static_cast<uint8_t>((byte & ~(3u << shift)) | ((v & 3u) << shift));
}

TCanConfig TCanConfig::Parse(ByteReader& r) {
  TCanConfig c;
  c.DataConfig = r.U32BE();
  c.Bits = r.U32BE();
  r.Bytes(c.Values.data(), c.Values.size());
  for (auto& w : c.Words) w = r.U16BE();
  c.bits_count = r.U8();
  c.values_count = r.U8();
  c.words_count = r.U8();
  c.pad = r.U8();
  r.Bytes(c.names.data(), c.names.size());
  return c;
}

void TCanConfig::Write(ByteWriter& w) const {
  w.U32BE(DataConfig);
  w.U32BE(Bits);
  w.Bytes(Values);
  for (auto v : Words) w.U16BE(v);
  w.U8(bits_count);
  w.U8(values_count);
  w.U8(words_count);
  w.U8(pad);
  w.Bytes(names);
}

TCanConfig ReadCanConfig(std::span<const uint8_t> region) {
  ByteReader r(region);
  return TCanConfig::Parse(r);
}

void WriteCanConfig(const TCanConfig& cfg, std::span<uint8_t> region) {
  ByteWriter w(TCanConfig::kSize);
  cfg.Write(w);
  if (region.size() < w.Size()) throw ByteRangeError("region shorter than the CAN settings block");
  std::copy(w.Data().begin(), w.Data().end(), region.begin());
}

}  // namespace orv
