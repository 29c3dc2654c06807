#include "sim/sim_settings.h"

#include <stdexcept>

#include "settings/factory_images.h"
#include "settings/file_io.h"
#include "settings/settings_stream.h"
#include "settings/sms_text.h"
#include "sim/sim_unit.h"

namespace orv::sim {

void LoadFactorySettings(SimUnit& unit) {
  const TDeviceInfo dev = unit.Identity().bootState.DeviceInfo;
  TMemItems items = CreateMemItems();
  std::vector<std::string> sms;
  const StreamReadResult res = ReadOptionsFromStream(CreateOptStream(dev.Kind, dev.PCB), &sms, items);
  if (!res.Ok()) throw std::logic_error("factory image unreadable: " + res.message);
  for (int k = 0; k < kRegionCount; ++k) {
    const TMemItem& item = items[static_cast<size_t>(k)];
    if (regionmask::Has(res.mask, k) && !unit.WriteRom(item.Addr(), item.FData.data(), item.Size()))
      throw std::logic_error("region outside the simulated settings memory");
  }
  const std::vector<uint8_t> area = BuildSmsArea(sms);
  unit.WriteFlash(kSmsFlashAddr, area.data(), static_cast<uint32_t>(area.size()));
}

bool LoadSettingsFile(SimUnit& unit, const std::string& path, std::string& error) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, 1u << 20, bytes, error)) return false;
  TMemItems items = CreateMemItems();
  const StreamReadResult res = ReadOptionsFromStream(bytes, nullptr, items);
  if (!res.Ok()) {
    error = res.message.empty() ? "not a settings file" : res.message;
    return false;
  }
  for (int k = 0; k < kRegionCount; ++k) {
    const TMemItem& item = items[static_cast<size_t>(k)];
    if (regionmask::Has(res.mask, k) && k != kRegionSms && !unit.WriteRom(item.Addr(), item.FData.data(), item.Size())) {
      error = "region outside the simulated settings memory";
      return false;
    }
  }
  return true;
}

}  // namespace orv::sim
