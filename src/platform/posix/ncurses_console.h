#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "keys/terminal_key_decoder.h"
#include "platform/clock.h"
#include "platform/console_device.h"
#include "platform/open_result.h"
#include "platform/posix/color_map.h"
#include "platform/posix/presenter_thread.h"
#include "platform/screen_image.h"

struct screen;  // ncurses' SCREEN, kept out of this header

namespace r7n {

struct NcursesConsoleSetup {
  std::string program = "r7n_uart";  // the name messages begin with
  // The terminfo directory that holds the console's own description
  // (kBuiltInTerminalType), used when the system has none for TERM.
  std::string own_terminfo;
};

// The terminal on standard input and output as the console, through ncursesw.
// Each cell is drawn as the code page 437 glyph of its byte in its colours;
// key bytes are read raw and decoded here, so Ctrl, Alt and Shift with the
// cursor and function keys survive. While it exists the terminal runs in the
// console's own mode; every change is undone when it ends, and when a signal
// (Ctrl-C among them) ends the program.
class NcursesConsole : public ConsoleDevice {
 public:
  // Takes over the terminal, or says why it cannot: no terminal, a terminal
  // that cannot place the cursor, another console already running. Nothing
  // is drawn before the checks have passed. The screen is the window's size
  // at start, at least 80 x 25; whenever the window is smaller than that, it
  // shows one line saying so instead, and everything again once it is not.
  static OpenResult<NcursesConsole> Start(Clock& clock, const NcursesConsoleSetup& setup = {});

  ~NcursesConsole() override;
  NcursesConsole(const NcursesConsole&) = delete;
  NcursesConsole& operator=(const NcursesConsole&) = delete;

  WindowSize Size() const override { return size_; }
  // Hands the image to the drawing thread and returns at once.
  void Show(const ScreenImage& image) override;
  void PollKeys(std::vector<std::string>& keys) override;
  // The terminal bell; it cannot be timed, so this returns at once.
  void Beep(int hz, int ms) override;

  // Leaves the terminal in its normal mode for another program, and takes it
  // back afterwards with the last image drawn again.
  void Suspend();
  void Resume();

  // Lines for standard error once the session is over: which terminal
  // description stood in for an unknown one, and whether glyphs had to be
  // replaced for want of a UTF-8 locale.
  std::vector<std::string> NotesAfterSession();

 private:
  NcursesConsole(Clock& clock, WindowSize size, NcursesConsoleSetup setup)
      : clock_(clock), size_(size), setup_(std::move(setup)) {}

  // Each step registers its own undo, so a failure half-way leaves nothing
  // behind.
  std::string TakeOver();
  std::string CatchEndingSignals();
  std::string OpenScreen();
  std::string OpenScreenOfType(const std::string& type);
  void CatchWindowChanges();
  void FollowWindowChanges();
  void PrepareSignalRestore();
  void SetInputMode();
  void HideCursor();
  void SetUpColors();

  // On the drawing thread.
  struct Glyph {
    wchar_t ch;
    std::uint32_t attrs;  // curses attributes: the alternate character set
  };
  Glyph GlyphOf(std::uint8_t byte);
  void Draw(const ScreenImage& image);
  void Repaint();
  bool RowChanged(const ScreenImage& image, int row) const;
  void DrawRow(const ScreenImage& image, int row, int cols);

  Clock& clock_;
  WindowSize size_;
  NcursesConsoleSetup setup_;
  std::vector<std::string> notes_;
  ::screen* screen_ = nullptr;
  std::vector<std::function<void()>> undo_;
  TerminalKeyDecoder decoder_;
  ColorCapability colors_ = ColorCapability::kMonochrome;
  bool utf8_ = false;
  bool substituted_ = false;  // a glyph was drawn as a stand-in (drawing thread)
  bool shown_ = false;        // last_ is on the screen
  bool too_small_ = false;    // the window cannot hold the screen: one line instead
  ScreenImage last_;
  std::unique_ptr<PresenterThread> presenter_;
};

}  // namespace r7n
