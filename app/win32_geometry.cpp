#include "app/win32_geometry.h"

#include <cstddef>
#include <string>

#include "winapi/handles.h"
#include "winapi/text.h"

namespace orvanel::win32 {

using winapi::scoped_select;
using winapi::scoped_window_dc;

void centre_on_monitor(HWND window, SIZE size) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    monitor.rcMonitor = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  const RECT& screen = monitor.rcMonitor;
  SetWindowPos(window, nullptr, screen.left + (screen.right - screen.left - size.cx) / 2,
               screen.top + (screen.bottom - screen.top - size.cy) / 2, size.cx, size.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT place_in(HWND window, HWND control) {
  RECT place{};
  GetWindowRect(control, &place);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
  return place;
}

RECT focus_frame(HWND window, HWND label) {
  RECT frame = place_in(window, label);
  InflateRect(&frame, kFocusMargin, kFocusMargin);
  return frame;
}

SIZE text_extent(HDC dc, HFONT font, std::wstring_view text) {
  const scoped_select selected(dc, font);
  RECT extent{};
  TEXTMETRICW metrics{};
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &extent,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS);
  GetTextMetricsW(dc, &metrics);
  return {extent.right - extent.left, metrics.tmHeight};
}

void fit_label(HWND window, HWND label) {
  if (label == nullptr) return;
  const RECT before = place_in(window, label);
  SIZE extent{};
  {
    const scoped_window_dc dc(label);
    extent = text_extent(dc.get(), reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)),
                         winapi::window_text(label));
  }
  SetWindowPos(label, nullptr, 0, 0, extent.cx, extent.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  const RECT after = place_in(window, label);
  RECT both{};
  UnionRect(&both, &before, &after);
  InflateRect(&both, kFocusMargin, kFocusMargin);
  // The label draws no background, so the window repaints what lies behind
  // it, once it is shown.
  if (IsWindowVisible(window)) {
    RedrawWindow(window, &both, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
}

}  // namespace orvanel::win32
