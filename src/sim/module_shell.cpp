#include "sim/module_shell.h"

#include <cstddef>
#include <optional>
#include <utility>

#include "sim/echo_escapes.h"

namespace r7n::sim {
namespace {

enum class TokenKind { kWord, kRedirect, kAppend };

struct Token {
  TokenKind kind;
  std::string text;
};

struct Redirection {
  std::string target;
  bool append;
};

struct Command {
  std::vector<std::string> args;
  std::vector<Redirection> redirections;
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Inside double quotes a backslash protects only these; before anything else
// it stays in the word, which is how `echo -e "a\nb"` gets its \n through.
bool EscapableInDoubleQuotes(char c) {
  return c == '$' || c == '`' || c == '"' || c == '\\';
}

// i is on the opening quote; leaves it on the closing one.
bool ReadDoubleQuoted(std::string_view line, std::size_t& i, std::string& word) {
  for (++i; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') return true;
    if (c == '\\' && i + 1 < line.size() && EscapableInDoubleQuotes(line[i + 1])) {
      word += line[++i];
    } else {
      word += c;
    }
  }
  return false;
}

// One quoted or escaped piece of a word, or a plain character; false when a
// quote is never closed.
bool ReadWordPart(std::string_view line, std::size_t& i, std::string& word) {
  const char c = line[i];
  if (c == '"') return ReadDoubleQuoted(line, i, word);
  if (c == '\'') {
    const std::size_t end = line.find('\'', i + 1);
    if (end == std::string_view::npos) return false;
    word.append(line.substr(i + 1, end - i - 1));
    i = end;
  } else if (c == '\\') {
    // A backslash at the very end would continue the line; there is no more.
    if (i + 1 < line.size()) word += line[++i];
  } else {
    word += c;
  }
  return true;
}

// Splits a line as the shell does: blanks separate words, quotes and
// backslashes protect, > and >> redirect, # at the start of a word begins a
// comment. nullopt for a quote left open.
std::optional<std::vector<Token>> Tokenize(std::string_view line) {
  std::vector<Token> tokens;
  std::string word;
  bool in_word = false;
  const auto finish_word = [&] {
    if (in_word) tokens.push_back({TokenKind::kWord, std::exchange(word, {})});
    in_word = false;
  };
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (IsBlank(c)) {
      finish_word();
    } else if (c == '#' && !in_word) {
      break;
    } else if (c == '>') {
      finish_word();
      const bool append = i + 1 < line.size() && line[i + 1] == '>';
      if (append) ++i;
      tokens.push_back({append ? TokenKind::kAppend : TokenKind::kRedirect, {}});
    } else {
      in_word = true;
      if (!ReadWordPart(line, i, word)) return std::nullopt;
    }
  }
  finish_word();
  return tokens;
}

// The shell's syntax error text, or empty when the line is a command.
std::string ParseLine(std::string_view line, Command& command) {
  const std::optional<std::vector<Token>> tokens = Tokenize(line);
  if (!tokens) return "syntax error: unterminated quoted string";
  for (std::size_t i = 0; i < tokens->size(); ++i) {
    const Token& token = (*tokens)[i];
    if (token.kind == TokenKind::kWord) {
      command.args.push_back(token.text);
      continue;
    }
    if (i + 1 == tokens->size()) return "syntax error: unexpected newline";
    const Token& target = (*tokens)[++i];
    if (target.kind != TokenKind::kWord) return "syntax error: unexpected redirection";
    command.redirections.push_back({target.text, token.kind == TokenKind::kAppend});
  }
  return {};
}

// Drops empty and "." components and applies "..", so every spelling of a
// path finds the same file.
std::string Normalize(std::string_view path) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result;
  for (const std::string_view part : parts) {
    result += '/';
    result.append(part);
  }
  return result.empty() ? "/" : result;
}

// An empty name names nothing at all (not the working directory).
std::string Resolve(std::string_view name) {
  if (name.empty()) return {};
  if (name.front() == '/') return Normalize(name);
  return Normalize(std::string(ModuleShell::kHome) + "/" + std::string(name));
}

std::string ParentOf(const std::string& path) {
  if (path.empty() || path == "/") return {};
  const std::size_t slash = path.rfind('/');
  return slash == 0 ? "/" : path.substr(0, slash);
}

// echo takes a word as options only if it is "-" and nothing but option letters.
bool IsEchoOptionWord(std::string_view word) {
  if (word.size() < 2 || word.front() != '-') return false;
  return word.find_first_not_of("neE", 1) == std::string_view::npos;
}

}  // namespace

