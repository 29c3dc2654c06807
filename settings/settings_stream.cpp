#include "settings/settings_stream.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "device/byte_io.h"
#include "device/text_codec.h"
#include "settings/sms_text.h"

namespace orv {

namespace {

// The old (version 0 and 1) main settings block: bytes 0..68 as today, seven
// 11-byte phone numbers from 69, skipFirstDigits and AlarmPowerLevel at
// 146..147, and from 148 what now starts at 184 (diagTime); no ShockDisableTime.
constexpr size_t kOldPrefix = 69;
constexpr size_t kOldPhoneSize = 11;
constexpr int kPhoneCount = 7;
constexpr size_t kOldSkipDigits = 146;
constexpr size_t kOldTail = 148;
constexpr size_t kNewPhones = 69;
constexpr size_t kNewSkipDigits = 181;
constexpr size_t kNewTail = 184;
constexpr size_t kPhoneSlot = 16;

// Copies src[from, from + n) to dst[to, ...) as far as both hold the bytes.
void CopyAvailable(std::span<const uint8_t> src, size_t from, std::span<uint8_t> dst, size_t to, size_t n) {
  if (from >= src.size() || to >= dst.size()) return;
  n = std::min({n, src.size() - from, dst.size() - to});
  std::copy_n(src.begin() + static_cast<std::ptrdiff_t>(from), n, dst.begin() + static_cast<std::ptrdiff_t>(to));
}

void ConvertOldConfig(std::span<const uint8_t> old, std::span<uint8_t> region) {
  CopyAvailable(old, 0, region, 0, kOldPrefix);
  for (int j = 0; j < kPhoneCount; ++j) {
    const size_t from = kOldPrefix + kOldPhoneSize * j;
    if (from + kOldPhoneSize > old.size()) break;
    const std::string phone = BytesToText(old.data() + from, kOldPhoneSize);
    TextToBytes(phone, region.data() + kNewPhones + kPhoneSlot * j, kPhoneSlot);
  }
  CopyAvailable(old, kOldSkipDigits, region, kNewSkipDigits, 2);
  CopyAvailable(old, kOldTail, region, kNewTail, region.size() - kNewTail);
  // Byte 183 (ShockDisableTime) has no source and keeps its value.
}

void ConvertOldCan(std::span<const uint8_t> old, std::span<uint8_t> region) {
  if (old.empty()) return;
  std::fill_n(region.begin(), 4, 0);  // DataConfig did not exist
  CopyAvailable(old, 0, region, 4, region.size() - 4);
}

void SplitPairs(std::span<const uint8_t> pairs, TMemItem& delivery, TMemItem& voiceIndex) {
  for (size_t i = 0; i < static_cast<size_t>(kEventMessageCount); ++i) {
    const size_t p = 4 * i;
    if (p + 2 <= pairs.size()) std::copy_n(pairs.begin() + static_cast<std::ptrdiff_t>(p), 2, delivery.FData.begin() + static_cast<std::ptrdiff_t>(2 * i));
    if (p + 4 <= pairs.size()) std::copy_n(pairs.begin() + static_cast<std::ptrdiff_t>(p + 2), 2, voiceIndex.FData.begin() + static_cast<std::ptrdiff_t>(2 * i));
  }
}

}  // namespace

uint32_t StreamRegionSize(int version, int k) {
  if (k < 0 || k >= kRegionCount) throw std::out_of_range("region beyond 14");
  if (k == kRegionSms) return version >= 3 ? 1024 : 720;
  if (k == kRegionDelivery) return version == 0 ? 1024 : 512;
  return kRegionSize[static_cast<size_t>(k)];
}

std::string UnsupportedVersionMessage(int version) {
  char buf[200];
  std::snprintf(buf, sizeof buf,
                "Версия формата настроек (v%d) не поддерживается. Необходимо обновить Конфигуратор Orvantis", version);
  return buf;
}

StreamReadResult ReadOptionsFromStream(std::span<const uint8_t> stm, std::vector<std::string>* list, TMemItems& items) {
  StreamReadResult res;
  if (stm.size() < 4) {
    res.truncated = true;
    res.message = "Файл настроек повреждён: в нём нет заголовка";
    return res;
  }
  ByteReader r(stm);
  uint32_t h = r.U32LE();
  const int v = streamhdr::Version(h);
  res.version = v;
  if (v > streamhdr::kMaxVersion) {
    res.unsupported = true;
    res.message = UnsupportedVersionMessage(v);
    return res;
  }
  if (v < 4) {
    // Older writers appended region 14 without naming it: a stream at least 128
    // bytes longer than its regions carries it.
    int64_t expected = 4;
    if (h & 0xFFFu)
      for (int k = 0; k < kRegionCount; ++k) expected += StreamRegionSize(v, k);
    if ((static_cast<int64_t>(stm.size()) - expected) / 128 > 0) h |= 1u << kRegionRStart;
  }

  // Takes up to n bytes from the stream; a shorter piece marks the result.
  auto take = [&](size_t n) {
    const size_t got = std::min(n, r.Remaining());
    std::span<const uint8_t> piece = stm.subspan(r.Pos(), got);
    r.Skip(got);
    if (got < n) res.truncated = true;
    return std::pair{piece, got == n};
  };

  for (int k = 0; k < kRegionCount; ++k) {
    if (!regionmask::Has(h, k) || k == kRegionSms) continue;
    TMemItem& item = items[static_cast<size_t>(k)];
    std::span<uint8_t> region(item.FData.data(), item.Size());
    if ((v <= 1 && k >= 1 && k <= 4) || (v == 0 && k == kRegionVoiceIndex)) continue;
    if (v <= 1 && k == kRegionConfig) {
      auto [old, whole] = take(StreamRegionSize(v, k));
      ConvertOldConfig(old, region);
      if (whole) res.mask |= 1u << k;
    } else if (v <= 1 && k == kRegionCan) {
      auto [old, whole] = take(StreamRegionSize(v, k));
      ConvertOldCan(old, region);
      if (whole) res.mask |= 1u << k;
    } else if (v == 0 && k == kRegionDelivery) {
      auto [pairs, whole] = take(StreamRegionSize(v, k));
      SplitPairs(pairs, item, items[kRegionVoiceIndex]);
      if (whole) res.mask |= (1u << kRegionDelivery) | (1u << kRegionVoiceIndex);
    } else {
      auto [bytes, whole] = take(StreamRegionSize(v, k));
      CopyAvailable(bytes, 0, std::span<uint8_t>(item.FData), 0, bytes.size());
      if (whole) res.mask |= 1u << k;
    }
  }

  if (list && (h & streamhdr::kSmsFlag)) {
    auto [area, whole] = take(kSmsAreaSize);
    (void)whole;
    for (auto& text : ParseSmsArea(area)) list->push_back(std::move(text));
  }
  if (res.truncated)
    res.message = "Файл настроек повреждён: он короче, чем указано в его заголовке. Недостающие данные не загружены";
  return res;
}

bool StreamLayoutFits(std::span<const uint8_t> stm) {
  if (stm.size() < 4) return false;
  const uint32_t h0 = static_cast<uint32_t>(stm[0]) | static_cast<uint32_t>(stm[1]) << 8 |
                      static_cast<uint32_t>(stm[2]) << 16 | static_cast<uint32_t>(stm[3]) << 24;
  const int v = streamhdr::Version(h0);
  if (v > streamhdr::kMaxVersion) return true;
  if (h0 & 0x7F8000u) return false;  // bits 15..22
  uint32_t h = h0;
  if (v < 4) {
    if (h & (1u << kRegionRStart)) return false;
    // The reader's rule for region 14 appended by older writers.
    int64_t expected = 4;
    if (h & 0xFFFu)
      for (int k = 0; k < kRegionCount; ++k) expected += StreamRegionSize(v, k);
    if ((static_cast<int64_t>(stm.size()) - expected) / 128 > 0) h |= 1u << kRegionRStart;
  }
  uint64_t length = 4;
  for (int k = 0; k < kRegionCount; ++k) {
    if (!regionmask::Has(h, k) || k == kRegionSms) continue;
    if ((v <= 1 && k >= 1 && k <= 4) || (v == 0 && k == kRegionVoiceIndex)) continue;
    length += StreamRegionSize(v, k);
  }
  if (h & streamhdr::kSmsFlag) length += kSmsAreaSize;
  return stm.size() == length;
}

std::vector<uint8_t> BuildOptionsStream(const TMemItems& items, uint32_t header, const std::vector<std::string>& sms) {
  if (streamhdr::Version(header) != streamhdr::kMaxVersion)
    throw std::invalid_argument("only version-4 settings streams are written");
  ByteWriter w;
  w.U32LE(header);
  for (int k = 0; k < kRegionCount; ++k)
    if (regionmask::Has(header, k) && k != kRegionSms) w.Bytes(items[static_cast<size_t>(k)].Bytes());
  if (header & streamhdr::kSmsFlag) w.Bytes(BuildSmsArea(sms));
  return w.Take();
}

}  // namespace orv
