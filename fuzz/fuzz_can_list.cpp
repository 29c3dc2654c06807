// Feeds arbitrary text to the CAN firmware list reader and walks every choice
// the vehicle page's lists allow: whatever the server sends, reading either
// gives a tree whose invariants hold or the list error, never a crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "server/can_choice.h"
#include "server/can_list.h"

namespace {
void Check(bool ok) {
  if (!ok) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::can::CanTree tree;
  try {
    tree = orv::can::ParseCanList(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const orv::can::CanListError&) {
    return 0;
  }
  Check(tree.makes.empty() || tree.makes[0].name == orv::can::kPlaceholder);
  orv::can::CanChoice choice;
  choice.SetTree(&tree);
  for (size_t mk = 0; mk < tree.makes.size(); ++mk) {
    choice.ChooseMake(static_cast<int>(mk));
    for (size_t md = 0; md < choice.Models().size(); ++md) {
      choice.ChooseModel(static_cast<int>(md));
      for (size_t pd = 0; pd < choice.Periods().size(); ++pd) {
        choice.ChoosePeriod(static_cast<int>(pd));
        for (size_t f = 0; f < choice.Firmware().size(); ++f) Check(choice.ChooseFirmware(static_cast<int>(f)));
        Check(!choice.ChooseFirmware(-1));
      }
    }
  }
  return 0;
}
