#pragma once

// The window's controls once made: their handles, kept here alone from the
// moment they exist, and Start/Stop's enabled flag as the behaviour last set
// it. The window owns the set; its look, its focus keeper and its
// annotations read it.

#include <windows.h>

#include <array>
#include <cstddef>

#include "app/control_ids.h"

namespace orvanel::win32 {

class ControlSet {
 public:
  // Null where the control was not made, or before any was.
  [[nodiscard]] HWND operator[](int id) const noexcept {
    const auto at = static_cast<std::size_t>(id - kIdStartStop);
    return at < handles_.size() ? handles_[at] : nullptr;
  }
  void set(int id, HWND control) noexcept {
    const auto at = static_cast<std::size_t>(id - kIdStartStop);
    if (at < handles_.size()) handles_[at] = control;
  }
  [[nodiscard]] bool made() const noexcept { return (*this)[kIdStatus] != nullptr; }

  [[nodiscard]] HWND start_stop() const noexcept { return (*this)[kIdStartStop]; }
  [[nodiscard]] HWND close() const noexcept { return (*this)[kIdClose]; }
  [[nodiscard]] HWND status() const noexcept { return (*this)[kIdStatus]; }

  // Whether Start/Stop takes a click; the button itself follows as the
  // focus keeper lets it.
  bool start_stop_enabled = false;

 private:
  std::array<HWND, kIdPicture - kIdStartStop + 1> handles_{};
};

}  // namespace orvanel::win32
