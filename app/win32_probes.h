#pragma once

// The window's questions to Windows, one function each, and the probes that
// carry them, which tests replace where Wine cannot answer as Windows would.

#include <windows.h>

#include "app/win32_annotations.h"

namespace orvanel::win32 {

// Whether a high-contrast theme is on; the window asks again whenever the
// system's colours or settings change.
bool system_high_contrast() noexcept;
// A colour of the system's, as GetSysColor gives it.
COLORREF system_colour(int index) noexcept;
// The resolution of the screen as GDI gives it: the system's.
int system_dpi() noexcept;
// The resolution of the monitor that a window stands on, where Windows
// gives each monitor its own (10, 1607 on), else the system's.
int system_window_dpi(HWND window) noexcept;
// The window size around a client area at a resolution, with the frame
// Windows draws at that resolution where it draws frames per monitor.
SIZE system_frame_for(SIZE client, DWORD style, DWORD ex_style, int dpi) noexcept;

// What the window asks of Windows where Wine cannot answer as Windows
// would: whether a high-contrast theme is on and its colours, the
// resolution of the monitor the window stands on, the frame around a client
// area at a resolution, and the service that annotates controls for screen
// readers. Tests stand in for each.
struct SystemProbes {
  bool (*high_contrast)() noexcept = &system_high_contrast;
  COLORREF (*colour)(int index) noexcept = &system_colour;
  int (*window_dpi)(HWND window) noexcept = &system_window_dpi;
  SIZE (*frame_for)(SIZE client, DWORD style, DWORD ex_style, int dpi) noexcept = &system_frame_for;
  AnnotationServices annotation_services = &system_annotation_services;
};

}  // namespace orvanel::win32
