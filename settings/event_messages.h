// Event messages 0..60 in the settings image: the delivery-flag word of
// region 9, the voice-phrase index word of region 13 and the phrase it points
// to in region 7. All words are big-endian.
#pragma once

#include <cstdint>
#include <vector>

#include "settings/mem_items.h"
#include "settings/sms_text.h"

namespace orv {

constexpr uint16_t kNoVoicePhrase = 0xFFFF;

uint16_t DeliveryWord(const TMemItems& items, int message);
void SetDeliveryWord(TMemItems& items, int message, uint16_t word);
uint16_t VoiceIndexWord(const TMemItems& items, int message);
// The sound numbers of the message's phrase (up to its zero byte or the end of
// region 7); empty when it has none or its index points outside the region.
std::vector<uint8_t> VoicePhrase(const TMemItems& items, int message);

}  // namespace orv
