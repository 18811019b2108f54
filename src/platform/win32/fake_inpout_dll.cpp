// A stand-in for the port-I/O driver DLL, for the tests: it keeps the last
// write, answers reads with the port's low byte and a noisy high byte (the
// real DLL's high byte is not valid either), and reports its driver open
// unless built with R7N_FAKE_DRIVER_CLOSED. Built with R7N_FAKE_NO_PORT_FUNCTIONS
// it is some other DLL, without Out32 and Inp32.

namespace {

short last_port = 0;  // what the test reads back through FakeLastOut
short last_data = 0;

}  // namespace

extern "C" {

#ifndef R7N_FAKE_NO_PORT_FUNCTIONS
__declspec(dllexport) void __stdcall Out32(short port, short data) {
  last_port = port;
  last_data = data;
}

__declspec(dllexport) short __stdcall Inp32(short port) {
  return static_cast<short>(0x5A00 | (port & 0xFF));
}
#endif

__declspec(dllexport) int __stdcall IsInpOutDriverOpen() {
#ifdef R7N_FAKE_DRIVER_CLOSED
  return 0;
#else
  return 1;
#endif
}

__declspec(dllexport) void __stdcall FakeLastOut(short* port, short* data) {
  *port = last_port;
  *data = last_data;
}
}
