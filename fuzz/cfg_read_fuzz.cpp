// The configuration reader: the whole input is the content of R7n_Uart.cfg.
// It is read twice, once line by line from memory and once by CfgRead from a
// real file in a directory of the process' own, with every message answered
// by a key. Both must leave the tables, the baud rate and the messages that an
// independent model of the file format gives.
//
// What must hold besides: nothing is written outside the macro and help
// tables (every slot outside what the file defines keeps the text it had
// before, the counts stay within 0-99 and 0-24, the memory beside the tables
// is untouched), and the messages are bounded by the lines they report.

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "console/console_uart_host.h"
#include "console/screen_helpers.h"
#include "fuzz/fuzz_check.h"
#include "platform/console_device.h"
#include "platform/port_io.h"
#include "platform/virtual_clock.h"
#include "terminal/config_file.h"
#include "terminal/config_tables.h"
#include "terminal/numeric_value.h"
#include "testing/temp_dir.h"
#include "uart/channel_access.h"

namespace r7n::fuzz {
namespace {

constexpr int kMacros = ConfigTables::kMacroCount;
constexpr int kSlots = ConfigTables::kMacroSlots;
constexpr int kHelp = ConfigTables::kHelpLines;
constexpr std::string_view kRefusal = "Non Valid Command: ";
// What every slot holds before the file is read, so that a write to a slot
// the file does not define shows.
constexpr std::string_view kUntouched = "~untouched~";
// The reader takes the file in pieces of this size; padding in front of the
// content moves a piece boundary into it.
constexpr std::size_t kReadPiece = 64 * 1024;

// The file format, written out once more from its description. Where the
// description leaves a choice open it makes the one the reader makes: "#F"
// and "#SF" numbers outside 1-24, 0 and -1 name no section and are reported
// like an unknown keyword; a baud rate the UART cannot be programmed with is
// reported and not taken; a 100th macro line and a 25th help line are
// dropped silently.
class Model {
 public:
  Model() {
    for (auto& macro : lines_) macro.fill(std::string(kUntouched));
    help_.fill(std::string(kUntouched));
  }

  void Read(std::string_view content) {
    std::size_t start = 0;
    for (std::size_t lf = content.find('\n'); lf != std::string_view::npos;
         lf = content.find('\n', start)) {
      std::string_view line = content.substr(start, lf - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      Line(line);
      start = lf + 1;
    }
    if (start < content.size()) Line(content.substr(start));
  }

  const std::string& MacroLine(int m, int l) const { return lines_[Index(m)][Index(l)]; }
  int MacroCnt(int m) const { return counts_[Index(m)]; }
  const std::string& HelpLine(int l) const { return help_[Index(l)]; }
  int HelpCnt() const { return help_cnt_; }
  std::int32_t Baud() const { return baud_; }
  const std::vector<std::string>& Messages() const { return messages_; }

 private:
  static std::size_t Index(int n) { return static_cast<std::size_t>(n); }

  static std::string_view Trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
  }

  static bool Begins(std::string_view line, std::string_view upper_keyword) {
    if (line.size() < upper_keyword.size()) return false;
    for (std::size_t i = 0; i < upper_keyword.size(); ++i) {
      char c = line[i];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      if (c != upper_keyword[i]) return false;
    }
    return true;
  }

  static std::string_view Part(std::string_view s, std::size_t from, std::size_t n = 1000000) {
    return from < s.size() ? s.substr(from, n) : std::string_view{};
  }

  void Line(std::string_view raw) {
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == '\'') return;
    if (line.front() != '#') return Content(line, line);
    counter_ = 0;
    std::optional<int> target;
    std::string_view rest;
    if (Begins(line, "#F")) {
      target = NumericInt(Part(line, 2, 2));
      rest = Part(line, 4);
    } else if (Begins(line, "#SF")) {
      target = NumericInt(Part(line, 3, 2)) + 12;
      rest = Part(line, 5);
    } else if (Begins(line, "#COMMODE")) {
      target = 0;
      rest = Part(line, 8);
    } else if (Begins(line, "#HELP")) {
      target = -1;
      rest = Part(line, 5);
    }
    if (target && !(*target >= -1 && *target <= kMacros)) target.reset();
    target_ = target;
    if (!target_) {
      messages_.push_back(std::string(kRefusal) + std::string(line));
      return;
    }
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    if (!rest.empty() && rest.front() != '\'') Content(rest, line);
  }

