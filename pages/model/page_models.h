// TPageModels: every settings page model of the application, created from the
// page table, and the one PagesHook of the window and of every CLI command.
// It runs the pages' LoadData and StoreData in the table's orders, supplies
// the PIN of the options page, and assembles the exports: the configuration
// object (the pages' ToJSON under their export members, then "sdate") and the
// whole JSON part of the settings synchronisation.
//
// A page joins by one row of the page table (pages/model/page_table.cpp); see
// pages/model/page_model.h.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pages/model/page_model.h"
#include "settings/workflow_hooks.h"

namespace orv {

// One page of the page table.
struct TPageEntry {
  const char* name;          // page name, selects the page: "OptionsFrame"
  const char* caption;       // its menu button: "Настройки"
  const char* exportMember;  // member of the configuration object, or nullptr
  int loadOrder;             // position in the load order, -1: never loaded
  int storeOrder;            // position in the store order, -1: never stored
  int exportOrder;           // position in the configuration object, -1: none
  uint32_t regions;          // the regions it loads and stores (bit k = region k)
  std::unique_ptr<TPageModel> (*create)(TPageEnv& env);
};

// The application's pages: options, messages, connections, impulses, CAN,
// Internet, remote start.
std::span<const TPageEntry> PageTable();

// The local time a configuration object's "sdate" records.
struct TSDate {
  std::time_t utc = 0;  // the moment
  // From the process's time zone (TZ): local date and time, standard-time
  // bias in minutes (UTC = local + bias) and the standard zone's name.
  static TSDate Now();
  static TSDate At(std::time_t utc);
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0;
  long biasMinutes = 0;
  std::string zoneName;
  int64_t localAsUtc = 0;  // local date and time counted as if it were UTC (negative before 1970)
};

class TPageModels final : public PagesHook {
 public:
  explicit TPageModels(TPageEnv& env, std::span<const TPageEntry> table = PageTable());
  ~TPageModels() override;

  // PagesHook
  void LoadData(TMemItems& items) override;
  void StoreData(TMemItems& items) override;
  std::optional<TPIN> OptionsPIN() const override;
  void SetOptionsPIN(const TPIN& pin) override;
  bool TakeForceSave() override;
  uint32_t ChangedRegions() const override;

  std::span<const TPageEntry> Table() const { return table_; }
  // The model of the page of that name, or nullptr.
  TPageModel* Model(std::string_view name) const;
  template <class T>
  T* ModelAs(std::string_view name) const {
    return dynamic_cast<T*>(Model(name));
  }
  // Every model hears of expert mode (the CLI's --expert; the window tells
  // only the page being shown, through its view).
  void SetExpertMode(bool value);

  // The configuration object on one line: the export members in the table's
  // export order, then "sdate". Throws JsonError when a page's export is not
  // valid JSON.
  std::string Configuration(const TSDate& date) const;
  // The whole JSON part of the synchronisation: the options' members 1..75,
  // then "configuration".
  std::string SyncJSON(const TSDate& date) const;

 private:
  TPageEnv& env_;
  std::span<const TPageEntry> table_;
  std::vector<std::unique_ptr<TPageModel>> models_;  // index = table row
};

}  // namespace orv
