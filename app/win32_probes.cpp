#include "app/win32_probes.h"

#include "winapi/handles.h"
#include "winapi/newer_sdk.h"

namespace orvanel::win32 {

using winapi::scoped_window_dc;

bool system_high_contrast() noexcept {
  HIGHCONTRASTW settings{};
  settings.cbSize = sizeof settings;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof settings, &settings, 0) != FALSE &&
         (settings.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

COLORREF system_colour(int index) noexcept {
  return GetSysColor(index);
}

int system_dpi() noexcept {
  const scoped_window_dc screen(nullptr);
  return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

int system_window_dpi(HWND window) noexcept {
  if (const auto for_window = ORVANEL_SYSTEM_FUNCTION(L"user32.dll", GetDpiForWindow)) {
    if (const UINT dpi = for_window(window); dpi != 0) return static_cast<int>(dpi);
  }
  return system_dpi();
}

SIZE system_frame_for(SIZE client, DWORD style, DWORD ex_style, int dpi) noexcept {
  RECT frame{0, 0, client.cx, client.cy};
  const auto for_dpi = ORVANEL_SYSTEM_FUNCTION(L"user32.dll", AdjustWindowRectExForDpi);
  if (for_dpi == nullptr ||
      for_dpi(&frame, style, FALSE, ex_style, static_cast<UINT>(dpi)) == FALSE) {
    frame = {0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  }
  return {frame.right - frame.left, frame.bottom - frame.top};
}

}  // namespace orvanel::win32
