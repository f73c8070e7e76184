#pragma once

// What the window does with its controls beyond the look: where one stands,
// its text, its extent, and the window placed on its monitor.

#include <windows.h>

#include <string>
#include <string_view>

namespace orvanel::win32 {

// Sizes a top-level window and puts it in the middle of its monitor.
void centre_on_monitor(HWND window, SIZE size);

// A control's rectangle in its window's client area, and a window's text.
RECT place_in(HWND window, HWND control);
std::wstring window_text(HWND window);

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
