// Expert mode: engineering pages and the activity log are available only
// after the user confirmed the warning.
#pragma once

#include <string_view>

#include "core/seams.h"

namespace orv {

extern const char* const kExpertModeQuestion;

// Switching expert mode on asks the question; any answer but "Да" keeps it
// off. Switching it off asks nothing. Returns the resulting state.
bool ConfirmExpertMode(bool wanted, Prompts& prompts);

// Page actions whose menu buttons are enabled only in expert mode.
bool PageNeedsExpertMode(std::string_view actionName);

}  // namespace orv
