#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/control_ids.h"
#include "app/forms.h"
#include "e2e/app.h"
#include "support/design.h"
#include "support/find.h"
#include "support/screen.h"
#include "winapi/text.h"

namespace orvanel::testing {
namespace {

std::string caption_for(const std::string& status) {
  return status == "Automatic Update is Running" ? "&Stop" : "&Start";
}

struct BadInput {
  const wchar_t* environment;
  std::string status;
  bool enabled;
};

TEST(BadInput, WhateverTheServiceSaysIsShownAndTheProgramGoesOn) {
  const std::string long_state(10000, 'x');
  const std::wstring long_environment = L"ORVANEL_SIM_STATE=" + std::wstring(10000, L'x');
  const BadInput cases[] = {
      {L"ORVANEL_SIM_STATE=R", "Automatic Update is R", false},
      {L"ORVANEL_SIM_STATE=&Stop", "Automatic Update is &Stop", false},
      {L"ORVANEL_SIM_STATE=Running \U0001F680", "Automatic Update is Running \xF0\x9F\x9A\x80",
       false},
      {long_environment.c_str(), "Automatic Update is " + long_state, false},
      {L"ORVANEL_SIM_INSTANCES=0", "Automatic Update is Undetectable", false},
      {L"ORVANEL_SIM_INSTANCES=100", "Automatic Update is Running", true},
  };
  for (const BadInput& input : cases) {
    SCOPED_TRACE(input.status.substr(0, 40));
    RunningApp app(Programs::simulated, input.environment);
    EXPECT_EQ(app.first_status(), input.status);
    EXPECT_EQ(IsWindowEnabled(app.control(Command1(0))) != FALSE, input.enabled);
    RECT client{};
    GetClientRect(app.window(), &client);
    EXPECT_EQ(client.right, app.pixels(6300)) << "the window grew with its text";
    PostMessageW(app.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(app.wait_for_exit(10000));
    EXPECT_EQ(app.exit_code(), 0U);
  }
}

TEST(BadInput, AQueryThatTakesSecondsHoldsTheWindowButNeverLosesIt) {
  RunningApp app(Programs::simulated, L"ORVANEL_SIM_QUERY_SECONDS=2");
  const ULONGLONG started = GetTickCount64();
  // Until the first refresh ends, the window is as it was made: the status
  // in dark blue bold, Start greyed, Close enabled.
  const design::Control& designed = design::of(Label1);
  const HWND status = app.control(Label1);
  const RECT label = app.place(status);
  EXPECT_TRUE(wait_for(
      [&] { return std::ranges::count(capture(app.window(), label), designed.ink.colour) > 0; },
      1500))
      << "no dark blue in the status line";
  EXPECT_EQ(winapi::wide_from_utf8(app.status()), designed.caption);
  const int pixels = font_pixels(designed.font.points, app.dpi());
  const int wide = text_extent(sans_font(pixels, designed.font.weight).get(), designed.caption).cx;
  const int regular = text_extent(sans_font(pixels, FW_NORMAL).get(), designed.caption).cx;
  EXPECT_EQ(label.right - label.left, wide) << "not bold (regular would be " << regular << ")";
  for (const Control button : {Command1(0), Command1(1)}) {
    EXPECT_EQ(winapi::wide_from_utf8(RunningApp::text(app.control(button))),
              design::of(button).caption);
    EXPECT_EQ(IsWindowEnabled(app.control(button)) != FALSE, design::of(button).enabled);
  }
  EXPECT_LT(GetTickCount64() - started, 1900U) << "looked too late: the query was over";
  EXPECT_EQ(app.first_status(), "Automatic Update is Running");
  EXPECT_GE(GetTickCount64() - started, 1900U);
  // A close pressed during a slow query is handled once it returns.
  ASSERT_TRUE(app.double_click({app.pixels(3000), app.pixels(900)}));
  Sleep(300);
  PostMessageW(app.window(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(app.wait_for_exit(10000));
  EXPECT_EQ(app.exit_code(), 0U);
}

TEST(Storm, FiftyClicksAndDoubleClicksQueuedInAWaitLeaveItConsistent) {
  RunningApp app(Programs::simulated, L"ORVANEL_SIM_SECONDS=1.5");
  ASSERT_EQ(app.first_status(), "Automatic Update is Running");
  const HWND button = app.control(Command1(0));
  const RECT place = app.place(button);
  ASSERT_TRUE(app.click({(place.left + place.right) / 2, (place.top + place.bottom) / 2}));
  Sleep(100);  // the press is waiting now
  for (int k = 0; k < 50; ++k) {
    PostMessageW(app.window(), WM_COMMAND, MAKEWPARAM(win32::id_of(Command1(0)), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    PostMessageW(app.window(), WM_LBUTTONDBLCLK, MK_LBUTTON,
                 MAKELPARAM(app.pixels(3000), app.pixels(900)));
  }
  // Settled: the same answer twice, a few seconds apart, from a program
  // that still answers.
  std::string settled;
  ASSERT_TRUE(wait_for(
      [&] {
        const std::string before = app.status();
        Sleep(3000);
        DWORD_PTR ignored = 0;
        const bool answering =
            SendMessageTimeoutW(app.window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored) != 0;
        settled = app.status();
        return answering && settled == before;
      },
      120000));
  EXPECT_TRUE(settled == "Automatic Update is Running" || settled == "Automatic Update is Stopped")
      << settled;
  EXPECT_EQ(RunningApp::text(button), caption_for(settled));
  EXPECT_TRUE(IsWindowEnabled(button));
  // A refresh now finds the same.
  ASSERT_TRUE(app.double_click({app.pixels(3000), app.pixels(900)}));
  Sleep(500);
  EXPECT_EQ(app.status(), settled);
  PostMessageW(app.window(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(app.wait_for_exit(15000)) << "the program did not end when closed";
  EXPECT_EQ(app.exit_code(), 0U);
}

struct Usage {
  SIZE_T private_bytes = 0;
  SIZE_T working_set = 0;
  DWORD gdi = 0;
  DWORD user = 0;
  int windows = 0;
};

Usage usage_of(const RunningApp& app) {
  Usage usage;
  const winapi::unique_kernel_handle opened(
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, app.process_id()));
  const HANDLE process = opened.get();
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  // Wine leaves PrivateUsage at 0; the commit charge is the same figure.
  usage.private_bytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
  usage.working_set = memory.WorkingSetSize;
  usage.gdi = GetGuiResources(process, GR_GDIOBJECTS);
  usage.user = GetGuiResources(process, GR_USEROBJECTS);
  EnumChildWindows(
      app.window(), [](HWND, LPARAM count) -> BOOL { return ++*reinterpret_cast<int*>(count) > 0; },
      reinterpret_cast<LPARAM>(&usage.windows));
  return usage;
}

// ORVANEL_SOAK sets the number of refreshes (tools/soak.sh runs 10,000).
// The service stops or starts under the window before every query, so each
// refresh shows that it queried. A double-click is posted, as the mouse's
// would be: one sent from here would run the refresh inside this call,
// where Windows' COM refuses the calls to WMI.
TEST(Soak, ManyRefreshesLeaveNothingBehind) {
  const char* wanted = std::getenv("ORVANEL_SOAK");
  const int refreshes =
      wanted != nullptr ? static_cast<int>(std::strtol(wanted, nullptr, 10)) : 300;
  RunningApp app(Programs::simulated, L"ORVANEL_SIM_FLIPS=1");
  std::string shown = app.first_status();
  const LPARAM background = MAKELPARAM(app.pixels(3000), app.pixels(900));
  int refreshed = 0;
  const auto refresh = [&] {
    const std::string next = shown == "Automatic Update is Running" ? "Automatic Update is Stopped"
                                                                    : "Automatic Update is Running";
    PostMessageW(app.window(), WM_LBUTTONDBLCLK, MK_LBUTTON, background);
    if (!app.wait_for_status(next, 30000)) return false;
    shown = next;
    ++refreshed;
    return true;
  };
  // Settle the allocator and the caches first.
  for (int k = 0; k < 20; ++k) ASSERT_TRUE(refresh()) << "no query at settling refresh " << k;
  const Usage start = usage_of(app);
  for (int k = 0; k < refreshes; ++k) {
    ASSERT_TRUE(refresh()) << "refresh " << k << " showed no new state: " << app.status();
  }
  EXPECT_EQ(refreshed, refreshes + 20);
  const Usage end = usage_of(app);
  std::printf(
      "SOAK %d refreshes: private %zu -> %zu KiB, working set %zu -> %zu KiB, GDI %lu -> %lu, USER "
      "%lu -> %lu, "
      "windows %d -> %d\n",
      refreshes, start.private_bytes / 1024, end.private_bytes / 1024, start.working_set / 1024,
      end.working_set / 1024, start.gdi, end.gdi, start.user, end.user, start.windows, end.windows);
  EXPECT_TRUE(app.running());
  EXPECT_LE(end.private_bytes, start.private_bytes + SIZE_T{256} * 1024) << "private bytes grew";
  EXPECT_EQ(end.gdi, start.gdi);
  EXPECT_EQ(end.user, start.user);
  EXPECT_EQ(end.windows, start.windows);
}

}  // namespace
}  // namespace orvanel::testing
