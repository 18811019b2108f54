#include "terminal/capture_file.h"

namespace r7n {
namespace {

// GP.EXE and whatever it starts have no business with the capture file, and
// on Windows an inherited handle would keep it open after the session.
#ifdef _WIN32
constexpr const char* kWriteNotInherited = "wbN";
#else
constexpr const char* kWriteNotInherited = "wbe";
#endif

}  // namespace

CaptureFile::CaptureFile() : file_(std::fopen(kFileName, kWriteNotInherited)) {}

CaptureFile::~CaptureFile() {
  if (file_ != nullptr) std::fclose(file_);
}

void CaptureFile::Write(std::string_view bytes) {
  if (file_ != nullptr && !bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file_);
}

void CaptureFile::Flush() {
  if (file_ != nullptr) std::fflush(file_);
}

}  // namespace r7n
