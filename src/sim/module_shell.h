#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace r7n::sim {

// What one command line did.
struct ShellOutcome {
  // Everything the command printed to the terminal (its output unless that was
  // redirected, and its error lines), with plain LF line ends: the tty turns
  // them into CR LF on the way out.
  std::string console;
  // The shell is to end (`exit`), which takes the module back to its login screen.
  bool exit = false;
};

// The root shell of a module and its small in-memory file system. It knows the
// commands the service console types (cat, echo, exit) and answers anything
// else as the module's shell does, with an error line.
class ModuleShell {
 public:
  // Root's home, where the shell starts and relative paths are taken from.
  static constexpr std::string_view kHome = "/root";

  ModuleShell();

  ShellOutcome Run(std::string_view line);

  // nullptr when there is no such file.
  const std::string* File(const std::string& path) const;
  // Creates the file's directories as well, so a test can put a file anywhere.
  void SetFile(const std::string& path, std::string content);
  void RemoveFile(const std::string& path);

 private:
  using Args = std::vector<std::string>;

  // out is where the command's output goes: the console or a redirection.
  void Execute(const Args& args, std::string& out, ShellOutcome& outcome) const;
  void Echo(const Args& args, std::string& out) const;
  void Cat(const Args& args, std::string& out, std::string& err) const;
  // Opens a redirection target as the shell does before running the command;
  // false (with the error line in err) when it cannot be created.
  bool OpenForOutput(const std::string& name, bool append, std::string& err);

  bool IsDirectory(const std::string& path) const;

  std::map<std::string, std::string> files_;
  std::set<std::string> directories_;
};

}  // namespace r7n::sim
