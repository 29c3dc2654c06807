#include "settings/factory_images.h"

#include <algorithm>
#include <stdexcept>

#include "device/orvantis.h"
#include "settings/settings_stream.h"

namespace orv {

namespace {

// Offset of region 5 in a factory stream: header plus regions 0..4.
constexpr size_t ConfigOffset() {
  size_t p = 4;
  for (int k = 0; k < kRegionConfig; ++k) p += kRegionSize[static_cast<size_t>(k)];
  return p;
}
static_assert(ConfigOffset() == 1900);

// Speaker, DAC, ToGSM, Mic, FromGSM.
constexpr size_t kAudioFirst = 64;
constexpr size_t kAudioCount = 5;

}  // namespace

std::span<const uint8_t> FactoryImage(int number) {
  switch (number) {
    case 1: return {factory_data::DEFOPTIONSU1, kFactoryImageSize};
    case 2: return {factory_data::DEFOPTIONSU2, kFactoryImageSize};
    case 3: return {factory_data::DEFOPTIONSU3, kFactoryImageSize};
    default: throw std::out_of_range("factory image number 1..3");
  }
}

int FactoryImageNumber(uint8_t kind) { return kind == 0x21 ? 1 : kind == 0x22 ? 2 : 3; }

std::vector<uint8_t> CreateOptStream(uint8_t kind, uint8_t pcb) {
  const auto image = FactoryImage(FactoryImageNumber(kind));
  std::vector<uint8_t> stream(image.begin(), image.end());
  if (pcb == kAudioAdjustedPcb && (kind == 0x21 || kind == 0x22)) {
    // This board's audio path wants the levels of the model-3 image.
    const auto model3 = FactoryImage(3);
    std::copy_n(model3.begin() + ConfigOffset() + kAudioFirst, kAudioCount,
                stream.begin() + static_cast<std::ptrdiff_t>(ConfigOffset() + kAudioFirst));
  }
  return stream;
}

std::optional<std::vector<uint8_t>> CreateOptStream(const TOrvantis& link) {
  if (!link.OnLine()) return std::nullopt;
  const TDeviceInfo& dev = link.BootState.DeviceInfo;
  return CreateOptStream(dev.Kind, dev.PCB);
}

TServerFields FactoryServerFields() {
  // The images are constant: read them once (the Internet page checks at every load).
  static const TServerFields fields = [] {
    TMemItems items = CreateMemItems();
    ReadOptionsFromStream(FactoryImage(3), nullptr, items);
    return ReadInternetSettings(items[kRegionInternet].Bytes()).server;
  }();
  return fields;
}

}  // namespace orv
