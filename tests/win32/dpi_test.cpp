// The window on monitors of different resolutions.
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

#include "app/win32_geometry.h"
#include "support/design.h"
#include "winapi/text.h"
#include "win32/accessible_fixture.h"

namespace orvanel::win32 {
namespace {

// WM_GETDPISCALEDSIZE, as Windows numbers it:
// https://learn.microsoft.com/windows/win32/hidpi/wm-getdpiscaledsize
constexpr UINT kGetDpiScaledSizeMessage = 0x02E4;

// A monitor that Wine cannot show: its resolution is the test's. The frames
// are the ones really drawn around the window, which, under Wine and on
// Windows alike, really stands on a monitor at the system's resolution.
int monitor_dpi = 96;
std::vector<int> frames_asked;  // the resolutions the window asked frames at
int test_window_dpi(HWND /*window*/) noexcept {
  return monitor_dpi;
}
SIZE drawn_frame_for(SIZE client, DWORD style, DWORD ex_style, int dpi) noexcept {
  frames_asked.push_back(dpi);
  RECT frame{0, 0, client.cx, client.cy};
  AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

// What reaches the main window as it happens: its moves, and its client
// area when it is first shown; and how each control was made: its class,
// caption and style, and where.
int moves = 0;
SIZE first_shown{};
struct Made {
  int id;
  std::wstring kind;
  std::wstring caption;
  DWORD style;
  RECT at;
};
std::vector<Made> made_at;
std::vector<std::pair<int, RECT>> shown_at;
LRESULT CALLBACK watch(int code, WPARAM w, LPARAM l) {
  const CWPSTRUCT& sent = *reinterpret_cast<CWPSTRUCT*>(l);
  wchar_t name[64] = {};
  if (code == HC_ACTION && sent.message == WM_CREATE && GetParent(sent.hwnd) != nullptr) {
    const auto& made = *reinterpret_cast<const CREATESTRUCTW*>(sent.lParam);
    GetClassNameW(sent.hwnd, name, 64);
    made_at.push_back(
        {GetDlgCtrlID(sent.hwnd), name,
         made.lpszName != nullptr && !IS_INTRESOURCE(made.lpszName) ? made.lpszName : L"",
         static_cast<DWORD>(made.style), RECT{made.x, made.y, made.x + made.cx, made.y + made.cy}});
  }
  if (code == HC_ACTION && GetClassNameW(sent.hwnd, name, 64) != 0 &&
      std::wstring(name) == kWindowClass) {
    if (sent.message == WM_WINDOWPOSCHANGED) ++moves;
    if (sent.message == WM_SHOWWINDOW && sent.wParam != FALSE && first_shown.cx == 0) {
      RECT client{};
      GetClientRect(sent.hwnd, &client);
      first_shown = {client.right, client.bottom};
      for (HWND child = GetWindow(sent.hwnd, GW_CHILD); child != nullptr;
           child = GetWindow(child, GW_HWNDNEXT)) {
        shown_at.emplace_back(GetDlgCtrlID(child), place_in(sent.hwnd, child));
      }
    }
  }
  return CallNextHookEx(nullptr, code, w, l);
}

TEST_F(Accessible, TheWindowFollowsItsMonitorsResolution) {
  // On a monitor at 144 dpi while the screen's resolution is 96, the window
  // is laid out at 144 before it is first seen.
  monitor_dpi = 144;
  probes.window_dpi = &test_window_dpi;
  probes.frame_for = &drawn_frame_for;
  first_shown = {};
  made_at.clear();
  shown_at.clear();
  const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &watch, nullptr, GetCurrentThreadId());
  open_and_refresh(std::string("Running"));
  UnhookWindowsHookEx(hook);
  ASSERT_EQ(dpi(), 96) << "the screen is not at 96 dpi";
  EXPECT_EQ(first_shown.cx, 630) << "shown before it was laid out at its monitor's resolution";
  EXPECT_EQ(first_shown.cy, 185);
  const HWND main = main_window();
  RECT frame{};
  GetWindowRect(main, &frame);
  EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2);
  EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top)) / 2);
  expect_laid_out_at(144);
  // Each control was made as the design has it at creation, in tab order,
  // where it stands when first shown, not moved there.
  ASSERT_EQ(made_at.size(), testing::design::kControls.size());
  ASSERT_EQ(shown_at.size(), testing::design::kControls.size());
  for (std::size_t k = 0; k < made_at.size(); ++k) {
    const testing::design::Control& designed = testing::design::kControls.at(k);
    const auto& [id, kind, caption, style, made] = made_at[k];
    const RECT& shown = shown_at[k].second;
    EXPECT_EQ(id, id_of(designed.name));
    EXPECT_EQ(id, shown_at[k].first);
    EXPECT_EQ(_wcsicmp(kind.c_str(),
                       designed.kind == testing::design::Kind::kButton ? L"Button" : L"Static"),
              0)
        << "control " << id << " is a " << winapi::utf8_from_wide(kind);
    if (designed.caption != nullptr) {
      EXPECT_EQ(caption, designed.caption) << "control " << id;
    }
    EXPECT_EQ((style & WS_DISABLED) == 0, designed.enabled) << "control " << id;
    EXPECT_TRUE(EqualRect(&made, &shown) != FALSE)
        << "control " << id << " made at " << made.left << "," << made.top << " " << made.right
        << "," << made.bottom << ", shown at " << shown.left << "," << shown.top << " "
        << shown.right << "," << shown.bottom;
  }

  // Moved to monitors of other resolutions: the window asks for the exact
  // frame there and takes the place Windows suggests in one move.
  const HHOOK moving = SetWindowsHookExW(WH_CALLWNDPROC, &watch, nullptr, GetCurrentThreadId());
  for (const int resolution : {96, 144}) {
    SCOPED_TRACE(resolution);
    SIZE scaled{};
    ASSERT_EQ(SendMessageW(main, kGetDpiScaledSizeMessage, static_cast<WPARAM>(resolution),
                           reinterpret_cast<LPARAM>(&scaled)),
              TRUE)
        << "WM_GETDPISCALEDSIZE";
    EXPECT_EQ(frames_asked.back(), resolution);
    RECT suggested{100, 80, 100 + scaled.cx, 80 + scaled.cy};
    moves = 0;
    SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(resolution, resolution),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(moves, 1) << "moved again after the suggested place";
    window->do_events();
    GetWindowRect(main, &frame);
    EXPECT_EQ(frame.left, 100);
    EXPECT_EQ(frame.top, 80);
    expect_laid_out_at(resolution);
  }
  UnhookWindowsHookEx(moving);
}

}  // namespace
}  // namespace orvanel::win32
