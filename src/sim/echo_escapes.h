#pragma once

#include <string>
#include <string_view>

namespace r7n::sim {

// What `echo -e` makes of its text.
struct EchoExpansion {
  std::string text;
  // \c was met: echo prints nothing after it, not even its closing newline.
  bool stopped = false;
};

// Expands the backslash escapes `echo -e` knows: \\ \a \b \c \e \f \n \r \t
// \v, \0nnn (up to three octal digits) and \xHH (one or two hex digits). Any
// other backslash is printed as it stands, as the module's echo does.
EchoExpansion ExpandEchoEscapes(std::string_view text);

}  // namespace r7n::sim
