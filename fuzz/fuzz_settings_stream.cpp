// Feeds arbitrary bytes to the settings stream reader as a settings file would:
// whatever the file holds, the reader must neither crash nor write outside the
// regions, and what it loads must survive the pages' record readers and a save.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/can_config.h"
#include "settings/config_data.h"
#include "settings/event_messages.h"
#include "settings/internet_fields.h"
#include "settings/settings_stream.h"

namespace {

constexpr uint8_t kBefore = 0xA5;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::TMemItems items = orv::CreateMemItems();
  for (auto& item : items) item.FData.fill(kBefore);
  std::vector<std::string> list;
  const orv::StreamReadResult res = orv::ReadOptionsFromStream({data, size}, &list, items);

  Check(!res.unsupported || res.mask == 0);
  Check(res.Ok() || !res.message.empty());
  Check(list.empty() || list.size() == orv::kEventMessageCount);
  Check((res.mask & ~0x7FFFu) == 0 && (res.mask & (1u << orv::kRegionSms)) == 0);
  // A file the layout check lets through is read whole, never cut short.
  if (orv::StreamLayoutFits({data, size}) && !res.unsupported) Check(res.Ok());
  for (const auto& item : items)
    for (size_t i = item.Size(); i < orv::kMaxSection; ++i) Check(item.FData[i] == kBefore);
  for (size_t i = 0; i < orv::kMaxSection; ++i) Check(items[orv::kRegionSms].FData[i] == kBefore);

  // The records the pages read from the loaded regions.
  const orv::TConfigData cfg = orv::UpdateConfig(items[orv::kRegionConfig].Bytes());
  for (int n = 0; n < 256; ++n) (void)cfg.Flag(n);
  (void)orv::ReadCanConfig(items[orv::kRegionCan].Bytes());
  (void)orv::ReadInternetSettings(items[orv::kRegionInternet].Bytes());
  for (int i = 0; i < orv::kEventMessageCount; ++i) (void)orv::VoicePhrase(items, i);

  // Saved again and read back, the written regions are unchanged.
  const std::vector<uint8_t> saved = orv::BuildOptionsStream(items, orv::streamhdr::kSaveHeader);
  Check(saved.size() == orv::kSavedFileSize);
  Check(orv::StreamLayoutFits(saved));
  orv::TMemItems again = orv::CreateMemItems();
  Check(orv::ReadOptionsFromStream(saved, nullptr, again).mask == orv::regionmask::kWrite);
  for (int k = 0; k < orv::kRegionCount; ++k)
    if (orv::regionmask::Has(orv::regionmask::kWrite, k))
      for (size_t i = 0; i < items[k].Size(); ++i) Check(items[k].FData[i] == again[k].FData[i]);
  return 0;
}
