#pragma once

// The one place where an HRESULT, with Invoke's exception information when
// there is any, becomes a Failure: for the COM backend and for the window's
// own Win32 calls alike.

#include <windows.h>
#include <oaidl.h>

#include "service/failure.h"

namespace orvanel::com {

// Frees the strings in *exception.
Failure failure_from(HRESULT result, EXCEPINFO* exception = nullptr);

}  // namespace orvanel::com
