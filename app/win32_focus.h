#pragma once

// Where the window's keyboard focus goes: on activation, and while the
// Start/Stop button is disabled under it and enabled again.

#include <windows.h>

namespace orvanel::win32 {

// Posted to the window, which hands it to settle(): a disable of Start/Stop
// that still stands once the query that made it is over.
inline constexpr UINT kSettleFocusMessage = WM_APP + 2;

class FocusKeeper {
 public:
  void attach(HWND window, HWND start_stop, HWND close, HWND status) noexcept;

  // WM_ACTIVATE: the focus is kept when the window is left and given back,
  // or given to the first enabled button, when it is entered again.
  void activate(bool active) noexcept;
  // Start/Stop as the behaviour enabled or disabled it.
  void set_start_stop_enabled(bool enabled) noexcept;
  void settle() noexcept;

 private:
  HWND window_ = nullptr;
  HWND start_stop_ = nullptr;
  HWND close_ = nullptr;
  HWND status_ = nullptr;
  HWND saved_ = nullptr;
  bool disable_pending_ = false;
  bool parked_ = false;
  bool active_ = false;
};

}  // namespace orvanel::win32
