#include "e2e/layout.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "support/design.h"
#include "support/screen.h"
#include "winapi/text.h"

namespace orvanel::testing {
namespace {

// A label's font as the design gives it, in the face the program draws with.
winapi::unique_hfont font_of(const design::Control& control, int dpi) {
  return sans_font(font_pixels(control.font.points, dpi), control.font.weight);
}

}  // namespace

void expect_layout(const RunningApp& app) {
  const HWND window = app.window();
  ASSERT_NE(window, nullptr) << "no window";
  save_screenshot(window, "window-" + std::to_string(app.dpi()) + "dpi.bmp");
  EXPECT_EQ(RunningApp::text(window), design::kTitle);

  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, app.pixels(design::kClientWidth));
  EXPECT_EQ(client.bottom, app.pixels(design::kClientHeight));

  RECT frame{};
  GetWindowRect(window, &frame);
  EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2)
      << "not centred";
  EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top)) / 2)
      << "not centred";

  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  const auto ex_style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
  EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  EXPECT_NE(style & WS_SYSMENU, 0U) << "no close box";
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_CHILD), 0U);
  EXPECT_NE(ex_style & WS_EX_DLGMODALFRAME, 0U);
  EXPECT_EQ(ex_style & WS_EX_APPWINDOW, 0U) << "would have a taskbar button";
  const HWND owner = GetWindow(window, GW_OWNER);
  EXPECT_NE(owner, nullptr) << "an unowned window has a taskbar button";
  EXPECT_FALSE(IsWindowVisible(owner));

  // Children in tab order; only the buttons are tab stops.
  std::vector<int> order;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    order.push_back(GetDlgCtrlID(child));
  }
  std::vector<int> designed;
  designed.reserve(design::kControls.size());
  for (const design::Control& control : design::kControls) {
    designed.push_back(win32::id_of(control.name));
  }
  EXPECT_EQ(order, designed) << "not in tab order";

  for (const design::Control& designed_control : design::kControls) {
    const HWND control = app.control(designed_control.name);
    const std::string text = RunningApp::text(control);
    SCOPED_TRACE(text);
    const RECT place = app.place(control);
    const auto control_style = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
    EXPECT_EQ((control_style & WS_TABSTOP) != 0, designed_control.kind == design::Kind::kButton);
    EXPECT_EQ(place.left, app.pixels(designed_control.left));
    EXPECT_EQ(place.top, app.pixels(designed_control.top));
    SIZE wanted{app.pixels(designed_control.width), app.pixels(designed_control.height)};
    if (designed_control.kind == design::Kind::kPicture) wanted = design::kPictureSize;
    // A label is as large as its text on one line in its font.
    if (designed_control.kind == design::Kind::kLabel) {
      const winapi::unique_hfont font = font_of(designed_control, app.dpi());
      ASSERT_TRUE(font) << "neither Arial nor Liberation Sans is installed";
      wanted = text_extent(font.get(), winapi::wide_from_utf8(text));
    }
    EXPECT_EQ(place.right - place.left, wanted.cx);
    EXPECT_EQ(place.bottom - place.top, wanted.cy);
  }
  EXPECT_EQ(RunningApp::text(app.control(Command1(1))), "C&lose");

  // The notice leaves a gap where the larger sign stands; both lines fit
  // their boxes.
  const auto wide_text = [&](Control control) {
    return winapi::wide_from_utf8(RunningApp::text(app.control(control)));
  };
  const std::wstring notice = wide_text(Label2(0));
  const std::size_t gap = notice.find(L"  ");
  ASSERT_NE(gap, std::wstring::npos);
  const std::size_t after_gap = notice.find_first_not_of(L' ', gap);
  const design::Control& notice_box = design::of(Label2(0));
  const winapi::unique_hfont small = font_of(notice_box, app.dpi());
  const int text_ends =
      app.pixels(notice_box.left) + text_extent(small.get(), notice.substr(0, gap)).cx;
  const int text_resumes =
      app.pixels(notice_box.left) + text_extent(small.get(), notice.substr(0, after_gap)).cx;
  const int notice_width = text_extent(small.get(), notice).cx;
  const int credit_width = text_extent(small.get(), wide_text(Label2(1))).cx;
  const RECT sign = app.place(app.control(Label3));
  EXPECT_LE(text_ends, sign.left) << "the notice's text runs under the sign";
  EXPECT_GE(text_resumes, sign.right) << "the notice's text runs under the sign";
  EXPECT_LE(notice_width, app.pixels(notice_box.width)) << "the notice overflows its box";
  EXPECT_LE(credit_width, app.pixels(design::of(Label2(1)).width))
      << "the credit line overflows its box";
}

}  // namespace orvanel::testing
