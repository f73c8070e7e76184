#include "app/win32_look.h"

#include <cmath>
#include <cstddef>
#include <string>

#include "app/win32_geometry.h"
#include "resources/resource_ids.h"
#include "winapi/newer_sdk.h"
#include "winapi/text.h"

namespace orvanel::win32 {
namespace {

using winapi::scoped_window_dc;

int CALLBACK note_found(const LOGFONTW* /*font*/, const TEXTMETRICW* /*metrics*/, DWORD /*type*/,
                        LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

// Arial where it is installed, else a face metric-compatible with it.
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

// Each control is created at its position and size: moving it afterwards would
// cost every one a move, and every label a window DC to measure it with.
void Look::create_controls(HWND window, HINSTANCE instance, ControlSet& controls) const {
  const winapi::unique_hdc measure(CreateCompatibleDC(nullptr));
  for (const ControlDesign& design : kLayout) {
    const std::wstring caption = winapi::wide_from_utf8(design.caption);
    const RECT at = place(design, measure.get(), caption);
    HWND control = CreateWindowExW(
        0, design.kind, design.control == Image1 ? nullptr : caption.c_str(),
        WS_CHILD | WS_VISIBLE | design.style, at.left, at.top, at.right - at.left,
        at.bottom - at.top, window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_of(design.control))), instance, nullptr);
    if (control != nullptr) dress(control, design);
    controls.set(design.control, control);
  }
}

void Look::apply(HWND window, const ControlSet& controls) const {
  const winapi::unique_hdc measure(CreateCompatibleDC(nullptr));
  for (const ControlDesign& design : kLayout) {
    HWND child = controls[design.control];
    if (child == nullptr) continue;
    dress(child, design);
    const RECT at = place(design, measure.get(), winapi::window_text(child));
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
  } else if (design.control == Image1 && picture_ &&
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
  if (design.control == Image1 && picture_) {
    SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_.get()));
  }
}

// The window shows its class's icons, loaded at this resolution when it was
// first created; handing a window its icons costs X11 a conversion each
// under Wine, so it happens only once they differ.
void Look::apply_icons(HWND window) const {
  if (GetClassLongPtrW(window, GCLP_HICON) == reinterpret_cast<ULONG_PTR>(icon_.get())) return;
  SetClassLongPtrW(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon_.get()));
  SetClassLongPtrW(window, GCLP_HICONSM, reinterpret_cast<LONG_PTR>(small_icon_.get()));
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_.get()));
}

}  // namespace orvanel::win32
