#include "e2e/layout.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/forms.h"
#include "app/win32_look.h"
#include "winapi/text.h"
#include "support/screen.h"

namespace orvanel::testing {
namespace {

const win32::ControlDesign& design_of(Control control) {
  for (const win32::ControlDesign& design : win32::kLayout) {
    if (design.control == control) return design;
  }
  return win32::kLayout.front();
}

// A label's font as the program's table gives it, in the face it draws with.
winapi::unique_hfont font_of(const win32::ControlDesign& design, int dpi) {
  const win32::FontDesign& font = win32::kFonts.at(static_cast<std::size_t>(design.font));
  return sans_font(font_pixels(font.points, dpi), font.weight);
}

}  // namespace

void expect_layout(const RunningApp& app) {
  const HWND window = app.window();
  ASSERT_NE(window, nullptr) << "no window";
  save_screenshot(window, "window-" + std::to_string(app.dpi()) + "dpi.bmp");
  EXPECT_EQ(RunningApp::text(window), "Orvanel v1.0");

  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, app.pixels(win32::kClientWidth));
  EXPECT_EQ(client.bottom, app.pixels(win32::kClientHeight));

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
    const bool tab_stop = (GetWindowLongPtrW(child, GWL_STYLE) & WS_TABSTOP) != 0;
    EXPECT_EQ(tab_stop, order.back() == win32::id_of(Command1(0)) ||
                            order.back() == win32::id_of(Command1(1)))
        << order.back();
  }
  std::vector<int> designed;
  for (const Control control :
       {Command1(0), Command1(1), Label1, Label2(0), Label2(1), Label3, Image1}) {
    designed.push_back(win32::id_of(control));
  }
  EXPECT_EQ(order, designed);

  for (const Control id : {Command1(0), Command1(1)}) {
    const win32::ControlDesign& design = design_of(id);
    const RECT button = app.place(app.control(id));
    EXPECT_EQ(button.left, app.pixels(design.left)) << win32::id_of(id);
    EXPECT_EQ(button.top, app.pixels(design.top)) << win32::id_of(id);
    EXPECT_EQ(button.right - button.left, app.pixels(design.width)) << win32::id_of(id);
    EXPECT_EQ(button.bottom - button.top, app.pixels(design.height)) << win32::id_of(id);
  }
  EXPECT_EQ(RunningApp::text(app.control(Command1(1))), "C&lose");

  const RECT picture = app.place(app.control(Image1));
  EXPECT_EQ(picture.left, app.pixels(design_of(Image1).left));
  EXPECT_EQ(picture.top, app.pixels(design_of(Image1).top));
  EXPECT_EQ(picture.right - picture.left, 48) << "the picture shows at its own size";
  EXPECT_EQ(picture.bottom - picture.top, 48);

  // Labels: left and top as designed, sized to their text in their font.
  for (const Control id : {Label1, Label2(0), Label2(1), Label3}) {
    const win32::ControlDesign& design = design_of(id);
    const HWND control = app.control(id);
    const RECT place = app.place(control);
    const winapi::unique_hfont font = font_of(design, app.dpi());
    ASSERT_TRUE(font) << "neither Arial nor Liberation Sans is installed";
    const std::string text = RunningApp::text(control);
    const SIZE wanted = text_extent(font.get(), winapi::wide_from_utf8(text));
    EXPECT_EQ(place.left, app.pixels(design.left)) << text;
    EXPECT_EQ(place.top, app.pixels(design.top)) << text;
    EXPECT_EQ(place.right - place.left, wanted.cx) << text;
    EXPECT_EQ(place.bottom - place.top, wanted.cy) << text;
  }

  // The notice leaves a gap where the larger sign stands; both lines fit
  // their boxes.
  const auto wide_text = [&](Control id) {
    return winapi::wide_from_utf8(RunningApp::text(app.control(id)));
  };
  const std::wstring notice = wide_text(Label2(0));
  const std::size_t gap = notice.find(L"  ");
  ASSERT_NE(gap, std::wstring::npos);
  const std::size_t after_gap = notice.find_first_not_of(L' ', gap);
  const win32::ControlDesign& notice_box = design_of(Label2(0));
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
  EXPECT_LE(credit_width, app.pixels(design_of(Label2(1)).width))
      << "the credit line overflows its box";
}

}  // namespace orvanel::testing
