#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

#include "app/form1.h"
#include "app/win32_geometry.h"
#include "app/win32_form.h"
#include "winapi/text.h"
#include "sim/sim_wmi.h"
#include "support/find.h"
#include "support/input.h"
#include "support/screen.h"

namespace orvanel::win32 {

// The live Win32 window on this thread, with the window's behaviour and the
// simulated service behind it.
class LiveWindow : public ::testing::Test {
 protected:
  sim::SimWmi wmi;
  // Windows' answers unless a test stands in for one.
  SystemProbes probes;
  std::optional<Win32Form> window;
  std::optional<Form1> form;

  void TearDown() override {
    form.reset();
    window.reset();
    // Nothing of this window may reach the next test, its quit request included.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    EXPECT_EQ(wmi.live_objects(), 0);
  }

  void open(const Value& state, FormEvents* events = nullptr) {
    wmi.add_service("wuauserv", state);
    window.emplace(GetModuleHandleW(nullptr), probes);
    form.emplace(*window, wmi);
    ASSERT_TRUE(window->create(events != nullptr ? *events : *form));
  }

  bool pump_until(const std::function<bool()>& condition, DWORD milliseconds = 5000) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (!condition()) {
      if (GetTickCount64() > end) return false;
      if (window->unloaded()) return false;
      window->do_events();
      Sleep(5);
    }
    return true;
  }

  void open_and_refresh(const Value& state) {
    open(state);
    ASSERT_TRUE(pump_until([&] { return status().rfind("Automatic Update is ", 0) == 0; }))
        << status();
  }

  // The window, as this thread's window of its class: the program keeps its
  // handle to itself.
  static HWND main_window() {
    return testing::find_thread_window(GetCurrentThreadId(), kWindowClass);
  }
  HWND control(Control control) const { return GetDlgItem(main_window(), id_of(control)); }
  std::string status() const { return winapi::utf8_from_wide(text_of(control(Label1))); }
  static std::wstring text_of(HWND control) {
    wchar_t buffer[4096] = {};
    GetWindowTextW(control, buffer, 4096);
    return buffer;
  }
  // The icon the window shows: its own, else its class's.
  HICON shown_icon(WPARAM which) const {
    if (const LRESULT own = SendMessageW(main_window(), WM_GETICON, which, 0)) {
      return reinterpret_cast<HICON>(own);
    }
    return reinterpret_cast<HICON>(
        GetClassLongPtrW(main_window(), which == ICON_BIG ? GCLP_HICON : GCLP_HICONSM));
  }
  RECT place(HWND control) const { return place_in(main_window(), control); }

  // A person's input, for this window alone (see win/input.h).
  [[nodiscard]] POINT bare() const {
    const int dpi = testing::screen_dpi();
    return {MulDiv(testing::kBareSpotTwips.x, dpi, 1440),
            MulDiv(testing::kBareSpotTwips.y, dpi, 1440)};
  }
  [[nodiscard]] ::testing::AssertionResult keys(std::initializer_list<WORD> pressed) {
    return testing::press_keys(main_window(), bare(), pressed, [this] { window->do_events(); });
  }
  [[nodiscard]] ::testing::AssertionResult click(HWND control, int clicks) {
    return testing::click_at(main_window(), bare(), testing::centre_of(place(control)), clicks,
                             [this] { window->do_events(); });
  }
  [[nodiscard]] ::testing::AssertionResult to_front() {
    return testing::bring_to_front(main_window(), bare(), [this] { window->do_events(); });
  }
};

}  // namespace orvanel::win32
