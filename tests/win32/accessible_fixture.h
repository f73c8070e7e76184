#pragma once

// The live window as people who use a high-contrast theme, a screen reader or
// monitors of different resolutions meet it.

#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "support/design.h"
#include "support/screen.h"
#include "win32/live_window_fixture.h"
#include "winapi/handles.h"

namespace orvanel::win32 {

// The seam's other side: Wine cannot switch a high-contrast theme on, and
// the system's colours are every program's, not a test's to change.
inline bool high_contrast_on = false;
inline bool test_high_contrast() noexcept {
  return high_contrast_on;
}
inline COLORREF test_colour(int index) noexcept {
  if (!high_contrast_on) return GetSysColor(index);
  return index == COLOR_BTNFACE ? RGB(0, 0, 0) : RGB(255, 255, 255);
}

// WCAG's relative luminance and contrast ratio.
inline double luminance(COLORREF colour) {
  const auto linear = [](BYTE channel) {
    const double value = channel / 255.0;
    return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(GetRValue(colour)) + 0.7152 * linear(GetGValue(colour)) +
         0.0722 * linear(GetBValue(colour));
}
inline double contrast(COLORREF a, COLORREF b) {
  const double lighter = std::max(luminance(a), luminance(b));
  const double darker = std::min(luminance(a), luminance(b));
  return (lighter + 0.05) / (darker + 0.05);
}

// As colours are written, red first.
inline std::string hex(COLORREF colour) {
  std::array<char, 8> text{};
  std::snprintf(text.data(), text.size(), "%02X%02X%02X", GetRValue(colour), GetGValue(colour),
                GetBValue(colour));
  return text.data();
}

class Accessible : public LiveWindow {
 protected:
  void TearDown() override {
    high_contrast_on = false;
    LiveWindow::TearDown();
  }

  // What the window shows: the colour of its bare background, and of the
  // text of a label, the colour in it that stands out most from the
  // background.
  struct Painted {
    COLORREF background;
    COLORREF ink;
  };
  Painted painted(Control label) {
    RedrawWindow(main_window(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    window->do_events();
    const POINT bare{MulDiv(3000, dpi(), 1440), MulDiv(900, dpi(), 1440)};
    Painted seen{testing::capture(main_window(), {bare.x, bare.y, bare.x + 1, bare.y + 1}).at(0),
                 0};
    double best = 0;
    for (const COLORREF pixel : testing::capture(main_window(), place(control(label)))) {
      if (contrast(pixel, seen.background) > best) {
        best = contrast(pixel, seen.background);
        seen.ink = pixel;
      }
    }
    return seen;
  }
  // Checks that a label's text stands out from the background by at least
  // 4.5:1, and gives the background.
  COLORREF readable(Control label, const char* theme) {
    const Painted seen = painted(label);
    std::printf("%s, label %d: text %s on %s, contrast %.2f:1\n", theme, id_of(label),
                hex(seen.ink).c_str(), hex(seen.background).c_str(),
                contrast(seen.ink, seen.background));
    EXPECT_GE(contrast(seen.ink, seen.background), 4.5) << theme << ", label " << id_of(label);
    return seen.background;
  }
  static int dpi() { return testing::screen_dpi(); }

  // The client area, every control, its font and the icon at a resolution,
  // as the design gives them.
  void expect_laid_out_at(int resolution) {
    using testing::design::Kind;
    const auto pixels = [&](int twips) { return MulDiv(twips, resolution, 1440); };
    RECT client{};
    GetClientRect(main_window(), &client);
    EXPECT_EQ(client.right, pixels(testing::design::kClientWidth));
    EXPECT_EQ(client.bottom, pixels(testing::design::kClientHeight));
    for (const testing::design::Control& expected : testing::design::kControls) {
      SCOPED_TRACE(id_of(expected.name));
      const HWND shown = control(expected.name);
      const RECT at = place(shown);
      std::printf("%d dpi: control %d at %ld,%ld %ldx%ld\n", resolution, id_of(expected.name),
                  at.left, at.top, at.right - at.left, at.bottom - at.top);
      EXPECT_EQ(at.left, pixels(expected.left));
      EXPECT_EQ(at.top, pixels(expected.top));
      // The window paints no control's frame: there must be none to paint.
      RECT inside{};
      GetClientRect(shown, &inside);
      EXPECT_EQ(inside.right, at.right - at.left) << "a control with a frame";
      EXPECT_EQ(inside.bottom, at.bottom - at.top) << "a control with a frame";
      if (expected.kind == Kind::kPicture) {
        EXPECT_EQ(at.right - at.left, testing::design::kPictureSize.cx) << "not at its own size";
        EXPECT_EQ(at.bottom - at.top, testing::design::kPictureSize.cy) << "not at its own size";
        continue;
      }
      const auto font = reinterpret_cast<HFONT>(SendMessageW(shown, WM_GETFONT, 0, 0));
      LOGFONTW made{};
      ASSERT_NE(GetObjectW(font, sizeof made, &made), 0);
      EXPECT_EQ(made.lfHeight, -testing::font_pixels(expected.font.points, resolution));
      EXPECT_EQ(made.lfWeight, expected.font.weight);
      EXPECT_EQ(std::wstring(made.lfFaceName), testing::face_for(expected.font.face));
      EXPECT_EQ(made.lfItalic | made.lfUnderline | made.lfStrikeOut, 0);
      EXPECT_EQ(made.lfCharSet, ANSI_CHARSET);
      if (expected.kind == Kind::kButton) {
        EXPECT_EQ(at.right - at.left, pixels(expected.width));
        EXPECT_EQ(at.bottom - at.top, pixels(expected.height));
        continue;
      }
      // A label is as high as its font's line and as wide as its text.
      const SIZE extent = testing::text_extent(font, text_of(shown));
      EXPECT_EQ(at.bottom - at.top, extent.cy);
      EXPECT_EQ(at.right - at.left, extent.cx);
    }
    // The icon at the size the resolution asks for.
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(shown_icon(ICON_BIG), &info));
    const winapi::unique_hbitmap colour(info.hbmColor);
    const winapi::unique_hbitmap mask(info.hbmMask);
    BITMAP image{};
    GetObjectW(colour.get(), sizeof image, &image);
    EXPECT_EQ(image.bmWidth, MulDiv(GetSystemMetrics(SM_CXICON), resolution, dpi()));
  }
};

}  // namespace orvanel::win32
