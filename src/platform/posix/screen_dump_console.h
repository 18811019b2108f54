#pragma once

#include <string>
#include <vector>

#include "platform/console_device.h"
#include "platform/screen_image.h"

namespace r7n {

// The screen as UTF-8 text, one line per row ending in '\n', each cell as
// the glyph the terminal backend draws for it (CellGlyph); blanks at the end
// of a row are kept.
std::string ScreenText(const ScreenImage& image, bool utf8);

// Hands everything on to the console it wraps and, whenever the screen shown
// has changed, writes it as ScreenText to a file, so that a test outside the
// process can hold what a real terminal shows against what the program meant
// to show. The file is written beside its place and then renamed, so a reader
// never finds half a screen in it.
class ScreenDumpConsole : public ConsoleDevice {
 public:
  // utf8: what the wrapped backend draws with, as CellGlyph takes it.
  ScreenDumpConsole(ConsoleDevice& inner, std::string path, bool utf8);

  WindowSize Size() const override { return inner_.Size(); }
  void Show(const ScreenImage& image) override;
  void PollKeys(std::vector<std::string>& keys) override { inner_.PollKeys(keys); }
  void Beep(int hz, int ms) override { inner_.Beep(hz, ms); }

  // Why the first write that failed did, for the operator once the terminal
  // is back; empty while every write has succeeded. A failed write is tried
  // again with the next change.
  const std::string& Error() const { return error_; }

 private:
  bool Write(const std::string& text);
  // Keeps the first failure; always false.
  bool Fail(const std::string& file, const std::string& reason);

  ConsoleDevice& inner_;
  std::string path_;
  bool utf8_;
  bool written_any_ = false;
  std::string written_;
  std::string error_;
};

}  // namespace r7n
