#pragma once

// What identifies the window from outside: its class name and the ids of its
// controls. The program, its tests, the benchmarks and the tools all take
// them from here.

#include "app/forms.h"

namespace orvanel::win32 {

inline constexpr wchar_t kWindowClass[] = L"Orvanel.Form1";

// The controls' ids, one a control in tab order from the first; 0, which
// no control has, for an element that a control array does not have.
inline constexpr int kFirstId = 100;
inline constexpr int kControlCount = 7;
[[nodiscard]] constexpr int id_of(Control control) noexcept {
  const auto element = [&](int first, int elements) {
    return control.index >= 0 && control.index < elements ? kFirstId + first + control.index : 0;
  };
  switch (control.name) {
    case ControlName::Command1:
      return element(0, 2);
    case ControlName::Label1:
      return element(2, 1);
    case ControlName::Label2:
      return element(3, 2);
    case ControlName::Label3:
      return element(5, 1);
    case ControlName::Image1:
      return element(6, 1);
  }
  return 0;
}

}  // namespace orvanel::win32