  void Content(std::string_view content, std::string_view line) {
    if (!target_) return;
    if (*target_ == 0) {
      const std::int32_t rate = NumericInt(content);
      if (rate >= kMinBaudRate && rate <= kMaxBaudRate) {
        baud_ = rate;
      } else {
        messages_.push_back(std::string(kRefusal) + std::string(line));
      }
    } else if (*target_ == -1) {
      if (help_cnt_ < kHelp) help_[Index(++help_cnt_)] = content == "\"" ? " " : content;
    } else if (counter_ < kSlots) {
      ++counter_;
      lines_[Index(*target_)][Index(counter_)] = content;
      counts_[Index(*target_)] = counter_;
    }
  }

  std::array<std::array<std::string, kSlots + 1>, kMacros + 1> lines_;
  std::array<int, kMacros + 1> counts_{};
  std::array<std::string, kHelp + 1> help_;
  int help_cnt_ = 0;
  std::int32_t baud_ = kDefaultBaudRate;
  std::vector<std::string> messages_;
  std::optional<int> target_ = 0;
  int counter_ = 0;
};

// The tables with a fence on either side: a write past their ends lands in
// the fence instead of going unnoticed inside a larger object.
struct FencedTables {
  static constexpr std::uint64_t kFence = 0xF00DFACECAFEBEEFull;

  FencedTables() {
    before.fill(kFence);
    after.fill(kFence);
    for (int m = 1; m <= kMacros; ++m) {
      for (int l = 1; l <= kSlots; ++l) tables.StoreMacroLine(m, l, std::string(kUntouched));
    }
    for (int l = 1; l <= kHelp; ++l) tables.AddHelpLine(std::string(kUntouched));
    tables.ResetCounts();
  }

  bool FencesIntact() const {
    for (const std::uint64_t word : before) {
      if (word != kFence) return false;
    }
    for (const std::uint64_t word : after) {
      if (word != kFence) return false;
    }
    return true;
  }

  std::array<std::uint64_t, 8> before{};
  ConfigTables tables;
  std::array<std::uint64_t, 8> after{};
};

void RequireAsModel(const FencedTables& fenced, const Model& model, std::string_view path) {
  const auto fail = [path](std::string_view what) {
    Violated(std::string(path) + ": " + std::string(what));
  };
  if (!fenced.FencesIntact()) fail("a write landed beside the tables");
  const ConfigTables& t = fenced.tables;
  for (int m = 1; m <= kMacros; ++m) {
    const int count = t.MacroCnt(m);
    if (count < 0 || count > kSlots) fail("a macro count outside 0-99");
    if (count != model.MacroCnt(m)) fail("a macro count differs from the file format");
    for (int l = 1; l <= kSlots; ++l) {
      if (t.MacroLine(m, l) != model.MacroLine(m, l)) fail("a macro line differs (or was written)");
    }
  }
  if (t.HelpCnt() < 0 || t.HelpCnt() > kHelp) fail("the help count is outside 0-24");
  if (t.HelpCnt() != model.HelpCnt()) fail("the help count differs from the file format");
  for (int l = 1; l <= kHelp; ++l) {
    if (t.HelpLine(l) != model.HelpLine(l)) fail("a help line differs (or was written)");
  }
  for (const int outside : {-1, 0, kMacros + 1, 1000}) {
    if (t.MacroCnt(outside) != 0 || !t.MacroLine(outside, 1).empty()) {
      fail("a macro number outside 1-24 reads as defined");
    }
  }
  if (!t.MacroLine(1, 0).empty() || !t.MacroLine(1, kSlots + 1).empty()) {
    fail("a macro slot outside 1-99 reads as set");
  }
  if (!t.HelpLine(0).empty() || !t.HelpLine(kHelp + 1).empty()) {
    fail("a help line outside 1-24 reads as set");
  }
}

void RequireBoundedMessages(const std::vector<std::string>& messages, std::string_view content) {
  const std::size_t lines =
      static_cast<std::size_t>(std::count(content.begin(), content.end(), '\n')) + 1;
  Require(messages.size() <= lines, "more messages than lines");
  for (const std::string& message : messages) {
    Require(message.size() <= kRefusal.size() + content.size(), "a message longer than its line");
    Require(message.rfind(kRefusal, 0) == 0, "a message of an unknown kind");
    Require(
        content.find(std::string_view(message).substr(kRefusal.size())) != std::string_view::npos,
        "a message quotes a line that is not in the file");
  }
}

// Reading from memory, through the same line splitting as CfgRead.
void ReadFromMemory(std::string_view content, const Model& model) {
  FencedTables fenced;
  std::int32_t baud = kDefaultBaudRate;
  std::vector<std::string> messages;
  {
    ConfigReader reader(fenced.tables, baud,
                        [&messages](std::string_view m) { messages.emplace_back(m); });
    std::istringstream in{std::string(content)};
    Require(ForEachLine(in, [&reader](std::string_view line) { reader.ReadLine(line); }),
            "reading from memory failed");
  }
  RequireAsModel(fenced, model, "from memory");
  Require(baud == model.Baud(), "from memory: the baud rate differs from the file format");
  Require(messages == model.Messages(), "from memory: the messages differ from the file format");
  RequireBoundedMessages(messages, content);
}

// A console whose operator answers every message at once and notes what
// row 24 showed when the key was asked for.
class AnsweringConsole : public ConsoleDevice {
 public:
  WindowSize Size() const override { return {25, 80}; }
  void Show(const ScreenImage& image) override { shown_ = image; }
  void PollKeys(std::vector<std::string>& keys) override {
    std::string row;
    for (int col = 1; col <= shown_.cols; ++col) row += static_cast<char>(shown_.At(24, col).ch);
    rows_.push_back(row);
    keys.emplace_back("k");
  }
  void Beep(int /*hz*/, int /*ms*/) override {}

