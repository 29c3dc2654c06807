// Loads arbitrary regions 1 to 4 into the connections and impulses pages,
// answers their questions from the input, edits, stores them back and exports
// them: nothing may read outside the regions, the bytes the pages do not own
// must stay, a second store must give the same bytes, and both exports must
// be valid JSON.
//
// Input: byte 0 = model kind, byte 1 = board, byte 2 = answers (bit 0 the
// connections questions, bit 1 the impulses question), then the bytes of
// regions 1, 2, 3 and 4 in that order (missing bytes are 0).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>

#include "pages/model/connections_live.h"
#include "pages/model/connections_model.h"
#include "pages/model/impulses_model.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orv;
  auto at = [&](size_t i) -> uint8_t { return i < size ? data[i] : 0; };
  TMemItems items = CreateMemItems();
  size_t pos = 3;
  for (int r : {kRegionInputs, kRegionThresholds, kRegionOutputs, kRegionImpulses})
    for (size_t i = 0; i < items[static_cast<size_t>(r)].Size(); ++i) items[static_cast<size_t>(r)].FData[i] = at(pos++);
  const TMemItems loaded = items;

  TConnectionsModel conn;
  conn.SetUnit({true, at(0), at(1)});
  TImpulsesModel imp;
  auto answer = [](bool yes) { return yes ? orv::Prompts::Answer::kYes : orv::Prompts::Answer::kNo; };
  orv::FixedPrompts connAnswers(answer(at(2) & 1)), impAnswers(answer(at(2) & 2));
  bool force = false;
  conn.LoadData(items, connAnswers, force);
  imp.LoadData(items, impAnswers, force, &conn);

  // A few edits driven by the input.
  for (size_t i = 0; i < 8; ++i) {
    const uint8_t op = at(pos + i);
    conn.ChooseInput(op % TConnectionsModel::kInputs, static_cast<uint8_t>(op % 6), op % 12);
    conn.ChooseOutput(op % TConnectionsModel::kOutputs, static_cast<uint8_t>(op % 4), op % 9);
    const int k = op % TImpulsesModel::kPatterns;
    imp.AddPulse(k, imp.Seq(k).Count());
    if (op & 1) imp.DeletePulse(k, imp.Seq(k).Count() - 1);
  }

  TMemItems stored = items;
  conn.StoreData(stored);
  imp.StoreData(stored);
  for (size_t i = 58; i < 64; ++i) Check(stored[kRegionInputs].FData[i] == loaded[kRegionInputs].FData[i]);
  for (size_t i = 4; i < 8; ++i) Check(stored[kRegionThresholds].FData[i] == loaded[kRegionThresholds].FData[i]);
  for (size_t i = 56; i < 64; ++i) Check(stored[kRegionOutputs].FData[i] == loaded[kRegionOutputs].FData[i]);
  TMemItems again = stored;
  conn.StoreData(again);
  imp.StoreData(again);
  for (int r : {kRegionInputs, kRegionThresholds, kRegionOutputs, kRegionImpulses})
    Check(again[static_cast<size_t>(r)].FData == stored[static_cast<size_t>(r)].FData);

  Check(nlohmann::ordered_json::parse(conn.ToJSON(), nullptr, false).is_object());
  Check(nlohmann::ordered_json::parse(imp.ToJSON(), nullptr, false).is_array());
  for (int k = 0; k < TImpulsesModel::kPatterns; ++k)
    for (int p = 0; p <= TImpulsesModel::kMaxPulses; ++p) (void)imp.PulseHint(k, p);
  return 0;
}
