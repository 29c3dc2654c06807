// Arbitrary contents of regions 0, 5 and 9 (as a unit or a file may hold
// them) through the pages: loading must not fail, the configuration object
// and the whole synchronisation JSON must be valid JSON that the writer
// rewrites identically, and storing what was loaded must be stable: a second
// load and store changes no byte of what the first store wrote.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "pages/model/page_models.h"
#include "settings/json_writer.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

constexpr int kRegions[] = {orv::kRegionInternet, orv::kRegionConfig, orv::kRegionDelivery};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::TMemItems items = orv::CreateMemItems();
  size_t at = 0;
  for (int k : kRegions)
    for (uint8_t& b : items[static_cast<size_t>(k)].Bytes()) b = at < size ? data[at++] : 0;

  // The pages' questions are answered from one input bit.
  orv::FixedPrompts prompts(size > 0 && (data[0] & 1) ? orv::Prompts::Answer::kYes : orv::Prompts::Answer::kNo);
  orv::TPageEnv env;
  env.prompts = &prompts;
  orv::TPageModels pages(env);
  pages.SetExpertMode(true);
  pages.LoadData(items);

  for (const std::string& text : {pages.Configuration(orv::TSDate::At(1700000000)),
                                  pages.SyncJSON(orv::TSDate::At(0))}) {
    Check(orv::json::Rewrite(text) == text);
  }

  pages.StoreData(items);
  const orv::TMemItems first = items;
  pages.LoadData(items);
  pages.StoreData(items);
  for (int k : kRegions) {
    const std::span<const uint8_t> a = first[static_cast<size_t>(k)].Bytes(), b = items[static_cast<size_t>(k)].Bytes();
    Check(std::equal(a.begin(), a.end(), b.begin()));
  }
  return 0;
}
