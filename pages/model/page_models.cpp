#include "pages/model/page_models.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <stdexcept>

#include "settings/json_writer.h"

namespace orv {

namespace {

// Table rows ordered by one of their positions; rows at -1 left out.
std::vector<size_t> Ordered(std::span<const TPageEntry> table, int TPageEntry::*position) {
  std::vector<size_t> rows;
  for (size_t i = 0; i < table.size(); ++i)
    if (table[i].*position >= 0) rows.push_back(i);
  std::stable_sort(rows.begin(), rows.end(),
                   [&](size_t a, size_t b) { return table[a].*position < table[b].*position; });
  return rows;
}

}  // namespace

TSDate TSDate::Now() { return At(std::time(nullptr)); }

TSDate TSDate::At(std::time_t utc) {
  tzset();
  TSDate d;
  d.utc = utc;
  std::tm local{};
  localtime_r(&utc, &local);
  d.year = local.tm_year + 1900;
  d.month = local.tm_mon + 1;
  d.day = local.tm_mday;
  d.hour = local.tm_hour;
  d.minute = local.tm_min;
  // Standard time only: the zone's bias without daylight saving.
  d.biasMinutes = ::timezone / 60;
  d.zoneName = tzname[0] ? tzname[0] : "";
  d.localAsUtc = static_cast<int64_t>(timegm(&local));
  return d;
}

TPageModels::TPageModels(TPageEnv& env, std::span<const TPageEntry> table) : env_(env), table_(table) {
  for (const TPageEntry& e : table_) {
    models_.push_back(e.create ? e.create(env_) : nullptr);
    if (!models_.back()) throw std::logic_error(std::string("no model for page ") + e.name);
  }
  for (auto& m : models_) m->AfterCreate();
}

TPageModels::~TPageModels() = default;

void TPageModels::LoadData(TMemItems& items) {
  for (size_t i : Ordered(table_, &TPageEntry::loadOrder)) models_[i]->LoadData(items);
}

void TPageModels::StoreData(TMemItems& items) {
  for (size_t i : Ordered(table_, &TPageEntry::storeOrder)) models_[i]->StoreData(items);
}

TPageModel* TPageModels::Model(std::string_view name) const {
  for (size_t i = 0; i < table_.size(); ++i)
    if (name == table_[i].name) return models_[i].get();
  return nullptr;
}

std::optional<TPIN> TPageModels::OptionsPIN() const {
  const TPageModel* m = Model("OptionsFrame");
  return m ? m->PIN() : std::nullopt;
}

void TPageModels::SetOptionsPIN(const TPIN& pin) {
  if (TPageModel* m = Model("OptionsFrame")) m->SetPIN(pin);
}

bool TPageModels::TakeForceSave() {
  const bool force = env_.forceSave;
  env_.forceSave = false;
  return force;
}

uint32_t TPageModels::ChangedRegions() const {
  uint32_t mask = 0;
  for (const auto& m : models_) mask |= m->ChangedRegions();
  return mask;
}

void TPageModels::SetExpertMode(bool value) {
  for (auto& m : models_) m->SetExpertMode(value);
}

std::string TPageModels::Configuration(const TSDate& date) const {
  std::string out = "{";
  for (size_t i : Ordered(table_, &TPageEntry::exportOrder)) {
    if (!table_[i].exportMember) continue;
    out += json::Quote(table_[i].exportMember) + ":" + json::Rewrite(models_[i]->ToJSON()) + ",";
  }
  char local[64];
  std::snprintf(local, sizeof local, "%2.2d.%2.2d.%4d %2.2d:%2.2d", date.day, date.month, date.year, date.hour,
                date.minute);
  json::Value sdate = json::Value::object();
  sdate["localtime"] = local;
  sdate["timezone"] = std::to_string(date.biasMinutes) + ", " + date.zoneName;
  sdate["UTC"] = std::to_string(date.localAsUtc);
  out += "\"sdate\":" + json::Write(sdate) + "}";
  return out;
}

std::string TPageModels::SyncJSON(const TSDate& date) const {
  std::string members;
  for (size_t i = 0; i < models_.size(); ++i) {
    std::string m = models_[i]->SyncMembers();
    if (m.empty()) continue;
    members += m + ",";
  }
  return "{" + members + "\"configuration\":" + Configuration(date) + "}";
}

}  // namespace orv
