#include "win/screen.h"

#include <cmath>

namespace orvanel::testing {

using winapi::scoped_select;
using winapi::scoped_window_dc;

RECT place_in(HWND parent, HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

POINT centre_of(const RECT& rect) {
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

POINT centre_on_screen(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return centre_of(rect);
}

int screen_dpi() {
  const scoped_window_dc screen(nullptr);
  return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

int font_pixels(double points, int dpi) {
  return static_cast<int>(std::lround(points * dpi / 72.0));
}

winapi::unique_hfont sans_font(int pixels, int weight) {
  for (const wchar_t* face : {L"Arial", L"Liberation Sans"}) {
    winapi::unique_hfont font(CreateFontW(-pixels, 0, 0, 0, weight, 0, 0, 0, ANSI_CHARSET,
                                          OUT_TT_PRECIS, 0, DEFAULT_QUALITY,
                                          VARIABLE_PITCH | FF_SWISS, face));
    const scoped_window_dc dc(nullptr);
    const scoped_select selected(dc.get(), font.get());
    wchar_t chosen[LF_FACESIZE] = {};
    GetTextFaceW(dc.get(), LF_FACESIZE, chosen);
    if (std::wstring(chosen) == face) return font;
  }
  return {};
}

SIZE text_extent(HFONT font, const std::wstring& text) {
  const scoped_window_dc dc(nullptr);
  const scoped_select selected(dc.get(), font);
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.get(), &metrics);
  return {size.cx, metrics.tmHeight};
}

std::vector<COLORREF> capture(HWND window, const RECT& area) {
  const scoped_window_dc dc(window);
  std::vector<COLORREF> colours;
  for (LONG y = area.top; y < area.bottom; ++y) {
    for (LONG x = area.left; x < area.right; ++x) colours.push_back(GetPixel(dc.get(), x, y));
  }
  return colours;
}

}  // namespace orvanel::testing
