#include "app/win32_failure_boundary.h"

#include <string>

#include "app/forms.h"
#include "service/failure.h"
#include "winapi/text.h"

namespace orvanel::win32 {

void report_current_failure(HWND owner) noexcept {
  // A quit already posted, as when the window is gone, would end the box at
  // once; it waits until the box is answered.
  MSG quit;
  const bool quitting = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
  try {
    const Failure failure = current_failure();
    const std::wstring text = winapi::wide_from_utf8(
        "Run-time error '" + std::to_string(failure.number()) + "':\n\n" + failure.description());
    const std::wstring title = winapi::wide_from_utf8(kTitle);
    MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK);
  } catch (...) {
    // No memory to word it with: the title is a literal, and ASCII.
    MessageBoxA(owner, "Out of memory", kTitle.data(), MB_OK);
  }
  if (quitting) PostQuitMessage(static_cast<int>(quit.wParam));
}

}  // namespace orvanel::win32
