#pragma once

// Where things stand: a control in its window, a text's extent, a label
// fitted to its text, a focus frame, and the window on its monitor.

#include <windows.h>

#include <string>
#include <string_view>

namespace orvanel::win32 {

// Sizes a top-level window and puts it in the middle of its monitor.
void centre_on_monitor(HWND window, SIZE size);

// A control's rectangle in its window's client area.
RECT place_in(HWND window, HWND control);

// How far around a label its focus frame stands, where one is drawn, and
// where it stands: on the window's background, as the label draws none.
inline constexpr int kFocusMargin = 2;
RECT focus_frame(HWND window, HWND label);

// A text's extent on one line in a font: its width and the font's line height.
SIZE text_extent(HDC dc, HFONT font, std::wstring_view text);

// A label takes the extent of its text on one line in its own font; its left
// and top edges stay put, and the window repaints what the label uncovers,
// its focus frame included.
void fit_label(HWND window, HWND label);

}  // namespace orvanel::win32
