#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace r7n {

// Reading what a module's Linux console sent back, as an operator reads the
// screen: a real console wraps its prompts in terminal control sequences
// (bash's bracketed paste, busybox's cursor position query) and echoes the
// interrupt as "^C"; none of that is part of what it says.

// The reply without terminal control sequences (CSI, OSC, two-byte ESC
// sequences) and without the "^C" a shell echoes for the interrupt.
std::string ReadableReply(std::string_view reply);

// What follows the last CR or LF: the line the cursor stands on.
std::string_view LastLine(std::string_view readable);

// kVariantR7n or kVariantTr7n when the last line begins with that variant's
// root prompt ("root@", the host name, ":"), else kVariantUnknown.
int RootPromptVariant(std::string_view readable);

// The variant a login screen shows: a banner word (Tr7N first), else the host
// name before " login:"; kVariantUnknown when neither is there.
int LoginScreenVariant(std::string_view readable);

// The last line ends, blanks aside, with "login:": a login prompt waits.
bool AtLoginPrompt(std::string_view readable);

// The last line ends, blanks aside, with "Password:" or "password:".
bool AtPasswordPrompt(std::string_view readable);

// Either variant's login prompt ("HOST login:") anywhere in the text.
bool ShowsLoginPrompt(std::string_view readable);

// The lines a command printed: those after the line holding the command's
// echo, up to the root prompt that ends the reply. Nothing when the echo or
// the closing prompt is missing (the reply was cut off, or is not a shell's).
std::optional<std::vector<std::string>> CommandOutput(std::string_view readable,
                                                      std::string_view command);

}  // namespace r7n
