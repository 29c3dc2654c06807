// Loads arbitrary remote-start blocks as the page does after a read: loading
// must not crash whatever the block holds, the export must be valid JSON, the
// cyclogram must stay inside its drawing, and storing, loading the stored
// block and storing again must give the same bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include <nlohmann/json.hpp>

#include "pages/model/rstart_cyclogram.h"
#include "pages/model/rstart_model.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// Answers the load questions from one byte of the input.
class Answers final : public orv::Prompts {
 public:
  explicit Answers(uint8_t bits) : bits_(bits) {}
  Answer WarningDialog(const std::string&, const std::vector<std::string>&) override {
    return (bits_ >> (n_++ & 7)) & 1u ? Answer::kYes : Answer::kNo;
  }
  void MessageBox(const std::string&) override {}
  std::string ChooseOpenFile(const std::string&, const std::string&) override { return {}; }
  std::string ChooseSaveFile(const std::string&, const std::string&, const std::string&) override { return {}; }

 private:
  uint8_t bits_;
  int n_ = 0;
};

std::vector<uint8_t> Store(orv::TRStartModel& m) {
  orv::TMemItems items = orv::CreateMemItems();
  m.StoreData(items);
  const auto& d = items[orv::kRegionRStart].FData;
  for (size_t i = orv::TRSConfig::kSize; i < d.size(); ++i) Check(d[i] == 0xFF);
  return {d.begin(), d.begin() + orv::TRSConfig::kSize};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t flags = data[0], answers = data[1];
  std::vector<uint8_t> block(data + 2, data + size);
  // Half of the inputs are made mostly valid, so the rules past the validity
  // test are reached too.
  if ((flags & 0x80) && block.size() >= orv::TRSConfig::kSize) {
    for (size_t i = 16; i < 32; ++i) block[i] %= 17;
    for (size_t i = 32; i < 48; ++i) block[i] %= 19;
    for (size_t s = 0; s < 24; ++s) block[48 + 16 * s] %= (s < 20 ? 8 : 256);
  }
  const orv::TRStartUnit unit{(flags & 1) != 0, static_cast<uint8_t>(0x21 + ((flags >> 1) & 3))};

  orv::TRStartModel m;
  m.ChangeDefaults = (flags & 8) != 0;
  m.AnalogConnection = (flags & 16) != 0;
  Answers first(answers);
  m.LoadData(block, unit, &first);
  Check(nlohmann::json::accept(m.ToJSON()));
  Check(!m.Report().empty());

  const auto seqData = orv::BuildSeqAllData(m.Config());
  const int width = static_cast<int>(flags & 0x60) * 16;
  const orv::TSections sections(m.Config(), {m.IsSSB(), m.Ign2OffOnCrank(), false}, 215, width, 46);
  for (int r = 0; r < orv::kRSOutputs; ++r)
    for (const auto& l : sections.RowLines(r, seqData)) Check(l.x1 >= 215 && l.x2 <= sections.At(r, 5).Bounds.right);
  (void)sections.Hint(300);

  const std::vector<uint8_t> once = Store(m);
  orv::TRStartModel again;
  again.ChangeDefaults = m.ChangeDefaults;
  again.AnalogConnection = m.AnalogConnection;
  Answers second(answers);
  again.LoadData(once, unit, &second);
  Check(Store(again) == once);
  return 0;
}