ModuleShell::ModuleShell()
    : directories_{"/",     "/bin",  "/dev", "/etc", "/etc/network",
                   "/proc", "/root", "/tmp", "/usr", "/var"} {}

ShellOutcome ModuleShell::Run(std::string_view line) {
  ShellOutcome outcome;
  Command command;
  const std::string error = ParseLine(line, command);
  if (!error.empty()) {
    outcome.console = "-sh: " + error + "\n";
    return outcome;
  }
  // Every target is created (or emptied) before the command runs; the last one
  // gets the output.
  const std::string* target = nullptr;
  for (const Redirection& redirection : command.redirections) {
    if (!OpenForOutput(redirection.target, redirection.append, outcome.console)) return outcome;
    target = &redirection.target;
  }
  std::string redirected;
  Execute(command.args, target ? redirected : outcome.console, outcome);
  if (target) files_[Resolve(*target)] += redirected;
  return outcome;
}

void ModuleShell::Execute(const Args& args, std::string& out, ShellOutcome& outcome) const {
  if (args.empty()) return;
  const std::string& name = args.front();
  if (name == "echo") {
    Echo(args, out);
  } else if (name == "cat") {
    Cat(args, out, outcome.console);
  } else if (name == "exit") {
    outcome.exit = true;
  } else {
    outcome.console += "-sh: " + name + ": not found\n";
  }
}

void ModuleShell::Echo(const Args& args, std::string& out) const {
  bool newline = true;
  bool escapes = false;
  std::size_t first = 1;
  for (; first < args.size() && IsEchoOptionWord(args[first]); ++first) {
    for (const char option : std::string_view(args[first]).substr(1)) {
      if (option == 'n') {
        newline = false;
      } else {
        escapes = option == 'e';
      }
    }
  }
  std::string text;
  for (std::size_t i = first; i < args.size(); ++i) {
    if (i > first) text += ' ';
    text += args[i];
  }
  if (escapes) {
    EchoExpansion expansion = ExpandEchoEscapes(text);
    out += expansion.text;
    if (expansion.stopped) return;
  } else {
    out += text;
  }
  if (newline) out += '\n';
}

void ModuleShell::Cat(const Args& args, std::string& out, std::string& err) const {
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& name = args[i];
    const std::string path = Resolve(name);
    if (IsDirectory(path)) {
      err += "cat: " + name + ": Is a directory\n";
    } else if (const auto found = files_.find(path); found != files_.end()) {
      out += found->second;
    } else {
      err += "cat: " + name + ": No such file or directory\n";
    }
  }
}

bool ModuleShell::OpenForOutput(const std::string& name, bool append, std::string& err) {
  const std::string path = Resolve(name);
  if (IsDirectory(path)) {
    err += "-sh: can't create " + name + ": Is a directory\n";
    return false;
  }
  if (!IsDirectory(ParentOf(path))) {
    err += "-sh: can't create " + name + ": nonexistent directory\n";
    return false;
  }
  std::string& file = files_[path];
  if (!append) file.clear();
  return true;
}

bool ModuleShell::IsDirectory(const std::string& path) const {
  return directories_.contains(path);
}

const std::string* ModuleShell::File(const std::string& path) const {
  const auto found = files_.find(Normalize(path));
  return found == files_.end() ? nullptr : &found->second;
}

void ModuleShell::SetFile(const std::string& path, std::string content) {
  const std::string normal = Normalize(path);
  for (std::string dir = ParentOf(normal); !dir.empty(); dir = ParentOf(dir)) {
    directories_.insert(dir);
  }
  files_[normal] = std::move(content);
}

void ModuleShell::RemoveFile(const std::string& path) {
  files_.erase(Normalize(path));
}

}  // namespace r7n::sim
