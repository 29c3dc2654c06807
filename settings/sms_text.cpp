#include "settings/sms_text.h"

#include <algorithm>

#include "device/text_codec.h"

namespace orv {

std::vector<uint8_t> EncodeSmsText(std::string_view utf8) {
  const std::u16string units = Utf8ToUtf16(utf8);
  std::vector<uint8_t> out;
  out.reserve(units.size());
  for (char16_t c : units) {
    const unsigned code = c;
    out.push_back(static_cast<uint8_t>(code <= 848 ? code & 0xFFu : (code - 80u) & 0xFFu));
  }
  return out;
}

std::string DecodeSmsText(std::span<const uint8_t> slot) { return BytesToText(slot.data(), slot.size()); }

std::vector<uint8_t> BuildSmsArea(const std::vector<std::string>& texts) {
  std::vector<uint8_t> area(kSmsAreaSize, 0);
  const size_t n = std::min<size_t>(texts.size(), kEventMessageCount);
  for (size_t i = 0; i < n; ++i) {
    const std::vector<uint8_t> bytes = EncodeSmsText(texts[i]);
    std::copy_n(bytes.begin(), std::min(bytes.size(), kSmsTextMax), area.begin() + static_cast<std::ptrdiff_t>(i * kSmsSlotSize));
  }
  return area;
}

std::vector<std::string> ParseSmsArea(std::span<const uint8_t> area) {
  std::vector<std::string> texts;
  texts.reserve(kEventMessageCount);
  for (size_t i = 0; i < kEventMessageCount; ++i) {
    const size_t start = i * kSmsSlotSize;
    if (start >= area.size()) {
      texts.emplace_back();
      continue;
    }
    texts.push_back(DecodeSmsText(area.subspan(start, std::min(kSmsSlotSize, area.size() - start))));
  }
  return texts;
}

}  // namespace orv
