#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace r7n {

// The function-key macros and the help text of the configuration file. They
// start empty and are filled once, at start-up, by the configuration reader;
// the terminal and the macro player only read them.
class ConfigTables {
 public:
  static constexpr int kMacroCount = 24;  // macro numbers 1-24
  static constexpr int kMacroSlots = 99;  // line slots 1-99; slot 0 is never used
  static constexpr int kHelpLines = 24;   // help lines 1-24

  ConfigTables() : macro_lines_(static_cast<std::size_t>(kMacroCount) * (kMacroSlots + 1)) {}

  // Texts outside the tables read as empty and counts as 0, so a caller never
  // has to check a number first.
  const std::string& MacroLine(int macro, int line) const {
    return IsMacroSlot(macro, line) ? macro_lines_[SlotIndex(macro, line)] : Empty();
  }
  std::int32_t MacroCnt(int macro) const {
    return IsMacro(macro) ? macro_cnt_[static_cast<std::size_t>(macro)] : 0;
  }
  const std::string& HelpLine(int line) const {
    return line >= 1 && line <= kHelpLines ? help_lines_[static_cast<std::size_t>(line)] : Empty();
  }
  std::int32_t HelpCnt() const { return help_cnt_; }

  // Counts to 0, texts kept: a macro that is not defined again keeps its old
  // texts, but nothing reads beyond a count.
  void ResetCounts() {
    macro_cnt_.fill(0);
    help_cnt_ = 0;
  }
  // Stores line `line` of a macro and makes it the macro's last line. False,
  // and nothing written, when the slot is outside the table.
  bool StoreMacroLine(int macro, int line, std::string text) {
    if (!IsMacroSlot(macro, line)) return false;
    macro_lines_[SlotIndex(macro, line)] = std::move(text);
    macro_cnt_[static_cast<std::size_t>(macro)] = line;
    return true;
  }
  // Appends a help line; false, and nothing written, once the help text is full.
  bool AddHelpLine(std::string text) {
    if (help_cnt_ >= kHelpLines) return false;
    ++help_cnt_;
    help_lines_[static_cast<std::size_t>(help_cnt_)] = std::move(text);
    return true;
  }

  static bool IsMacro(int macro) { return macro >= 1 && macro <= kMacroCount; }

 private:
  static bool IsMacroSlot(int macro, int line) {
    return IsMacro(macro) && line >= 1 && line <= kMacroSlots;
  }
  static std::size_t SlotIndex(int macro, int line) {
    return static_cast<std::size_t>((macro - 1) * (kMacroSlots + 1) + line);
  }
  static const std::string& Empty() {
    static const std::string empty;
    return empty;
  }

  std::vector<std::string> macro_lines_;
  std::array<std::int32_t, kMacroCount + 1> macro_cnt_{};  // index 0 unused
  std::array<std::string, kHelpLines + 1> help_lines_{};   // index 0 unused
  std::int32_t help_cnt_ = 0;
};

}  // namespace r7n
