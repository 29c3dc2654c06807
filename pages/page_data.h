// The pages as the settings workflows see them: every page copies its records
// out of the regions after a read or a file load, and writes them back before
// a write or a file save, in fixed orders.
#pragma once

#include <optional>

#include "settings/workflow_hooks.h"

namespace orv {

class TPageContainer;

class TPagesData final : public PagesHook {
 public:
  explicit TPagesData(TPageContainer& pages) : pages_(pages) {}

  // Options, messages, connections, impulses, CAN, Internet, and last the
  // remote-start page, which receives the bytes of its own region (14)
  // instead of the region array.
  void LoadData(TMemItems& items) override;
  // Options, connections, impulses, CAN, Internet, remote start; the messages
  // page is not stored.
  void StoreData(TMemItems& items) override;
  // The options page keeps no copy of the main settings block yet: there is
  // no PIN of its own to keep or to set.
  std::optional<TPIN> OptionsPIN() const override { return std::nullopt; }
  void SetOptionsPIN(const TPIN&) override {}

 private:
  TPageContainer& pages_;
};

}  // namespace orv