  const std::vector<std::string>& Rows24() const { return rows_; }

 private:
  ScreenImage shown_;
  std::vector<std::string> rows_;
};

class NoPorts : public PortIo {
 public:
  void Out(std::uint16_t /*port*/, std::uint8_t /*value*/) override {}
  std::uint8_t In(std::uint16_t /*port*/) override { return 0xFF; }
};

const std::filesystem::path& ProgramDir() {
  static const testing::TempDir dir;
  return dir.Path();
}

// Whether this input also gets a padding line in front, and where in the
// content the reader's piece boundary then falls; a cheap hash of the
// content decides, so an input always runs the same.
std::optional<std::size_t> PaddedBoundary(std::string_view content) {
  std::uint32_t hash = 2166136261u;
  for (const char c : content) hash = (hash ^ static_cast<std::uint8_t>(c)) * 16777619u;
  if ((hash & 3u) != 0 || content.size() + 2 > kReadPiece) return std::nullopt;
  return (hash >> 2) % (content.size() + 1);
}

void WriteConfigFile(std::string_view content) {
  std::ofstream out(ProgramDir() / std::string(kConfigFileName),
                    std::ios::binary | std::ios::trunc);
  if (auto boundary = PaddedBoundary(content)) {
    // A comment line that ends where the boundary leaves the content's start.
    const std::size_t pad = kReadPiece - *boundary;
    out << '\'' << std::string(pad - 2, ' ') << '\n';
  }
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  Require(out.good(), "the configuration file could not be written");
}

bool MovesCursor(std::string_view text) {
  return text.find_first_of("\r\b\t\a") != std::string_view::npos;
}

void ReadWithCfgRead(std::string_view content, const Model& model) {
  WriteConfigFile(content);
  VirtualClock clock;
  AnsweringConsole device;
  Console con(device, clock);
  ScreenHelpers helpers(con);
  NoPorts ports;
  ConsoleUartHost host(con, helpers);
  UartLink link(ports, host);
  FencedTables fenced;
  CfgRead(helpers, fenced.tables, link, ProgramDir());

  RequireAsModel(fenced, model, "CfgRead");
  Require(link.BaudRate() == model.Baud(), "CfgRead: the baud rate differs from the file format");
  const std::vector<std::string>& rows = device.Rows24();
  Require(rows.size() == model.Messages().size(),
          "CfgRead: not one message per refused line, or one more");
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string& message = model.Messages()[i];
    if (MovesCursor(message)) continue;  // its strip is not one straight row
    std::string strip = " " + message;
    strip.resize(78, ' ');
    Require(rows[i].substr(1, 78) == strip, "CfgRead: row 24 does not show the message");
  }
}

}  // namespace
}  // namespace r7n::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace r7n::fuzz;
  const std::string_view content = AsText(data, size);
  Model model;
  model.Read(content);
  ReadFromMemory(content, model);
  ReadWithCfgRead(content, model);
  return 0;
}
