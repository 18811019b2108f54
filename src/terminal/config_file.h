#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <istream>
#include <optional>
#include <string_view>
#include <utility>

#include "console/screen_helpers.h"
#include "terminal/config_tables.h"
#include "uart/channel_access.h"

namespace r7n {

inline constexpr std::string_view kConfigFileName = "R7n_Uart.cfg";

// Rates a channel can be programmed with from the 125 MHz UART clock: the
// slowest whose divisor still fits the 16-bit divisor registers, the fastest
// with divisor 1.
inline constexpr std::int32_t kMinBaudRate = 1908;
inline constexpr std::int32_t kMaxBaudRate = kUartClockHz;

// Reads R7n_Uart.cfg in the program's directory, which it makes the working
// directory first, into the macro table, the help text and the link's baud
// rate (115200 unless the file sets a valid one). Every problem is shown on
// the message line and waited for; reading then goes on.
void CfgRead(ScreenHelpers& helpers, ConfigTables& tables, UartLink& link,
             const std::filesystem::path& program_dir);

// CfgRead with every problem handed to report instead of the screen.
void ReadConfigFile(ConfigTables& tables, UartLink& link, const std::filesystem::path& program_dir,
                    const std::function<void(std::string_view message)>& report);

// Hands every line of the stream to sink without its line end (LF or CR LF; a
// CR elsewhere is part of the line). False when reading failed part way; the
// lines before the failure have been handed over.
bool ForEachLine(std::istream& in, const std::function<void(std::string_view)>& sink);

// What the lines of the file mean, one line at a time.
class ConfigReader {
 public:
  using Report = std::function<void(std::string_view message)>;

  static constexpr int kBaudSection = 0;
  static constexpr int kHelpSection = -1;

  // baud_rate is changed only by a valid rate; report shows one message.
  ConfigReader(ConfigTables& tables, std::int32_t& baud_rate, Report report)
      : tables_(tables), baud_rate_(baud_rate), report_(std::move(report)) {}

  // One line of the file, without its line end.
  void ReadLine(std::string_view raw);

 private:
  void KeywordLine(std::string_view line);
  void ContentLine(std::string_view content, std::string_view line);
  void SetBaudRate(std::string_view content, std::string_view line);
  void Refuse(std::string_view line);

  ConfigTables& tables_;
  std::int32_t& baud_rate_;
  Report report_;
  // Where content lines go: a macro number, the baud or the help section, or
  // nowhere after a line that names no section.
  std::optional<int> target_ = kBaudSection;
  int line_counter_ = 0;
};

}  // namespace r7n
