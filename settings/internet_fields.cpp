#include "settings/internet_fields.h"

#include <algorithm>

#include "device/text_codec.h"

namespace orv {

namespace {

std::string Text(std::span<const uint8_t> region, TextField f) {
  if (f.offset >= region.size()) return {};
  const size_t n = std::min<size_t>(f.size, region.size() - f.offset);
  return BytesToText(region.data() + f.offset, n);
}

}  // namespace

TInternetSettings ReadInternetSettings(std::span<const uint8_t> region0) {
  TInternetSettings s;
  s.apn = Text(region0, region0::kApn);
  s.login = Text(region0, region0::kLogin);
  s.password = Text(region0, region0::kPassword);
  s.server.host = Text(region0, region0::kHost);
  s.server.port = Text(region0, region0::kPort);
  s.server.code1 = Text(region0, region0::kCode1);
  s.server.code2 = Text(region0, region0::kCode2);
  return s;
}

}  // namespace orv
