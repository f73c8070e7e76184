#pragma once

// What Windows says of a failure: its number, as an HRESULT, and its text,
// from an HRESULT with Invoke's exception information where there is any,
// or from the thread's last Win32 error.

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <string>

namespace orvanel::winapi {

struct Error {
  std::int32_t number;
  std::string text;
};

// Frees the strings in *exception.
Error error_from(HRESULT result, EXCEPINFO* exception = nullptr);

// The Win32 call that just failed, as GetLastError tells it: read it before
// anything else is called.
Error last_error();

}  // namespace orvanel::winapi
