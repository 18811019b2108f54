#include "platform/win32/inpout_port_io.h"

#include <windows.h>

#include <string>

namespace r7n {
namespace {

using IsOpenFn = BOOL(__stdcall*)();

// GetProcAddress gives a generic function pointer; the DLL's interface fixes
// the real types, so the conversion is the one place that has to trust it.
template <class Fn>
Fn Symbol(HMODULE library, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

std::string Advice(const std::string& name) {
  return "Install the port driver: put " + name +
         " next to r7n_uart.exe and run r7n_uart.exe once as administrator, which installs "
         "its kernel driver (see the README).";
}

// The system's own words for an error code, without the line end it adds.
std::string SystemMessage(DWORD error) {
  char text[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, error, 0, text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "Windows error " + std::to_string(error)
                         : message + " (Windows error " + std::to_string(error) + ")";
}

std::string LoadFailure(const std::string& name, DWORD error) {
  return "r7n_uart: cannot load " + name + ": " + SystemMessage(error) + ". " + Advice(name);
}

std::string NotADriverDll(const std::string& name) {
  return "r7n_uart: " + name +
         " has no Out32 and Inp32 functions: it is not a port-I/O driver DLL. " + Advice(name);
}

std::string DriverNotOpen(const std::string& name) {
  return "r7n_uart: " + name +
         " is loaded, but its kernel driver is not open. Run r7n_uart.exe once as "
         "administrator to install the driver; if it still fails, Windows refuses the driver "
         "(driver signature enforcement, the vulnerable driver blocklist or memory integrity; "
         "see the README).";
}

}  // namespace

const char* InpOutPortIo::DllName() {
  return sizeof(void*) == 8 ? "inpoutx64.dll" : "inpout32.dll";
}

OpenResult<InpOutPortIo> InpOutPortIo::Open() {
  const std::string name = DllName();
  return OpenLibrary(std::wstring(name.begin(), name.end()), name);
}

OpenResult<InpOutPortIo> InpOutPortIo::OpenLibrary(const std::wstring& path,
                                                   const std::string& name) {
  // A DLL that drives the ports must not be picked up from wherever the
  // program happens to be started.
  const HMODULE library = LoadLibraryExW(
      path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (library == nullptr) return {nullptr, LoadFailure(name, GetLastError())};
  const auto out32 = Symbol<Out32Fn>(library, "Out32");
  const auto inp32 = Symbol<Inp32Fn>(library, "Inp32");
  if (out32 == nullptr || inp32 == nullptr) {
    FreeLibrary(library);
    return {nullptr, NotADriverDll(name)};
  }
  // Older builds of the DLL have no such check; their driver shows itself
  // at the first access.
  const auto is_open = Symbol<IsOpenFn>(library, "IsInpOutDriverOpen");
  if (is_open != nullptr && !is_open()) {
    FreeLibrary(library);
    return {nullptr, DriverNotOpen(name)};
  }
  return {std::unique_ptr<InpOutPortIo>(new InpOutPortIo(library, out32, inp32)), ""};
}

InpOutPortIo::~InpOutPortIo() {
  FreeLibrary(static_cast<HMODULE>(library_));
}

void InpOutPortIo::Out(std::uint16_t port, std::uint8_t value) {
  out32_(static_cast<short>(port), static_cast<short>(value));
}

std::uint8_t InpOutPortIo::In(std::uint16_t port) {
  return static_cast<std::uint8_t>(static_cast<unsigned short>(inp32_(static_cast<short>(port))) &
                                   0xFFu);
}

}  // namespace r7n
