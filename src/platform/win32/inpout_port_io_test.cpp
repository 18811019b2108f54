#include "platform/win32/inpout_port_io.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace r7n {
namespace {

// The fake DLLs are built next to the test program.
std::wstring BesideTest(const wchar_t* file) {
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, length);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + file;
}

TEST(InpOutPortIo, WritesAndReadsThroughTheDll) {
  auto ports = InpOutPortIo::OpenLibrary(BesideTest(L"fake_inpout.dll"), "fake_inpout.dll");
  ASSERT_TRUE(ports.device) << ports.error;
  ports.device->Out(0x312, 0xC1);

  const HMODULE fake = GetModuleHandleW(L"fake_inpout.dll");
  ASSERT_NE(fake, nullptr);
  using LastOutFn = void(__stdcall*)(short*, short*);
  const auto last_out =
      reinterpret_cast<LastOutFn>(reinterpret_cast<void*>(GetProcAddress(fake, "FakeLastOut")));
  ASSERT_NE(last_out, nullptr);
  short port = 0;
  short data = 0;
  last_out(&port, &data);
  EXPECT_EQ(port, 0x312);
  EXPECT_EQ(data, 0xC1) << "a byte above 0x7F must not turn negative";

  EXPECT_EQ(ports.device->In(0x313), 0x13) << "only the low byte of Inp32 is valid";
  EXPECT_EQ(ports.device->In(0x2A4), 0xA4);
}

struct RefusedDll {
  const wchar_t* file;
  std::string name;
  std::string says;  // a part of the message that tells the operator what is wrong
};

class InpOutRefusal : public ::testing::TestWithParam<RefusedDll> {};

TEST_P(InpOutRefusal, SaysWhatIsWrongAndNamesTheDll) {
  const auto& c = GetParam();
  const auto ports = InpOutPortIo::OpenLibrary(BesideTest(c.file), c.name);
  EXPECT_FALSE(ports.device);
  EXPECT_NE(ports.error.find(c.name), std::string::npos) << ports.error;
  EXPECT_NE(ports.error.find(c.says), std::string::npos) << ports.error;
  EXPECT_NE(ports.error.find("administrator"), std::string::npos) << ports.error;
}

INSTANTIATE_TEST_SUITE_P(
    Dlls, InpOutRefusal,
    ::testing::Values(RefusedDll{L"no_such_inpout.dll", "no_such_inpout.dll", "cannot load"},
                      RefusedDll{L"fake_inpout_closed.dll", "fake_inpout_closed.dll",
                                 "kernel driver is not open"},
                      RefusedDll{L"fake_not_inpout.dll", "fake_not_inpout.dll",
                                 "not a port-I/O driver DLL"}));

TEST(InpOutPortIo, DefaultDllIsLookedForBesideTheProgramOnly) {
  // Nothing named inpoutx64.dll is built, so the search must fail even though
  // fake DLLs sit in the same directory.
  const auto ports = InpOutPortIo::Open();
  EXPECT_FALSE(ports.device);
  EXPECT_NE(ports.error.find(InpOutPortIo::DllName()), std::string::npos) << ports.error;
}

}  // namespace
}  // namespace r7n
