#include "terminal/config_file.h"

#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "console/trim_spaces.h"
#include "terminal/file_exist.h"
#include "terminal/numeric_value.h"

namespace r7n {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

// The text from 0-based position pos on; empty when the line is shorter.
std::string_view From(std::string_view text, std::size_t pos) {
  return pos < text.size() ? text.substr(pos) : std::string_view{};
}

char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// keyword is upper case; only the line's ASCII letters are folded.
bool StartsWithKeyword(std::string_view line, std::string_view keyword) {
  if (line.size() < keyword.size()) return false;
  for (std::size_t i = 0; i < keyword.size(); ++i) {
    if (UpperAscii(line[i]) != keyword[i]) return false;
  }
  return true;
}

// The section that the two characters at pos select, offset added. The number
// always takes two positions, so it lies between -9 and 99 before the offset.
std::optional<int> NumberedSection(std::string_view line, std::size_t pos, int offset) {
  const int target = NumericInt(From(line, pos).substr(0, 2)) + offset;
  const bool known = ConfigTables::IsMacro(target) || target == ConfigReader::kBaudSection ||
                     target == ConfigReader::kHelpSection;
  return known ? std::optional<int>(target) : std::nullopt;
}

}  // namespace

bool ForEachLine(std::istream& in, const std::function<void(std::string_view)>& sink) {
  std::vector<char> buffer(kReadChunk);
  std::string line;
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const std::string_view chunk(buffer.data(), static_cast<std::size_t>(in.gcount()));
    std::size_t start = 0;
    for (std::size_t lf = chunk.find('\n'); lf != std::string_view::npos;
         lf = chunk.find('\n', start)) {
      line.append(chunk.substr(start, lf - start));
      if (!line.empty() && line.back() == '\r') line.pop_back();
      sink(line);
      line.clear();
      start = lf + 1;
    }
    line.append(chunk.substr(start));
  }
  if (in.bad()) return false;
  if (!line.empty()) sink(line);
  return true;
}

void ConfigReader::ReadLine(std::string_view raw) {
  const std::string_view line = TrimSpaces(raw);
  if (line.empty() || line.front() == '\'') return;
  if (line.front() == '#') {
    KeywordLine(line);
  } else {
    ContentLine(line, line);
  }
}

void ConfigReader::KeywordLine(std::string_view line) {
  line_counter_ = 0;
  std::string_view rest;
  if (StartsWithKeyword(line, "#F")) {
    target_ = NumberedSection(line, 2, 0);
    rest = From(line, 4);
  } else if (StartsWithKeyword(line, "#SF")) {
    target_ = NumberedSection(line, 3, 12);
    rest = From(line, 5);
  } else if (StartsWithKeyword(line, "#COMMODE")) {
    target_ = kBaudSection;
    rest = From(line, 8);
  } else if (StartsWithKeyword(line, "#HELP")) {
    target_ = kHelpSection;
    rest = From(line, 5);
  } else {
    target_.reset();
  }
  if (!target_) {
    // The line and the content lines up to the next keyword belong nowhere.
    Refuse(line);
    return;
  }
  rest = TrimLeadingSpaces(rest);
  if (!rest.empty() && rest.front() != '\'') ContentLine(rest, line);
}

void ConfigReader::ContentLine(std::string_view content, std::string_view line) {
  if (!target_) return;
  const int target = *target_;
  if (target == kBaudSection) {
    SetBaudRate(content, line);
  } else if (target == kHelpSection) {
    // A help line cannot be empty in the file, so a lone quote stands for one.
    tables_.AddHelpLine(content == "\"" ? std::string(" ") : std::string(content));
  } else if (line_counter_ < ConfigTables::kMacroSlots) {
    ++line_counter_;
    tables_.StoreMacroLine(target, line_counter_, std::string(content));
  }
}

void ConfigReader::SetBaudRate(std::string_view content, std::string_view line) {
  const std::int32_t rate = NumericInt(content);
  // A rate the UART cannot be programmed with would only garble the line (or,
  // at 0, leave no divisor at all); the operator hears of it instead.
  if (rate < kMinBaudRate || rate > kMaxBaudRate) {
    Refuse(line);
    return;
  }
  baud_rate_ = rate;
}

void ConfigReader::Refuse(std::string_view line) {
  report_(std::string("Non Valid Command: ").append(line));
}

void CfgRead(ScreenHelpers& helpers, ConfigTables& tables, UartLink& link,
             const std::filesystem::path& program_dir) {
  ReadConfigFile(tables, link, program_dir, [&helpers](std::string_view message) {
    helpers.ErrBell();
    helpers.ErrMsgBell(message);
  });
}

void ReadConfigFile(ConfigTables& tables, UartLink& link, const std::filesystem::path& program_dir,
                    const std::function<void(std::string_view message)>& report) {
  link.SetBaudRate(kDefaultBaudRate);
  std::error_code ignored;
  std::filesystem::current_path(program_dir, ignored);

  const std::string name(kConfigFileName);
  if (!FileExist(name)) {
    report("Config file not found: " + name);
    return;
  }
  tables.ResetCounts();

  std::int32_t baud_rate = kDefaultBaudRate;
  bool complete = false;
  {
    ConfigReader reader(tables, baud_rate, report);
    std::ifstream in(name, std::ios::binary);
    complete = in.is_open() &&
               ForEachLine(in, [&reader](std::string_view line) { reader.ReadLine(line); });
  }
  link.SetBaudRate(baud_rate);
  // What was read before a failure stays; the operator learns that the rest
  // is missing.
  if (!complete) report("Config file not readable: " + name);
}

}  // namespace r7n
