// Shows what the Windows console backend does, for a look by eye on a real
// console: every glyph of the code page, the sixteen colours on each other,
// the bottom right cell, the Key codes of the keys pressed, the beep, and the
// external program. Q ends it.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/hex_text.h"
#include "platform/win32/timer_resolution.h"
#include "platform/win32/win32_console.h"
#include "platform/win32/win32_shell.h"

namespace r7n {
namespace {

constexpr int kGlyphsPerRow = 64;
constexpr int kKeyRow = 24;  // below the colour grid (rows 8 to 23)

void Put(ScreenImage& image, int row, int col, const std::string& text, std::uint8_t fg = 7,
         std::uint8_t bg = 0) {
  for (const char c : text) {
    if (col > image.cols) return;
    image.At(row, col++) = Cell{static_cast<std::uint8_t>(c), fg, bg};
  }
}

ScreenImage CheckScreen(WindowSize size) {
  ScreenImage image;
  image.rows = size.rows;
  image.cols = size.cols;
  image.cells.assign(static_cast<std::size_t>(size.rows * size.cols), Cell{});
  image.cursor_visible = false;
  Put(image, 1, 1, "Console check: Q quits, B beeps, S runs GP.EXE", 15, 1);
  for (int byte = 0; byte < 256; ++byte) {
    image.At(3 + byte / kGlyphsPerRow, 1 + byte % kGlyphsPerRow).ch =
        static_cast<std::uint8_t>(byte);
  }
  for (int bg = 0; bg < 16; ++bg) {
    for (int fg = 0; fg < 16; ++fg) {
      Put(image, 8 + bg, 1 + fg * 3, " X ", static_cast<std::uint8_t>(fg),
          static_cast<std::uint8_t>(bg));
    }
  }
  image.At(size.rows, size.cols) = Cell{'#', 14, 4};
  return image;
}

std::string Hex(const std::string& key) {
  std::string text;
  for (const char c : key) text += HexByte(static_cast<std::uint8_t>(c)) + ' ';
  return text;
}

void ShowKeys(ScreenImage& image, const std::vector<std::string>& keys) {
  std::string line = "Keys: ";
  for (const std::string& key : keys) line += "[" + Hex(key) + "] ";
  line.resize(static_cast<std::size_t>(image.cols), ' ');
  Put(image, kKeyRow, 1, line);
}

int Run() {
  auto console = Win32Console::Start();
  if (!console.device) {
    std::fprintf(stderr, "%s\n", console.error.c_str());
    return 1;
  }
  const TimerResolution timer;
  Win32Shell shell(*console.device);
  ScreenImage image = CheckScreen(console.device->Size());
  std::vector<std::string> recent;
  for (;;) {
    console.device->Show(image);
    std::vector<std::string> keys;
    console.device->PollKeys(keys);
    for (const std::string& key : keys) {
      if (key == "q" || key == "Q") return 0;
      if (key == "b" || key == "B") console.device->Beep(1000, 250);
      if (key == "s" || key == "S") shell.Run("GP.EXE");
      recent.push_back(key);
      if (recent.size() > 8) recent.erase(recent.begin());
    }
    if (!keys.empty()) ShowKeys(image, recent);
    Sleep(10);
  }
}

}  // namespace
}  // namespace r7n

int main() {
  return r7n::Run();
}
