#pragma once

#include <cstdio>
#include <string_view>

#include "terminal/terminal_screen.h"

namespace r7n {

// Term.txt in the working directory: created empty at the start of a terminal
// session, written byte for byte, closed at its end. A file that cannot be
// created leaves the session without capture, silently.
class CaptureFile : public CaptureSink {
 public:
  static constexpr const char* kFileName = "Term.txt";

  CaptureFile();
  ~CaptureFile() override;
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  void Write(std::string_view bytes) override;
  // Hands what was written so far to the system, so that ending the program
  // with Ctrl-C loses nothing that was shown.
  void Flush();

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace r7n
