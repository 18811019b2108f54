#pragma once

#include "terminal/term_colors.h"

namespace r7n {

// Applies one SGR parameter of a received colour sequence to the terminal's
// colours. Only the colours change here; the caller hands them to the console.
// Parameters outside the small set the far ends use leave the colours alone.
void TermSgrColor(TermColors& colors, int n);

}  // namespace r7n
