// TMessagesModel: the messages page (region 9). For each event message with a
// row it edits the delivery bits of its flag word: a call (bits 0..3) or an
// SMS (bits 4..7) to user phone 1..4, and delivery in roaming (bit 10). Other
// bits, and the words of messages without a row, keep what was loaded. The
// page keeps its own copy of the first 46 words in host order.
//
// Region 9 is outside the write mask: the write workflow writes it only when
// the store changed a word (ChangedRegions) and the region came from the
// unit. Settings files do not carry it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "pages/model/page_model.h"

namespace orv {

struct MessageRow {
  int message;
  const char* caption;
};

struct MessageGroup {
  const char* item;         // list item
  const char* labelPrefix;  // caption labels: prefix + message number
  bool disabled;            // shown, not editable, no hints
  std::vector<MessageRow> rows;
};

extern const std::array<MessageGroup, 4> kMessageGroups;
// The bits a row edits, in column order: calls 1..4, SMS 1..4, roaming.
inline constexpr std::array<int, 9> kMessageBits = {0, 1, 2, 3, 4, 5, 6, 7, 10};
inline constexpr int kMessageWords = 46;

class TMessagesModel final : public TPageModel {
 public:
  explicit TMessagesModel(TPageEnv& env);

  void AfterCreate() override;
  void LoadData(TMemItems& items) override;
  void StoreData(TMemItems& items) override;
  uint32_t ChangedRegions() const override { return changed_ ? (1u << kRegionDelivery) : 0; }
  std::vector<std::string> Show() const override;

  std::vector<std::string> SubPages() const override;
  TControlState State(size_t index) const override;

  // The control of message m, bit b: "msg<m>.<b>"; its tag is m * 256 + b.
  static std::string ControlName(int message, int bit);
  uint16_t Word(int message) const { return words_[static_cast<size_t>(message)]; }

 protected:
  void Apply(size_t index, int value, const std::string& text) override;

 private:
  std::vector<int> tag_;       // per row: message * 256 + bit
  std::vector<bool> disabled_;
  std::vector<int> value_;     // per row: box state
  std::array<uint16_t, kMessageWords> words_{};
  std::array<uint16_t, kMessageWords> loaded_{};
  bool changed_ = false;
};

std::unique_ptr<TPageModel> CreateMessagesModel(TPageEnv& env);

}  // namespace orv
