#pragma once

// Where a failure stops: nothing leaves a window procedure or a handler of
// the behaviour. A failure is shown as the program words its failures, over
// the window while there is one, and the program goes on.

#include <windows.h>

#include <utility>

#include "winapi/handles.h"

namespace orvanel::win32 {

// Only inside a catch block: shows the failure being handled, whatever it is.
void report_current_failure(HWND owner) noexcept;

// Runs a handler; a failure stops there and is shown. The owner is read when
// the failure is shown: a handler may have destroyed the window by then.
template <typename Handler>
void guarded(const winapi::unique_hwnd& owner, Handler&& handler) noexcept {
  try {
    std::forward<Handler>(handler)();
  } catch (...) {
    report_current_failure(owner.get());
  }
}

}  // namespace orvanel::win32
