#include "app/win32_look.h"

#include <cmath>
#include <cstddef>
#include <string>

#include "resources/resource_ids.h"
#include "winapi/system_function.h"

namespace orvanel::win32 {
namespace {

using winapi::scoped_select;
using winapi::scoped_window_dc;

int CALLBACK note_found(const LOGFONTW* /*font*/, const TEXTMETRICW* /*metrics*/, DWORD /*type*/,
                        LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

// Arial where it is installed, else the face made to its metrics.
const wchar_t* sans_face() {
  const scoped_window_dc screen(nullptr);
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  wcscpy_s(wanted.lfFaceName, L"Arial");
  bool found = false;
  EnumFontFamiliesExW(screen.get(), &wanted, &note_found, reinterpret_cast<LPARAM>(&found), 0);
  return found ? L"Arial" : L"Liberation Sans";
}

}  // namespace

std::wstring window_text(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

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

Look::Look(HINSTANCE instance, int dpi, int system_dpi)
    : dpi_(dpi), system_dpi_(system_dpi), face_(sans_face()) {
  for (std::size_t role = 0; role < kFonts.size(); ++role)
    fonts_.at(role) = make_font(kFonts.at(role));
  const auto resource = MAKEINTRESOURCEW(IDI_ORVANEL);
  icon_.reset(static_cast<HICON>(
      LoadImageW(instance, resource, IMAGE_ICON, metric(SM_CXICON), metric(SM_CYICON), 0)));
  small_icon_.reset(static_cast<HICON>(
      LoadImageW(instance, resource, IMAGE_ICON, metric(SM_CXSMICON), metric(SM_CYSMICON), 0)));
  picture_.reset(static_cast<HBITMAP>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDB_EMBLEM), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
}

HFONT Look::font(FontRole role) const noexcept {
  const auto index = static_cast<std::size_t>(role);
  return index < fonts_.size() ? fonts_[index].get() : nullptr;
}

winapi::unique_hfont Look::make_font(const FontDesign& design) const {
  LOGFONTW font{};
  font.lfHeight = -static_cast<LONG>(std::lround(design.points * dpi_ / 72.0));
  font.lfWeight = design.weight;
  font.lfCharSet = ANSI_CHARSET;
  font.lfOutPrecision = OUT_TT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  wcscpy_s(font.lfFaceName, face_);
  return winapi::unique_hfont(CreateFontIndirectW(&font));
}

// A system metric at this resolution.
int Look::metric(int index) const {
  if (const auto for_dpi = ORVANEL_SYSTEM_FUNCTION(L"user32.dll", GetSystemMetricsForDpi)) {
    return for_dpi(index, static_cast<UINT>(dpi_));
  }
  return MulDiv(GetSystemMetrics(index), dpi_, system_dpi_);
}

// Each control is made at its place and size: placing it afterwards would
// cost every one a move, and every label a window DC to measure it with.
void Look::create_controls(HWND window, HINSTANCE instance) const {
  const winapi::unique_hdc measure(CreateCompatibleDC(nullptr));
  for (const ControlDesign& design : kLayout) {
    const RECT at = place(design, measure.get(), design.caption != nullptr ? design.caption : L"");
    HWND control = CreateWindowExW(
        0, design.kind, design.caption, WS_CHILD | WS_VISIBLE | design.style, at.left, at.top,
        at.right - at.left, at.bottom - at.top, window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.id)), instance, nullptr);
    if (control != nullptr) dress(control, design);
  }
}

void Look::apply(HWND window) const {
  const winapi::unique_hdc measure(CreateCompatibleDC(nullptr));
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const ControlDesign& design = design_of(GetDlgCtrlID(child));
    dress(child, design);
    const RECT at = place(design, measure.get(), window_text(child));
    SetWindowPos(child, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
  apply_icons(window);
}

RECT Look::place(const ControlDesign& design, HDC measure, std::wstring_view text) const {
  SIZE size{pixels(design.width), pixels(design.height)};
  BITMAP image{};
  if (sizes_to_text(design)) {
    size = text_extent(measure, font(design.font), text);
  } else if (design.id == kIdPicture && picture_ &&
             GetObjectW(picture_.get(), sizeof image, &image) != 0) {
    size = {image.bmWidth, image.bmHeight};
  }
  const int left = pixels(design.left);
  const int top = pixels(design.top);
  return {left, top, left + size.cx, top + size.cy};
}

void Look::dress(HWND control, const ControlDesign& design) const {
  if (design.font != FontRole::kNone) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font(design.font)), FALSE);
  }
  if (design.id == kIdPicture && picture_) {
    SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_.get()));
  }
}

// The window shows its class's icons, made at this resolution when it was
// first created; handing a window its icons costs X11 a conversion each
// under Wine, so it happens only once they differ.
void Look::apply_icons(HWND window) const {
  if (GetClassLongPtrW(window, GCLP_HICON) == reinterpret_cast<ULONG_PTR>(icon_.get())) return;
  SetClassLongPtrW(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon_.get()));
  SetClassLongPtrW(window, GCLP_HICONSM, reinterpret_cast<LONG_PTR>(small_icon_.get()));
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_.get()));
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
                         window_text(label));
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
