#include "app/hidden_keys.h"

namespace orv {

namespace {
const std::u32string kServerAddressWord = U"grimzax";
const std::u32string kForceUpdateWord = U"quintabrel";
}  // namespace

ServiceWord HiddenKeys::Type(char32_t c) {
  Fkeys.push_back(c);
  if (Fkeys.size() > kKeep) Fkeys.erase(Fkeys.begin());
  if (Fkeys.find(kServerAddressWord) != std::u32string::npos) {
    Fkeys.clear();
    return ServiceWord::kServerAddress;
  }
  if (Fkeys.find(kForceUpdateWord) != std::u32string::npos) {
    Fkeys.clear();
    return ServiceWord::kForceUpdate;
  }
  return ServiceWord::kNone;
}

}  // namespace orv
