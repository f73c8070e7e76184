#pragma once

// What screen readers learn of the window beyond its controls' own texts:
// the status line is a polite live region, the picture has a name, and so
// has the copyright notice, whose text leaves a gap where its sign stands.

#include <windows.h>
#include <oleacc.h>

#include "winapi/com.h"

namespace orvanel::win32 {

// The properties set, without the GUID library.
inline constexpr GUID kLiveSetting{
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
inline constexpr GUID kAccName{
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
// Windows 8's live-region event; the program's Windows 7 headers leave it out.
inline constexpr DWORD kLiveRegionChanged = 0x8019;

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
  void annotate(AnnotationServices make, HWND status, HWND picture, HWND notice) noexcept;
  [[nodiscard]] bool annotated() const noexcept { return static_cast<bool>(services_); }
  // Tells screen readers that the status line reads something new.
  static void announce(HWND status) noexcept;
  // Takes the annotations back while the controls still exist.
  void clear() noexcept;

 private:
  winapi::com_ptr<IAccPropServices> services_;
  HWND status_ = nullptr;
  HWND picture_ = nullptr;
  HWND notice_ = nullptr;
};

}  // namespace orvanel::win32
