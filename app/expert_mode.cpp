#include "app/expert_mode.h"

namespace orv {

const char* const kExpertModeQuestion =
    "Режим эксперта открывает доступ к инженерным позициям меню. \r\n"
    "Неквалифицированное использование может привести \r\n"
    "к неработоспособности устройства Orvantis. \r\n"
    "Продолжить?";

bool ConfirmExpertMode(bool wanted, Prompts& prompts) {
  if (!wanted) return false;
  return prompts.WarningDialog(kExpertModeQuestion, {"Да", "Нет"}) == Prompts::Answer::kYes;
}

bool PageNeedsExpertMode(std::string_view actionName) {
  return actionName == "aImpulsesFrame" || actionName == "aCANFrame";
}

}  // namespace orv
