// The window for people who use a high-contrast theme, a screen reader, only
// the keyboard, or monitors of different resolutions.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "winapi/com.h"
#include "app/win32_look.h"
#include "win/screen.h"
#include "win32/live_window_fixture.h"

namespace orvanel::win32 {
namespace {

// The seam's other side: Wine cannot switch a high-contrast theme on.
bool high_contrast_on = false;
bool test_high_contrast() noexcept {
  return high_contrast_on;
}

// WCAG's relative luminance and contrast ratio.
double luminance(COLORREF colour) {
  const auto linear = [](BYTE channel) {
    const double value = channel / 255.0;
    return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(GetRValue(colour)) + 0.7152 * linear(GetGValue(colour)) +
         0.0722 * linear(GetBValue(colour));
}
double contrast(COLORREF a, COLORREF b) {
  const double lighter = std::max(luminance(a), luminance(b));
  const double darker = std::min(luminance(a), luminance(b));
  return (lighter + 0.05) / (darker + 0.05);
}

// As colours are written, red first.
std::string hex(COLORREF colour) {
  std::array<char, 8> text{};
  std::snprintf(text.data(), text.size(), "%02X%02X%02X", GetRValue(colour), GetGValue(colour),
                GetBValue(colour));
  return text.data();
}

class Accessible : public LiveWindow {
 protected:
  std::array<COLORREF, 2> saved_colours{GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT)};

  void TearDown() override {
    restore_colours();
    high_contrast_on = false;
    LiveWindow::TearDown();
  }
  void restore_colours() {
    const std::array<int, 2> which{COLOR_BTNFACE, COLOR_BTNTEXT};
    SetSysColors(2, which.data(), saved_colours.data());
  }

  // What the window shows: the colour of its bare background, and of the
  // text of a label, the colour in it that stands out most from the
  // background.
  struct Painted {
    COLORREF background;
    COLORREF ink;
  };
  Painted painted(int label) {
    RedrawWindow(window->handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    window->do_events();
    const POINT bare{MulDiv(3000, dpi(), 1440), MulDiv(900, dpi(), 1440)};
    Painted seen{testing::capture(window->handle(), {bare.x, bare.y, bare.x + 1, bare.y + 1}).at(0),
                 0};
    double best = 0;
    for (const COLORREF pixel : testing::capture(window->handle(), place(control(label)))) {
      if (contrast(pixel, seen.background) > best) {
        best = contrast(pixel, seen.background);
        seen.ink = pixel;
      }
    }
    return seen;
  }
  // Checks that a label's text stands out from the background by at least
  // 4.5:1, and gives the background.
  COLORREF readable(int label, const char* theme) {
    const Painted seen = painted(label);
    std::printf("%s, label %d: text %s on %s, contrast %.2f:1\n", theme, label,
                hex(seen.ink).c_str(), hex(seen.background).c_str(),
                contrast(seen.ink, seen.background));
    EXPECT_GE(contrast(seen.ink, seen.background), 4.5) << theme << ", label " << label;
    return seen.background;
  }
  static int dpi() { return testing::screen_dpi(); }
};

TEST_F(Accessible, EveryLabelReadsAgainstItsBackgroundInEitherTheme) {
  open_and_refresh(std::string("Running"), &test_high_contrast);
  for (const int label : {kIdStatus, kIdNotice}) {
    EXPECT_EQ(readable(label, "default theme"), RGB(212, 208, 200)) << "the default look changed";
  }
  EXPECT_EQ(painted(kIdStatus).ink, RGB(0, 0, 128)) << "the status line is no longer dark blue";

  // A dark high-contrast theme comes on while the program runs: the change
  // of colours reaches the window, which asks the seam again.
  high_contrast_on = true;
  const std::array<int, 2> which{COLOR_BTNFACE, COLOR_BTNTEXT};
  const std::array<COLORREF, 2> dark{RGB(0, 0, 0), RGB(255, 255, 255)};
  ASSERT_TRUE(SetSysColors(2, which.data(), dark.data()));
  window->do_events();
  for (const int label : {kIdStatus, kIdNotice, kIdCredit}) {
    EXPECT_EQ(readable(label, "high contrast"), RGB(0, 0, 0)) << "the background kept its grey";
  }

  // And off again.
  high_contrast_on = false;
  restore_colours();
  window->do_events();
  const Painted back = painted(kIdStatus);
  EXPECT_EQ(back.background, RGB(212, 208, 200));
  EXPECT_EQ(back.ink, RGB(0, 0, 128));
}

// Every focus change and live-region change that a screen reader hears.
std::vector<std::pair<DWORD, HWND>> heard;
void CALLBACK hear(HWINEVENTHOOK /*hook*/, DWORD event, HWND window, LONG /*object*/,
                   LONG /*child*/, DWORD /*thread*/, DWORD /*time*/) {
  heard.emplace_back(event, window);
}
constexpr DWORD kLiveRegionChanged = 0x8019;

class Heard : public Accessible {
 protected:
  HWINEVENTHOOK focus_hook =
      SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, &hear, GetCurrentProcessId(),
                      GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT);
  HWINEVENTHOOK live_hook =
      SetWinEventHook(kLiveRegionChanged, kLiveRegionChanged, nullptr, &hear, GetCurrentProcessId(),
                      GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT);
  void TearDown() override {
    UnhookWinEvent(focus_hook);
    UnhookWinEvent(live_hook);
    heard.clear();
    Accessible::TearDown();
  }
  [[nodiscard]] long count(DWORD event) const {
    return static_cast<long>(
        std::ranges::count_if(heard, [&](const auto& one) { return one.first == event; }));
  }
  // Lets the events raised so far arrive.
  void settle() {
    pump_until([] { return false; }, 200);
  }  // The focus changes a screen reader hears during one press.
  long focus_changes_in_a_press(const char* what) {
    heard.clear();
    form->Command1_Click(0);
    settle();
    const long changes = count(EVENT_OBJECT_FOCUS);
    std::printf("focus changes in a press %s: %ld\n", what, changes);
    return changes;
  }
};

TEST_F(Heard, APressMovesTheFocusOnlyWhenTheButtonStaysDisabled) {
  ASSERT_NE(focus_hook, nullptr);
  open_and_refresh(std::string("Running"));
  const HWND button = control(kIdStartStop);
  SetFocus(button);
  settle();

  // A service that ignores the request: five seconds of polls, each of which
  // sees "Running" and disables and enables the button.
  wmi.set_refusing(0, true);
  EXPECT_EQ(focus_changes_in_a_press("whose polls see Running"), 0);
  EXPECT_EQ(GetFocus(), button);

  // A service that stops over a second: the polls see "Stop Pending".
  wmi.set_refusing(0, false);
  wmi.set_transition_seconds(1);
  EXPECT_LE(focus_changes_in_a_press("through a pending state"), 2);
  EXPECT_EQ(status(), "Automatic Update is Stopped");
  EXPECT_EQ(GetFocus(), button) << "the focus did not come back";
}

TEST_F(Heard, EveryNewStatusIsAnnouncedFromTheStatusLine) {
  ASSERT_NE(live_hook, nullptr);
  open_and_refresh(std::string("Running"));
  settle();
  const auto announced = [&] {
    return std::ranges::count_if(heard, [&](const auto& one) {
      return one.first == kLiveRegionChanged && one.second == control(kIdStatus);
    });
  };
  EXPECT_EQ(announced(), 1) << "the first refresh";
  for (int refresh = 2; refresh <= 3; ++refresh) {
    form->Form_DblClick();
    settle();
    EXPECT_EQ(announced(), refresh);
  }
}

TEST_F(Accessible, TheWindowFollowsItsMonitorsResolution) {
  open_and_refresh(std::string("Running"));
  const HWND main = window->handle();
  for (const int resolution : {144, 96}) {
    SCOPED_TRACE(resolution);
    const auto pixels = [&](int twips) { return MulDiv(twips, resolution, 1440); };
    // What Windows suggests: the same frame around the client area scaled.
    RECT suggested{0, 0, pixels(kClientWidth), pixels(kClientHeight)};
    AdjustWindowRectEx(&suggested, static_cast<DWORD>(GetWindowLongPtrW(main, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(main, GWL_EXSTYLE)));
    OffsetRect(&suggested, 100 - suggested.left, 80 - suggested.top);
    SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(resolution, resolution),
                 reinterpret_cast<LPARAM>(&suggested));
    window->do_events();

    RECT frame{};
    GetWindowRect(main, &frame);
    EXPECT_EQ(frame.left, 100);
    EXPECT_EQ(frame.top, 80);
    RECT client{};
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, pixels(kClientWidth));
    EXPECT_EQ(client.bottom, pixels(kClientHeight));

    for (const ControlDesign& expected : kLayout) {
      SCOPED_TRACE(expected.id);
      const RECT at = place(control(expected.id));
      std::printf("%d dpi: control %d at %ld,%ld %ldx%ld\n", resolution, expected.id, at.left,
                  at.top, at.right - at.left, at.bottom - at.top);
      EXPECT_EQ(at.left, pixels(expected.left));
      EXPECT_EQ(at.top, pixels(expected.top));
      if (expected.id == kIdPicture) {
        EXPECT_EQ(at.right - at.left, 48) << "the picture shows at its own size";
        continue;
      }
      const FontDesign& wanted = kFonts.at(static_cast<std::size_t>(expected.font));
      const auto font =
          reinterpret_cast<HFONT>(SendMessageW(control(expected.id), WM_GETFONT, 0, 0));
      LOGFONTW made{};
      ASSERT_NE(GetObjectW(font, sizeof made, &made), 0);
      EXPECT_EQ(made.lfHeight, -testing::font_pixels(wanted.points, resolution));
      EXPECT_EQ(made.lfWeight, wanted.weight);
      if (expected.font == FontRole::kButton) {
        EXPECT_EQ(at.right - at.left, pixels(expected.width));
        EXPECT_EQ(at.bottom - at.top, pixels(expected.height));
        continue;
      }
      // A label is as high as its font's line and as wide as its text.
      const SIZE extent = testing::text_extent(font, text_of(control(expected.id)));
      EXPECT_EQ(at.bottom - at.top, extent.cy);
      EXPECT_EQ(at.right - at.left, extent.cx);
    }

    // The icon at the size the new resolution asks for.
    ICONINFO info{};
    ASSERT_TRUE(
        GetIconInfo(reinterpret_cast<HICON>(SendMessageW(main, WM_GETICON, ICON_BIG, 0)), &info));
    BITMAP image{};
    GetObjectW(info.hbmColor, sizeof image, &image);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(image.bmWidth, MulDiv(GetSystemMetrics(SM_CXICON), resolution, dpi()));
  }
}

}  // namespace
}  // namespace orvanel::win32
