#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/console_device.h"
#include "platform/open_result.h"
#include "platform/screen_image.h"
#include "platform/win32/console_cells.h"
#include "platform/win32/ctrl_events.h"
#include "platform/win32/native_handle.h"

namespace r7n {

// The process's own Windows console as the console: the image is written cell
// by cell (each byte as its code page 437 glyph) into the visible window, and
// keys are read as console key events. While it exists, the console's input
// delivers single key events and Ctrl-C or Ctrl-Break ends the process; the
// input mode and the cursor are put back when it ends.
class Win32Console : public ConsoleDevice {
 public:
  // Takes over the console of standard input and output, or says why it
  // cannot (messages begin with program): no console, a console already
  // running. Nothing is drawn before the checks have passed. The screen is
  // the window's size at start, at least 80 x 25; whenever the window is
  // smaller than that (started so, or resized since), one line says so
  // instead, and everything is drawn again once it is not.
  static OpenResult<Win32Console> Start(const std::string& program = "r7n_uart");

  ~Win32Console() override;
  Win32Console(const Win32Console&) = delete;
  Win32Console& operator=(const Win32Console&) = delete;

  WindowSize Size() const override { return size_; }
  void Show(const ScreenImage& image) override;
  void PollKeys(std::vector<std::string>& keys) override;
  // The system's tone; it returns when the tone has ended.
  void Beep(int hz, int ms) override;

  // Gives the console back to another program (its own input mode and
  // cursor), and takes it again afterwards with the last image drawn anew.
  void Suspend();
  void Resume();

 private:
  struct Origin {
    int x = 0;
    int y = 0;
    friend bool operator==(const Origin&, const Origin&) = default;
  };
  // Where the window lies in the console's buffer, and its size.
  struct Window {
    Origin origin;
    int rows = 0;
    int cols = 0;
    friend bool operator==(const Window&, const Window&) = default;
  };

  Win32Console(NativeHandle input, NativeHandle output, WindowSize size)
      : input_(input), output_(output), size_(size) {}

  std::string TakeOver();
  Window CurrentWindow() const;
  void FollowWindowChanges();
  void ShowTooSmall(const Window& window, const std::string& line);
  void WriteSpan(const ScreenImage& image, const RowSpan& span, Origin origin);
  void ShowCursor(const ScreenImage& image, Origin origin, bool again);
  void SetCursorLook(bool visible);
  void LeaveCursorBelowText();

  NativeHandle input_;
  NativeHandle output_;
  WindowSize size_;
  std::string program_;
  ConsoleSettings original_;
  std::uint32_t program_mode_ = 0;
  std::unique_ptr<CtrlEndsProcess> ctrl_;
  bool shown_ = false;       // last_ is on the screen in window_
  bool redraw_all_ = false;  // another program may have drawn over it
  Window window_;
  ScreenImage last_;
};

}  // namespace r7n
