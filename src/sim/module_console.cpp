#include "sim/module_console.h"

#include <utility>

namespace r7n::sim {
namespace {

// The tty's special characters, as the module's getty sets them up.
constexpr char kInterrupt = 0x03;  // Ctrl-C
constexpr char kEndOfFile = 0x04;  // Ctrl-D
constexpr char kBackspace = 0x08;  // taken as erase too, whatever the terminal sends
constexpr char kKill = 0x15;       // Ctrl-U
constexpr char kDelete = 0x7F;     // the erase character proper

constexpr int kTabWidth = 8;

bool IsControl(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code < 0x20 || code == 0x7F;
}

// A typed control character is echoed as ^X, except a tab, which moves the cursor.
std::string EchoForm(char c) {
  if (!IsControl(c) || c == '\t') return std::string(1, c);
  return {'^', static_cast<char>(c ^ 0x40)};
}

// The column after text goes out from column, counted as the tty counts it.
int ColumnAfter(int column, std::string_view text) {
  for (const char c : text) {
    if (c == '\r' || c == '\n') {
      column = 0;
    } else if (c == '\t') {
      column += kTabWidth - column % kTabWidth;
    } else if (c == '\b') {
      if (column > 0) --column;
    } else if (!IsControl(c)) {
      ++column;
    }
  }
  return column;
}

std::string StaticInterfaces(const std::string& address) {
  return "auto lo\n"
         "iface lo inet loopback\n"
         "\n"
         "auto eth0\n"
         "iface eth0 inet static\n"
         "    address " +
         address +
         "\n"
         "    netmask 255.255.255.0\n";
}

}  // namespace

const ModuleSoftware& SoftwareOf(ModuleVariant variant) {
  return variant == ModuleVariant::kTr7n ? kTr7nSoftware : kR7nSoftware;
}

ModuleConsole::ModuleConsole(ModuleConsoleConfig config)
    : variant_(config.variant),
      software_(SoftwareOf(config.variant)),
      state_(config.logged_in ? State::kShell : State::kUserName) {
  const std::string host(software_.host_name);
  shell_.SetFile("/etc/hostname", host + "\n");
  shell_.SetFile("/etc/hosts", "127.0.0.1\tlocalhost\n127.0.1.1\t" + host + "\n");
  shell_.SetFile("/etc/network/interfaces",
                 config.interfaces_file.value_or(StaticInterfaces(config.address)));
  shell_.SetFile("/root/.profile", "PS1='\\n\\u@\\h:\\w# '\nexport PS1\n");
  // Whatever the console showed last was printed long before anyone listens.
  column_ = ColumnAfter(0, AtShell() ? ShellPromptText() : LoginScreenText());
  line_start_column_ = column_;
}

void ModuleConsole::SetFile(const std::string& path, std::string content) {
  shell_.SetFile(path, std::move(content));
}

void ModuleConsole::Receive(std::uint8_t byte, std::int64_t /*now_us*/, std::string& out) {
  const char c = static_cast<char>(byte);
  switch (c) {
    case kInterrupt:
      Interrupt(out);
      break;
    case '\r':  // taken as a line end, as the tty maps CR to NL
    case '\n':
      EndLine(out);
      break;
    case kBackspace:
    case kDelete:
      EraseChar(out);
      break;
    case kKill:
      KillLine(out);
      break;
    case kEndOfFile:
      EndOfFile(out);
      break;
    default:
      AddChar(c, out);
  }
  // Input starts wherever the cursor stands while nothing is typed (after a
  // prompt, or once everything typed has been erased).
  if (line_.empty()) line_start_column_ = column_;
}

void ModuleConsole::EndLine(std::string& out) {
  Echo("\n", out);
  const std::string line = std::exchange(line_, {});
  switch (state_) {
    case State::kUserName:
      TakeUserName(line, out);
      break;
    case State::kPassword:
      CheckPassword(line, out);
      break;
    case State::kShell:
      RunCommand(line, out);
      break;
  }
}

void ModuleConsole::Interrupt(std::string& out) {
  line_.clear();
  if (!AtShell()) {
    // Ctrl-C kills login; getty starts over with its banner.
    RestartGetty(out);
    return;
  }
  if (software_.echoes_interrupt) Print("^C", out);
  ShowShellPrompt(out);
}

void ModuleConsole::EndOfFile(std::string& out) {
  // After some text, Ctrl-D only hands over an unfinished line, and neither
  // login nor the shell's editor acts on that.
  if (!line_.empty()) return;
  // On an empty line it ends the input: the shell or login ends, getty restarts.
  RestartGetty(out);
}

void ModuleConsole::EraseChar(std::string& out) {
  if (line_.empty()) return;
  const int end = EchoColumn(line_);
  const char erased = line_.back();
  line_.pop_back();
  const int width = end - EchoColumn(line_);
  // A tab left no characters to blank out, only columns to go back over.
  const std::string_view step = erased == '\t' ? "\b" : "\b \b";
  for (int i = 0; i < width; ++i) Echo(step, out);
}

void ModuleConsole::KillLine(std::string& out) {
  while (!line_.empty()) EraseChar(out);
}

void ModuleConsole::AddChar(char c, std::string& out) {
  if (line_.size() >= kMaxLine) {
    Echo("\a", out);
    return;
  }
  line_ += c;
  Echo(EchoForm(c), out);
}

void ModuleConsole::TakeUserName(const std::string& name, std::string& out) {
  if (name.empty()) {
    Print(LoginPromptText(), out);
    return;
  }
  user_ = name;
  state_ = State::kPassword;
  Print("Password: ", out);
}

void ModuleConsole::CheckPassword(const std::string& password, std::string& out) {
  // The line end was not echoed; login moves to the next line itself.
  Print("\n", out);
  if (user_ == "root" && password == software_.root_password) {
    ++logins_;
    refusals_in_a_row_ = 0;
    state_ = State::kShell;
    ShowShellPrompt(out);
    return;
  }
  ++failed_logins_;
  Print("Login incorrect\n", out);
  state_ = State::kUserName;
  if (++refusals_in_a_row_ == 3) {
    RestartGetty(out);
  } else {
    Print(LoginPromptText(), out);
  }
}

void ModuleConsole::RunCommand(const std::string& line, std::string& out) {
  const ShellOutcome outcome = shell_.Run(line);
  Print(outcome.console, out);
  if (outcome.exit) {
    RestartGetty(out);
  } else {
    ShowShellPrompt(out);
  }
}

void ModuleConsole::RestartGetty(std::string& out) {
  state_ = State::kUserName;
  user_.clear();
  refusals_in_a_row_ = 0;
  Print(LoginScreenText(), out);
}

void ModuleConsole::ShowShellPrompt(std::string& out) {
  Print(ShellPromptText(), out);
}

std::string ModuleConsole::LoginScreenText() const {
  return "\n\n" + std::string(software_.issue) + " " + std::string(software_.host_name) +
         " ttyS0\n\n" + LoginPromptText();
}

std::string ModuleConsole::LoginPromptText() const {
  return std::string(software_.host_name) + " login: ";
}

// Root's PS1 is "\n\u@\h:\w# ", and root never leaves its home directory.
std::string ModuleConsole::ShellPromptText() const {
  return "\nroot@" + std::string(software_.host_name) + ":~# ";
}

void ModuleConsole::Echo(std::string_view text, std::string& out) {
  if (state_ != State::kPassword) Print(text, out);
}

void ModuleConsole::Print(std::string_view text, std::string& out) {
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  column_ = ColumnAfter(column_, text);
}

int ModuleConsole::EchoColumn(std::string_view typed) const {
  int column = line_start_column_;
  for (const char c : typed) column = ColumnAfter(column, EchoForm(c));
  return column;
}

}  // namespace r7n::sim
