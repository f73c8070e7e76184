#pragma once

// Where windows stand and what they show, measured from the tests.

#include <windows.h>

#include <string>
#include <vector>

#include "winapi/handles.h"

namespace orvanel::testing {

// A rectangle's centre, and a window's on the screen. Where a control stands
// in its window is the program's own win32::place_in.
POINT centre_of(const RECT& rect);
POINT centre_on_screen(HWND window);

// The screen's resolution as GDI gives it.
int screen_dpi();
// An em height in pixels of a size in points at a resolution.
int font_pixels(double points, int dpi);

// The face the program draws with for a face of the design: the face itself
// where it is installed, else, for Arial, Liberation Sans, made to its
// metrics; empty if neither is.
std::wstring face_for(const wchar_t* face);
// A font of that face, so that texts are measured as the program measures
// them; empty without one.
winapi::unique_hfont sans_font(int pixels, int weight, const wchar_t* face = L"Arial");
// The width of a text on one line, and the font's line height.
SIZE text_extent(HFONT font, const std::wstring& text);

// The colours painted in an area of a window's client area, row by row.
std::vector<COLORREF> capture(HWND window, const RECT& client_area);

// Keeps what the window looks like on the screen as a bitmap of that name in
// the folder ORVANEL_SCREENSHOTS names, where the test runs set it.
void save_screenshot(HWND window, const std::string& name);

}  // namespace orvanel::testing
