#pragma once

// The window's look at one resolution: where each control stands, the four
// fonts, the icons and the picture. It is created whole for a DPI, applied to
// the window in one call, and replaced whole when the DPI changes.

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/control_ids.h"
#include "app/form1.h"
#include "app/forms.h"
#include "app/win32_control_set.h"
#include "version.h"
#include "winapi/handles.h"

namespace orvanel::win32 {

inline constexpr int kTwipsPerInch = 1440;

// The client area, in twips.
inline constexpr int kClientWidth = 6300;
inline constexpr int kClientHeight = 1845;

enum class FontRole : std::uint8_t { kWindow, kButton, kStatus, kSign, kNone };

struct FontDesign {
  double points;
  int weight;
};

// Each role's font: Arial, or a face metric-compatible with it.
inline constexpr std::array<FontDesign, 4> kFonts{{
    {8.25, FW_NORMAL},   // the window's, for the notice and the credit line
    {9.75, FW_BOLD},     // the buttons'
    {14.25, FW_BOLD},    // the status line's
    {11.25, FW_NORMAL},  // the copyright sign's
}};

// A control as the window is designed: its kind, caption and style, where
// it stands in the client area in twips, and its font. Labels take their
// width and height from their text; the picture its own size.
struct ControlDesign {
  Control control;
  const wchar_t* kind;
  std::string_view caption;  // UTF-8
  DWORD style;
  int left, top, width, height;
  FontRole font;
};

inline constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;
// Labels take their own mouse input (so a double-click on one is not the
// window's), never wrap, and show "&" as it stands.
inline constexpr DWORD kLabel = SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY;

// In tab order, which is also the order of creation and of the ids. The
// notice's wording leaves blanks where the larger copyright sign stands.
inline constexpr std::array<ControlDesign, kControlCount> kLayout{{
    {Command1(kStartStopButton), L"BUTTON", kStartCaption, kButton | WS_DISABLED, 3780, 1140, 1155,
     495, FontRole::kButton},
    {Command1(kCloseButton), L"BUTTON", "C&lose", kButton, 4980, 1140, 1155, 495,
     FontRole::kButton},
    {Label1, L"STATIC", "Querying Status...", kLabel, 900, 240, 2475, 330, FontRole::kStatus},
    {Label2(0), L"STATIC", "Copyright    " ORVANEL_YEAR, kLabel, 120, 1140, 1275, 210,
     FontRole::kWindow},
    {Label2(1), L"STATIC", "By the Orvanel developers", kLabel, 120, 1380, 2340, 210,
     FontRole::kWindow},
    {Label3, L"STATIC", "\xC2\xA9", kLabel, 840, 1125, 165, 255, FontRole::kSign},
    {Image1, L"STATIC", {}, SS_BITMAP | SS_NOTIFY, 60, 60, 720, 720, FontRole::kNone},
}};

// Labels take the size of their text; buttons keep their design's size and
// the picture its own.
[[nodiscard]] constexpr bool sizes_to_text(const ControlDesign& design) {
  return design.font != FontRole::kButton && design.font != FontRole::kNone;
}

[[nodiscard]] inline int pixels_at(int twips, int dpi) noexcept {
  return MulDiv(twips, dpi, kTwipsPerInch);
}
[[nodiscard]] inline SIZE client_at(int dpi) noexcept {
  return {pixels_at(kClientWidth, dpi), pixels_at(kClientHeight, dpi)};
}

// Everything the window draws with at one resolution.
class Look {
 public:
  Look() noexcept = default;
  // `system_dpi` is the resolution of the system's metrics, for the Windows
  // that cannot give them at another.
  Look(HINSTANCE instance, int dpi, int system_dpi);

  [[nodiscard]] int dpi() const noexcept { return dpi_; }
  [[nodiscard]] int pixels(int twips) const noexcept { return pixels_at(twips, dpi_); }
  [[nodiscard]] HFONT font(FontRole role) const noexcept;
  [[nodiscard]] HICON icon() const noexcept { return icon_.get(); }
  [[nodiscard]] HICON small_icon() const noexcept { return small_icon_.get(); }

  // The window's controls, in tab order, each created at its position and size at this
  // resolution and in its font: nothing is moved or measured again before
  // the window is first shown.
  void create_controls(HWND window, HINSTANCE instance, ControlSet& controls) const;
  // Every control of the window moved to where this resolution puts it, in
  // its font, and the icons at this resolution; the window repaints itself
  // whole afterwards. What the window drew with before may go then.
  void apply(HWND window, const ControlSet& controls) const;
  // The window shows these icons, where it does not already.
  void apply_icons(HWND window) const;

 private:
  [[nodiscard]] int metric(int index) const;
  [[nodiscard]] winapi::unique_hfont make_font(const FontDesign& design) const;
  // Where a control stands in the client area: a label as large as `text`
  // in its font, measured on `measure`; the picture at its own size.
  [[nodiscard]] RECT place(const ControlDesign& design, HDC measure, std::wstring_view text) const;
  void dress(HWND control, const ControlDesign& design) const;

  int dpi_ = 96;
  int system_dpi_ = 96;
  const wchar_t* face_ = L"Arial";
  std::array<winapi::unique_hfont, 4> fonts_;
  winapi::unique_hicon icon_;
  winapi::unique_hicon small_icon_;
  winapi::unique_hbitmap picture_;
};

}  // namespace orvanel::win32
