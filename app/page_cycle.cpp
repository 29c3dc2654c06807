#include "app/page_cycle.h"

namespace orv {

std::string NextPage(const std::vector<PageEntry>& menu, const std::string& current, int step) {
  const int n = static_cast<int>(menu.size());
  if (n == 0 || step == 0) return {};
  step = step > 0 ? 1 : -1;
  int at = -1;
  for (int i = 0; i < n; ++i)
    if (menu[static_cast<size_t>(i)].action == current) at = i;
  // Outside the menu: pretend to stand just before the first (or after the last) entry.
  if (at < 0) at = step > 0 ? n - 1 : 0;
  for (int k = 1; k <= n; ++k) {
    const int i = ((at + step * k) % n + n) % n;
    const PageEntry& e = menu[static_cast<size_t>(i)];
    if (e.enabled && e.action != current) return e.action;
  }
  return {};
}

}  // namespace orv
