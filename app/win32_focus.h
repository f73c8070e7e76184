#pragma once

// Where the window's keyboard focus goes: on activation, and while the
// Start/Stop button is disabled under it and enabled again.

#include <windows.h>

#include "app/win32_control_set.h"

namespace orvanel::win32 {

class FocusKeeper {
 public:
  // The controls stay the window's; the keeper reads them from then on.
  void attach(HWND window, const ControlSet& controls) noexcept;

  // WM_ACTIVATE: the focus is saved when the window is deactivated and
  // restored, or set on the first enabled button, when it is activated again.
  void activate(bool active) noexcept;
  // Start/Stop as the behaviour enabled or disabled it.
  void set_start_stop_enabled(bool enabled) noexcept;
  // kSettleFocusMessage, posted to the window, which hands it on here.
  void settle() noexcept;

 private:
  HWND window_ = nullptr;
  const ControlSet* controls_ = nullptr;
  HWND saved_ = nullptr;
  bool disable_pending_ = false;
  bool parked_ = false;
  bool active_ = false;
};

}  // namespace orvanel::win32
