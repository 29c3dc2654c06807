#include "pages/page_data.h"

#include <stdexcept>

#include "pages/page_container.h"

namespace orv {

namespace {

TCLFrame& PageOf(TPageContainer& pages, const char* name) {
  TCLFrame* page = pages.Page(name);
  // Every page exists from start to exit; a missing one is a programming error.
  if (!page) throw std::logic_error(std::string("no settings page ") + name);
  return *page;
}

}  // namespace

void TPagesData::LoadData(TMemItems& items) {
  for (const char* name :
       {"OptionsFrame", "MessagesFrame", "ConnectionsFrame", "ImpulsesFrame", "CANFrame", "InternetFrame"})
    PageOf(pages_, name).LoadData(items);
  TMemItem& rstart = items[kRegionRStart];
  PageOf(pages_, "RStartFrame").LoadData(rstart.FData.data(), static_cast<int>(rstart.Size()));
}

void TPagesData::StoreData(TMemItems& items) {
  for (const char* name :
       {"OptionsFrame", "ConnectionsFrame", "ImpulsesFrame", "CANFrame", "InternetFrame", "RStartFrame"})
    PageOf(pages_, name).StoreData(items);
}

}  // namespace orv
