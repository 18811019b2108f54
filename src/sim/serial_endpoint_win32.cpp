#include "sim/win32_endpoints.h"

namespace r7n::sim {

ComPortEndpoint::ComPortEndpoint(std::string port, int baud, std::int64_t retry_us)
    : RetryingEndpoint(retry_us), port_(std::move(port)), baud_(baud) {}

bool ComPortEndpoint::Open(std::string& detail) {
  // COM10 and above are reachable only through the device namespace.
  const std::string path = port_.rfind("\\\\.\\", 0) == 0 ? port_ : "\\\\.\\" + port_;
  handle_.Reset(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            0, nullptr));
  if (!handle_) {
    detail = WindowsErrorText(GetLastError());
    return false;
  }
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  GetCommState(handle_.Get(), &dcb);
  dcb.BaudRate = static_cast<DWORD>(baud_);
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fBinary = TRUE;
  dcb.fParity = FALSE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fNull = FALSE;
  dcb.fAbortOnError = FALSE;
  // Reads return at once with what has arrived; writes may take their time.
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.WriteTotalTimeoutConstant = 100;
  if (!SetCommState(handle_.Get(), &dcb) || !SetCommTimeouts(handle_.Get(), &timeouts)) {
    detail = "cannot set the port up: " + WindowsErrorText(GetLastError());
    handle_.Reset();
    return false;
  }
  PurgeComm(handle_.Get(), PURGE_RXCLEAR | PURGE_TXCLEAR);
  detail = "open at " + std::to_string(baud_) + " bit/s, 8N1";
  return true;
}

void ComPortEndpoint::Close() {
  handle_.Reset();
}

std::size_t ComPortEndpoint::ReadSome(std::size_t max, std::string& out) {
  char buffer[4096];
  DWORD got = 0;
  const DWORD want = static_cast<DWORD>(max < sizeof buffer ? max : sizeof buffer);
  if (!ReadFile(handle_.Get(), buffer, want, &got, nullptr)) {
    // An unplugged USB adapter fails every access from then on.
    Drop(WindowsErrorText(GetLastError()));
    return 0;
  }
  out.append(buffer, got);
  return got;
}

void ComPortEndpoint::WriteSome(std::string_view bytes) {
  DWORD written = 0;
  if (!WriteFile(handle_.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                 nullptr)) {
    Drop(WindowsErrorText(GetLastError()));
  }
}

}  // namespace r7n::sim
