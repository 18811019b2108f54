#pragma once

#include <cstdint>
#include <string>

#include "platform/open_result.h"
#include "platform/port_io.h"

namespace r7n {

// The PC's I/O ports through a port-I/O driver DLL with the common interface
// of inpoutx64.dll / inpout32.dll: Out32(port, data), Inp32(port) with only
// the low byte valid, and IsInpOutDriverOpen where the DLL has it. Windows
// lets no user program touch the ports itself; the DLL's kernel driver does
// it on the program's behalf, so the DLL is loaded at run time and a missing
// one is a message, not a start-up failure of the loader.
class InpOutPortIo : public PortIo {
 public:
  // The DLL for this build: inpoutx64.dll for 64-bit, inpout32.dll for 32-bit.
  static const char* DllName();

  // Loads DllName() from the executable's directory or the system directories
  // (never from the working directory).
  static OpenResult<InpOutPortIo> Open();
  // Loads the DLL at the given path; name is what messages call it.
  static OpenResult<InpOutPortIo> OpenLibrary(const std::wstring& path, const std::string& name);

  ~InpOutPortIo() override;
  InpOutPortIo(const InpOutPortIo&) = delete;
  InpOutPortIo& operator=(const InpOutPortIo&) = delete;

  void Out(std::uint16_t port, std::uint8_t value) override;
  std::uint8_t In(std::uint16_t port) override;

 private:
  using Out32Fn = void(__stdcall*)(short port, short data);
  using Inp32Fn = short(__stdcall*)(short port);

  InpOutPortIo(void* library, Out32Fn out32, Inp32Fn inp32)
      : library_(library), out32_(out32), inp32_(inp32) {}

  void* library_;  // HMODULE, kept opaque so that callers need no windows.h
  Out32Fn out32_;
  Inp32Fn inp32_;
};

}  // namespace r7n
