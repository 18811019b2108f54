#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sim/line_device.h"
#include "sim/module_shell.h"

namespace r7n::sim {

// The software a module runs; the two differ in host name, root password,
// banner and in how their shell answers Ctrl-C.
enum class ModuleVariant { kR7n, kTr7n };

// How a variant of the module software is set up. These are the modules'
// settings; the service console keeps its own copy of the host names and
// passwords, so a mistake on either side shows up as a failed login.
struct ModuleSoftware {
  std::string_view host_name;
  std::string_view root_password;
  // Start of the line getty shows above the login prompt; the host name and
  // the tty follow it.
  std::string_view issue;
  // The shell's line editor prints "^C" before the new prompt.
  bool echoes_interrupt;
};

inline constexpr ModuleSoftware kR7nSoftware{
    .host_name = "kt20r-r7n",
    .root_password = "R7nAdm1n",
    .issue = "KT20R R7N Linux 4.14.98",
    .echoes_interrupt = false,
};

inline constexpr ModuleSoftware kTr7nSoftware{
    .host_name = "kt20r-tr7n",
    .root_password = "Tr7nAdm1n",
    .issue = "KT20R Tr7N Linux 5.10.72",
    .echoes_interrupt = true,
};

const ModuleSoftware& SoftwareOf(ModuleVariant variant);

struct ModuleConsoleConfig {
  ModuleVariant variant = ModuleVariant::kR7n;
  // Starts at a root shell prompt instead of the login screen.
  bool logged_in = false;
  // The static address the module's /etc/network/interfaces starts with.
  std::string address = "192.168.0.10";
  // Whole contents of /etc/network/interfaces in place of the static
  // configuration for address (a module set up by hand, a file with no address).
  std::optional<std::string> interfaces_file{};
};

// The serial console of a module's embedded Linux: a tty in canonical mode
// (echo, CR ends a line, erase and kill), getty and login in front of a root
// shell, and the files the service console reads and rewrites.
class ModuleConsole : public LineDevice {
 public:
  // Longest line the tty keeps; further characters are refused with a bell.
  static constexpr std::size_t kMaxLine = 4095;

  explicit ModuleConsole(ModuleConsoleConfig config);

  void Receive(std::uint8_t byte, std::int64_t now_us, std::string& out) override;

  ModuleVariant Variant() const { return variant_; }
  const ModuleSoftware& Software() const { return software_; }
  // At the root shell prompt; otherwise at the login screen.
  bool AtShell() const { return state_ == State::kShell; }
  // Root shells started and login attempts refused since power-up.
  int Logins() const { return logins_; }
  int FailedLogins() const { return failed_logins_; }

  // nullptr when there is no such file.
  const std::string* File(const std::string& path) const { return shell_.File(path); }
  void SetFile(const std::string& path, std::string content);
  void RemoveFile(const std::string& path) { shell_.RemoveFile(path); }

 private:
  enum class State { kUserName, kPassword, kShell };

  void EndLine(std::string& out);
  void Interrupt(std::string& out);
  void EndOfFile(std::string& out);
  void EraseChar(std::string& out);
  void KillLine(std::string& out);
  void AddChar(char c, std::string& out);

  void TakeUserName(const std::string& name, std::string& out);
  void CheckPassword(const std::string& password, std::string& out);
  void RunCommand(const std::string& line, std::string& out);

  // Login has ended (Ctrl-C, end of input, refusals, the shell's exit):
  // getty shows its banner and a fresh login prompt.
  void RestartGetty(std::string& out);
  void ShowShellPrompt(std::string& out);
  std::string LoginScreenText() const;
  std::string LoginPromptText() const;
  std::string ShellPromptText() const;

  // Echo is off while the password is typed.
  void Echo(std::string_view text, std::string& out);
  // Output through the tty: LF goes out as CR LF, and the column is followed
  // so that erasing a tab takes back the right number of columns.
  void Print(std::string_view text, std::string& out);
  int EchoColumn(std::string_view typed) const;

  ModuleVariant variant_;
  ModuleSoftware software_;
  ModuleShell shell_;
  State state_;
  std::string line_;
  std::string user_;
  int column_ = 0;
  int line_start_column_ = 0;
  int logins_ = 0;
  int failed_logins_ = 0;
  // Refusals since login was started; login gives up after three and getty
  // starts it again.
  int refusals_in_a_row_ = 0;
};

}  // namespace r7n::sim
