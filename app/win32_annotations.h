#pragma once

// What screen readers learn of the window beyond its controls' own texts:
// the status line is a polite live region, and the picture has a name.

#include <windows.h>
#include <oleacc.h>

#include "winapi/com.h"

namespace orvanel::win32 {

class Annotations {
 public:
  Annotations() noexcept = default;
  Annotations(const Annotations&) = delete;
  Annotations& operator=(const Annotations&) = delete;
  ~Annotations() { clear(); }

  // Without the property service (it is oleacc's), the controls go
  // unannotated and the status line still announces itself.
  void annotate(HWND status, HWND picture) noexcept;
  // Tells screen readers that the status line reads something new.
  static void announce(HWND status) noexcept;
  // Takes the annotations back while the controls still exist.
  void clear() noexcept;

 private:
  winapi::com_ptr<IAccPropServices> services_;
  HWND status_ = nullptr;
  HWND picture_ = nullptr;
};

}  // namespace orvanel::win32
