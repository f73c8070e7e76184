#pragma once

// What screen readers learn of the window beyond its controls' own texts:
// the status line is a polite live region, the picture has a name, and so
// has the copyright notice, whose text leaves a gap where its sign stands.

#include <windows.h>
#include <oleacc.h>

#include "app/win32_control_set.h"
#include "winapi/com.h"

namespace orvanel::win32 {

// Makes the property service that annotates controls.
using AnnotationServices = HRESULT (*)(IAccPropServices** services) noexcept;
// oleacc's.
HRESULT system_annotation_services(IAccPropServices** services) noexcept;

class Annotations {
 public:
  Annotations() noexcept = default;
  Annotations(const Annotations&) = delete;
  Annotations& operator=(const Annotations&) = delete;
  ~Annotations() { clear(); }

  // Without the property service, the controls go unannotated and the
  // status line still announces itself.
  void annotate(AnnotationServices make, const ControlSet& controls) noexcept;
  // Tells screen readers that the status line reads something new.
  static void announce(HWND status) noexcept;
  // Takes the annotations back while the controls still exist.
  void clear() noexcept;

 private:
  winapi::com_ptr<IAccPropServices> services_;
  const ControlSet* controls_ = nullptr;
};

}  // namespace orvanel::win32
