#pragma once

// The window's look at one resolution: where each control stands, the four
// fonts, the icons and the picture. It is made whole for a DPI, applied to
// the window in one call, and replaced whole when the DPI changes.

#include <windows.h>

#include <array>
#include <cstdint>

#include "app/control_ids.h"
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

// Each role's font: Arial, or the face made to its metrics.
inline constexpr std::array<FontDesign, 4> kFonts{{
    {8.25, FW_NORMAL},   // the window's, for the notice and the credit line
    {9.75, FW_BOLD},     // the buttons'
    {14.25, FW_BOLD},    // the status line's
    {11.25, FW_NORMAL},  // the copyright sign's
}};

// Where a control stands in the client area, in twips, and its font. Labels
// take their width and height from their text; the picture its own size.
struct ControlDesign {
  int id;
  int left, top, width, height;
  FontRole font;
};

// In tab order, which is also the order of creation and of the ids.
inline constexpr std::array<ControlDesign, 7> kLayout{{
    {kIdStartStop, 3780, 1140, 1155, 495, FontRole::kButton},
    {kIdClose, 4980, 1140, 1155, 495, FontRole::kButton},
    {kIdStatus, 900, 240, 2475, 330, FontRole::kStatus},
    {kIdNotice, 120, 1140, 1275, 210, FontRole::kWindow},
    {kIdCredit, 120, 1380, 2340, 210, FontRole::kWindow},
    {kIdSign, 840, 1125, 165, 255, FontRole::kSign},
    {kIdPicture, 60, 60, 720, 720, FontRole::kNone},
}};

[[nodiscard]] constexpr const ControlDesign& design_of(int id) {
  return kLayout.at(static_cast<std::size_t>(id - kIdStartStop));
}

// Everything the window draws with at one resolution.
class Look {
 public:
  Look() noexcept = default;
  // `system_dpi` is the resolution of the system's metrics, for the Windows
  // that cannot give them at another.
  Look(HINSTANCE instance, int dpi, int system_dpi);

  [[nodiscard]] int dpi() const noexcept { return dpi_; }
  [[nodiscard]] int pixels(int twips) const noexcept;
  [[nodiscard]] SIZE client() const noexcept {
    return {pixels(kClientWidth), pixels(kClientHeight)};
  }
  [[nodiscard]] HFONT font(FontRole role) const noexcept;
  [[nodiscard]] HICON icon() const noexcept { return icon_.get(); }
  [[nodiscard]] HICON small_icon() const noexcept { return small_icon_.get(); }

  // Every control of the window where its twips put it, in its font, the
  // labels fitted to their text, and the icons and the picture at this
  // resolution. What the window drew with before may go afterwards.
  void apply(HWND window) const;

 private:
  [[nodiscard]] int metric(int index) const;
  [[nodiscard]] winapi::unique_hfont make_font(const FontDesign& design) const;

  int dpi_ = 96;
  int system_dpi_ = 96;
  const wchar_t* face_ = L"Arial";
  std::array<winapi::unique_hfont, 4> fonts_;
  winapi::unique_hicon icon_;
  winapi::unique_hicon small_icon_;
  winapi::unique_hbitmap picture_;
};

// A label takes the extent of its text on one line in its own font; its left
// and top edges stay put, and the window repaints what the label uncovers.
void fit_label(HWND window, HWND label);

}  // namespace orvanel::win32
