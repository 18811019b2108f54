#include "terminal/capture_file.h"

namespace r7n {

CaptureFile::CaptureFile() : file_(std::fopen(kFileName, "wb")) {}

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
