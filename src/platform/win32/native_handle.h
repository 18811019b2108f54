#pragma once

namespace r7n {

// A Win32 HANDLE under a name of its own, so that headers need not pull in
// <windows.h> and its macros.
using NativeHandle = void*;

}  // namespace r7n
