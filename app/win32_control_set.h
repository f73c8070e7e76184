#pragma once

// The window's controls once created: their handles, kept here alone from the
// moment they exist, and Start/Stop's enabled flag as the behaviour last set
// it. The window owns the set; its look, its focus keeper and its
// annotations read it.

#include <windows.h>

#include <array>
#include <cstddef>

#include "app/control_ids.h"
#include "app/forms.h"

namespace orvanel::win32 {

class ControlSet {
 public:
  // Null where the control was not created, or before any was.
  [[nodiscard]] HWND operator[](Control control) const noexcept {
    const std::size_t at = slot(control);
    return at < handles_.size() ? handles_[at] : nullptr;
  }
  void set(Control control, HWND handle) noexcept {
    const std::size_t at = slot(control);
    if (at < handles_.size()) handles_[at] = handle;
  }
  [[nodiscard]] bool created() const noexcept { return (*this)[Label1] != nullptr; }

  // Whether Start/Stop takes a click; the button itself follows as the
  // focus keeper lets it.
  bool start_stop_enabled = false;

 private:
  // Past the end for an element no control array has.
  [[nodiscard]] static std::size_t slot(Control control) noexcept {
    const int id = id_of(control);
    return id == 0 ? std::size_t{kControlCount} : static_cast<std::size_t>(id - kFirstId);
  }
  std::array<HWND, kControlCount> handles_{};
};

}  // namespace orvanel::win32
