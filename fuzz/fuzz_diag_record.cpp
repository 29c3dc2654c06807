// Feeds replies of command 0x91 of any length and content into a stored
// diagnostic record, then decodes everything a live view shows from it: the
// merge and every decoder must stay inside the record.
//
// Input: records of [length, bytes...]; each is one reply merged in turn.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "diag/diag_base_view.h"
#include "diag/diag_record.h"
#include "diag/diag_values.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::TDiagBytes record{};
  size_t pos = 0;
  while (pos < size) {
    const size_t n = std::min<size_t>(data[pos], size - pos - 1);
    orv::ApplyDiagReply(record, std::span<const uint8_t>(data + pos + 1, n));
    pos += 1 + n;

    const orv::TExtendDiagRec r = orv::ParseDiag(record);
    const orv::TRStartValues v(r);
    size_t total = v.CabinTemp().size() + v.EngineTemp().size() + v.TachoPercent().size() + v.RSLinkQuality().size() +
                   v.RSRSSI().size() + v.RStartStage().size() + v.RStartState().size() + v.RStartSysState().size();
    total += orv::LitInputLamps(r.Diag).size() + orv::LitCanLamps(r.Diag).size() + orv::LitModemLamps(r.Diag).size() +
             orv::LitGpsLamps(r.Diag).size() + orv::LitTagLamps(r.StateDevices, 1).size() +
             orv::LitTagLamps(r.StateDevices, 2).size() + orv::LinkedRelays(r.StateDevices).size();
    total += orv::GsmSignalText(r.Diag.HILOrssi).size() + orv::OutputLoadText(r.Diag).size() +
             orv::OutputCurrentText(r.Diag).size() + orv::HdopText(r.Diag.GPSHDOP).size() +
             orv::OdometerText(r.Diag.CANData.Odometer).size() + orv::CoolantText(r.Diag.CANData.CoolantTemp).size();
    for (int loc = -1; loc <= 3; ++loc)
      for (int idx = -1; idx <= 256; ++idx) total += orv::DiagInState(record, loc, idx);
    if (total == 0) __builtin_trap();  // texts are never all empty
  }
  return 0;
}
