// The option flags of TConfigData.Bits that the general options page edits:
// flag number, caption and the page's category. One table for the page, the
// CLI's "show" and the report.
#pragma once

#include <array>
#include <string_view>

namespace orv {

// Category index on the general options page.
enum class OptionGroup : int {
  kEngineBlocking = 0,
  kSensors = 1,
  kCentralLock = 2,
  kArming = 3,
  kAlarm = 4,
  kRoaming = 8,
  kDiagnostics = 9,
  kRemoteStart = 11,
};

struct OptionFlag {
  int flag;
  std::string_view caption;
  OptionGroup group;
  bool disabled = false;  // shown but not editable
  bool hidden = false;    // has a control that is never shown
};

extern const std::array<OptionFlag, 48> kOptionFlags;

// The twelve categories of the general options page, index = category.
extern const std::array<std::string_view, 12> kOptionCategories;

std::string_view OptionGroupCaption(OptionGroup group);
// The row of flag n, or nullptr when the flag has no control.
const OptionFlag* FindOptionFlag(int n);

}  // namespace orv
