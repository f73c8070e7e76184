#pragma once

// The one place where a Windows failure becomes a Failure: an HRESULT, with
// Invoke's exception information when there is any, or the thread's last
// Win32 error. The COM backend and the window both word theirs here.

#include <windows.h>
#include <oaidl.h>

#include "service/failure.h"

namespace orvanel::winapi {

// Frees the strings in *exception.
Failure failure_from(HRESULT result, EXCEPINFO* exception = nullptr);

// The failure of the Win32 call that just failed.
Failure last_error();

// A failed HRESULT goes no further than its caller.
inline void throw_if_failed(HRESULT result) {
  if (FAILED(result)) throw failure_from(result);
}

}  // namespace orvanel::winapi
