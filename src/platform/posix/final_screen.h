#pragma once

#include <string>

#include "platform/posix/color_map.h"
#include "platform/screen_image.h"

namespace r7n {

// The last screen as plain terminal output, for printing once full-screen mode
// has ended: the program's last screen stays in view above the shell prompt,
// as it does in a console window. Rows below the last non-blank one are left
// out, and so are blank cells at the end of a row.
std::string FinalScreenText(const ScreenImage& image, bool utf8, ColorCapability colors);

}  // namespace r7n
