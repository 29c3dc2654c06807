// Russian texts for the system errors users meet most (missing file, no
// permission, full disk...). Other codes get the C library's text, which is
// Russian where the system has Russian messages and the program called
// setlocale().
#pragma once

#include <string>

namespace orv {

std::string SystemErrorText(int err);

}  // namespace orv
