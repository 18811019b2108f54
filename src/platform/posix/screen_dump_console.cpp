#include "platform/posix/screen_dump_console.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "platform/posix/cell_glyph.h"

namespace r7n {

std::string ScreenText(const ScreenImage& image, bool utf8) {
  std::string text;
  for (int row = 1; row <= image.rows; ++row) {
    for (int col = 1; col <= image.cols; ++col) {
      AppendGlyph(CellGlyph(image.At(row, col).ch, utf8), text);
    }
    text += '\n';
  }
  return text;
}

ScreenDumpConsole::ScreenDumpConsole(ConsoleDevice& inner, std::string path, bool utf8)
    : inner_(inner), path_(std::move(path)), utf8_(utf8) {}

void ScreenDumpConsole::Show(const ScreenImage& image) {
  // The terminal first: once the file changes, what it holds is on screen.
  inner_.Show(image);
  std::string text = ScreenText(image, utf8_);
  if (written_any_ && text == written_) return;
  if (Write(text)) {
    written_ = std::move(text);
    written_any_ = true;
  }
}

bool ScreenDumpConsole::Write(const std::string& text) {
  const std::string temporary = path_ + ".tmp";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) return Fail(temporary, std::strerror(errno));
  std::error_code error;
  std::filesystem::rename(temporary, path_, error);
  if (error) return Fail(path_, error.message());
  return true;
}

bool ScreenDumpConsole::Fail(const std::string& file, const std::string& reason) {
  if (error_.empty()) error_ = "cannot write the screen dump " + file + ": " + reason;
  return false;
}

}  // namespace r7n
