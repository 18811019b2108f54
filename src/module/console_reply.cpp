#include "module/console_reply.h"

#include "module/module_software.h"

namespace r7n {
namespace {

constexpr char kEsc = 0x1B;
constexpr char kBel = 0x07;
constexpr std::string_view kInterruptEcho = "^C";

bool InRange(char c, int low, int high) {
  const auto code = static_cast<unsigned char>(c);
  return code >= low && code <= high;
}

// Where the escape sequence that starts at `esc` ends (one past its last
// byte); the end of the text when it is cut off there.
std::size_t EscapeEnd(std::string_view text, std::size_t esc) {
  std::size_t i = esc + 1;
  if (i >= text.size()) return i;
  if (text[i] == '[') {
    // CSI: parameter and intermediate bytes, then one final byte.
    for (++i; i < text.size(); ++i) {
      if (InRange(text[i], 0x40, 0x7E)) return i + 1;
      if (!InRange(text[i], 0x20, 0x3F)) return i;  // not a CSI byte: the sequence was broken
    }
    return i;
  }
  if (text[i] == ']') {
    // OSC: a string ended by BEL or by ESC backslash. Another ESC starts a
    // sequence of its own, and a line end is text again: a broken title must
    // not swallow the lines that follow it.
    for (++i; i < text.size(); ++i) {
      if (text[i] == kBel) return i + 1;
      if (text[i] == kEsc) return i + 1 < text.size() && text[i + 1] == '\\' ? i + 2 : i;
      if (text[i] == '\r' || text[i] == '\n') return i;
    }
    return i;
  }
  // Intermediate bytes, then the final byte of a two-byte sequence.
  while (i < text.size() && InRange(text[i], 0x20, 0x2F)) ++i;
  if (i < text.size() && InRange(text[i], 0x30, 0x7E)) return i + 1;
  return i;
}

std::string_view TrimBlanksRight(std::string_view text) {
  const std::size_t last = text.find_last_not_of(" \t");
  return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::string LoginPrompt(const ModuleSoftwareTexts& software) {
  return std::string(software.host_name) + " login:";
}

std::string PromptStart(const ModuleSoftwareTexts& software) {
  return "root@" + std::string(software.host_name) + ":";
}

}  // namespace

std::string ReadableReply(std::string_view reply) {
  std::string readable;
  readable.reserve(reply.size());
  for (std::size_t i = 0; i < reply.size();) {
    if (reply[i] == kEsc) {
      i = EscapeEnd(reply, i);
    } else if (reply.substr(i, kInterruptEcho.size()) == kInterruptEcho) {
      i += kInterruptEcho.size();
    } else {
      readable += reply[i++];
    }
  }
  return readable;
}

std::string_view LastLine(std::string_view readable) {
  const std::size_t end = readable.find_last_of("\r\n");
  return end == std::string_view::npos ? readable : readable.substr(end + 1);
}

int RootPromptVariant(std::string_view readable) {
  const std::string_view line = LastLine(readable);
  if (line.starts_with(PromptStart(kR7nSoftware))) return kVariantR7n;
  if (line.starts_with(PromptStart(kTr7nSoftware))) return kVariantTr7n;
  return kVariantUnknown;
}

int LoginScreenVariant(std::string_view readable) {
  if (readable.find(kTr7nSoftware.banner_word) != std::string_view::npos) return kVariantTr7n;
  if (readable.find(kR7nSoftware.banner_word) != std::string_view::npos) return kVariantR7n;
  if (readable.find(LoginPrompt(kTr7nSoftware)) != std::string_view::npos) return kVariantTr7n;
  if (readable.find(LoginPrompt(kR7nSoftware)) != std::string_view::npos) return kVariantR7n;
  return kVariantUnknown;
}

bool AtLoginPrompt(std::string_view readable) {
  return EndsWith(TrimBlanksRight(LastLine(readable)), "login:");
}

bool AtPasswordPrompt(std::string_view readable) {
  const std::string_view line = TrimBlanksRight(LastLine(readable));
  return EndsWith(line, "Password:") || EndsWith(line, "password:");
}

bool ShowsLoginPrompt(std::string_view readable) {
  for (const ModuleSoftwareTexts* software : {&kR7nSoftware, &kTr7nSoftware}) {
    if (readable.find(LoginPrompt(*software)) != std::string_view::npos) return true;
  }
  return false;
}

std::optional<std::vector<std::string>> CommandOutput(std::string_view readable,
                                                      std::string_view command) {
  if (RootPromptVariant(readable) == kVariantUnknown) return std::nullopt;
  std::vector<std::string> lines;
  bool after_echo = false;
  std::size_t start = 0;
  // Every line but the last, which is the prompt. A CR only takes the cursor
  // back to the line's start, so it is no part of what a line says.
  for (std::size_t end; (end = readable.find('\n', start)) != std::string_view::npos;
       start = end + 1) {
    std::string line;
    for (const char c : readable.substr(start, end - start)) {
      if (c != '\r') line += c;
    }
    if (after_echo) {
      lines.push_back(std::move(line));
    } else {
      after_echo = line.find(command) != std::string::npos;
    }
  }
  if (!after_echo) return std::nullopt;
  return lines;
}

}  // namespace r7n
