#include "settings/event_messages.h"

#include <stdexcept>

#include "device/byte_io.h"

namespace orv {

namespace {

size_t WordOffset(int message) {
  if (message < 0 || message >= kEventMessageCount) throw std::out_of_range("event message beyond 60");
  return static_cast<size_t>(message) * 2;
}

uint16_t WordAt(const TMemItem& item, size_t off) {
  ByteReader r(item.Bytes());
  r.Seek(off);
  return r.U16BE();
}

}  // namespace

uint16_t DeliveryWord(const TMemItems& items, int message) {
  return WordAt(items[kRegionDelivery], WordOffset(message));
}

void SetDeliveryWord(TMemItems& items, int message, uint16_t word) {
  const size_t off = WordOffset(message);
  items[kRegionDelivery].FData[off] = static_cast<uint8_t>(word >> 8);
  items[kRegionDelivery].FData[off + 1] = static_cast<uint8_t>(word);
}

uint16_t VoiceIndexWord(const TMemItems& items, int message) {
  return WordAt(items[kRegionVoiceIndex], WordOffset(message));
}

std::vector<uint8_t> VoicePhrase(const TMemItems& items, int message) {
  const uint16_t index = VoiceIndexWord(items, message);
  std::vector<uint8_t> phrase;
  const TMemItem& voice = items[kRegionVoice];
  if (index == kNoVoicePhrase) return phrase;
  for (size_t i = index; i < voice.Size() && voice.FData[i] != 0; ++i) phrase.push_back(voice.FData[i]);
  return phrase;
}

}  // namespace orv
