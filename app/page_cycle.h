// Keyboard page switching (Ctrl+Tab, Ctrl+PgDn and back): the next page in
// menu order whose action is enabled, wrapping around at the ends.
#pragma once

#include <string>
#include <vector>

namespace orv {

struct PageEntry {
  std::string action;  // "aOptionsFrame"
  bool enabled = true;
};

// The action to show after `current` going `step` (+1 or -1) through `menu`;
// disabled entries are skipped. A current page outside the menu starts from
// the first (forward) or last (backward) entry. Empty when no other page can
// be shown.
std::string NextPage(const std::vector<PageEntry>& menu, const std::string& current, int step);

}  // namespace orv
