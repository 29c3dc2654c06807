// Decodes arbitrary CAN blocks and builds the CAN page from them: the name
// decoder must give valid UTF-8 from any bytes; the page must stay within its
// 32 boxes, 16 groups and 4 fields; edits driven by the input must keep the
// block's description (DataConfig, counts, pad, names); a block stored,
// loaded again and stored again must not change; the export must be a valid
// JSON object; the show lines and the report section must come out.
//
// Input: the first 256 bytes are region 6 (missing bytes are 0); each later
// pair of bytes is an edit: control index, value.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "pages/model/can_model.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

class NullCanvas final : public orv::report::TCanvas {
 public:
  int PageWidth() const override { return 4960; }
  int PageHeight() const override { return 7016; }
  int TextHeight(const orv::report::TFont&) const override { return 60; }
  int TextWidth(std::string_view t, const orv::report::TFont&) const override { return static_cast<int>(t.size()); }
  void Text(int, int, std::string_view, const orv::report::TFont&) override { ++texts; }
  void Line(int, int, int, int) override {}
  void Fill(int, int, int, int, uint32_t) override {}
  void NewPage() override {}
  size_t texts = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orv;
  auto at = [&](size_t i) -> uint8_t { return i < size ? data[i] : 0; };
  TMemItems items = CreateMemItems();
  TMemItem& can = items[kRegionCan];
  for (size_t i = 0; i < can.Size(); ++i) can.FData[i] = at(i);
  const TCanConfig loaded = ReadCanConfig(can.Bytes());

  // The decoder alone, on the names and on the whole input.
  Check(nlohmann::json(DecodeCanNames(loaded.names)).dump().size() > 0);
  Check(nlohmann::json(DecodeCanNames({data, size})).dump().size() > 0);

  TPageEnv env;
  TCanModel model(env);
  model.LoadData(items);
  Check(model.Boxes() <= TCanModel::kMaxBoxes && model.Groups() <= TCanModel::kMaxGroups);
  Check(model.FIsEmpty() == loaded.Empty());

  for (size_t pos = can.Size(); pos + 1 < size; pos += 2) {
    if (model.Controls().empty()) break;
    const size_t row = data[pos] % model.Controls().size();
    const uint8_t v = data[pos + 1];
    (void)model.Set(model.Controls()[row].name, v & 0x80 ? std::to_string((v & 0x7F) * 517) : std::to_string(v & 1));
  }

  model.StoreData(items);
  const TCanConfig stored = ReadCanConfig(can.Bytes());
  Check(stored.DataConfig == loaded.DataConfig && stored.bits_count == loaded.bits_count &&
        stored.values_count == loaded.values_count && stored.words_count == loaded.words_count &&
        stored.pad == loaded.pad && stored.names == loaded.names);

  TCanModel again(env);
  again.LoadData(items);
  TMemItems second = items;
  again.StoreData(second);
  Check(second[kRegionCan].FData == can.FData);

  Check(nlohmann::ordered_json::parse(model.ToJSON(), nullptr, false).is_object());
  Check(!model.Show().empty());
  NullCanvas canvas;
  report::TCursor cursor(canvas);
  model.Print(cursor, "CAN");
  Check(canvas.texts == model.Show().size() + 1);
  const auto width = [](const std::string& s) { return static_cast<int>(s.size()) * 7; };
  Check(model.BoxLayout(width).size() == static_cast<size_t>(model.Boxes()));
  Check(model.GroupLayout(width).size() == static_cast<size_t>(model.Groups()));
  return 0;
}
