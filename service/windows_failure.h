#pragma once

// The one place where what Windows says of a failure becomes the program's
// Failure, for the COM backend and the Win32 window alike.

#include <windows.h>
#include <oaidl.h>

#include "service/failure.h"
#include "winapi/error.h"

namespace orvanel {

[[nodiscard]] Failure failure_from(winapi::Error error);

// Throws the failure of an HRESULT, with Invoke's exception information
// where there is any.
[[noreturn]] void throw_failure(HRESULT result, EXCEPINFO* exception = nullptr);
// Throws the failure of the Win32 call that just failed.
[[noreturn]] void throw_last_error();

// A failed HRESULT goes no further than its caller.
inline void throw_if_failed(HRESULT result) {
  if (FAILED(result)) throw_failure(result);
}

}  // namespace orvanel
