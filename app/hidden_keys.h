// Service words typed anywhere in the window: they uncover fields that only
// the maker's service staff use.
#pragma once

#include <string>

namespace orv {

enum class ServiceWord { kNone, kServerAddress, kForceUpdate };

class HiddenKeys {
 public:
  static constexpr size_t kKeep = 10;  // characters remembered

  // Adds one typed character; returns the word it completed, if any (the
  // remembered characters are then forgotten). Case-sensitive.
  ServiceWord Type(char32_t c);
  const std::u32string& Keys() const { return Fkeys; }

 private:
  std::u32string Fkeys;
};

}  // namespace orv
