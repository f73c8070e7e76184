// The window closed while a press or a query is under way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/form1.h"
#include "app/win32_form.h"
#include "win32/live_window_fixture.h"
#include "winapi/com.h"
#include "sim/sim_wmi.h"
#include "support/find.h"

namespace orvanel::win32 {
namespace {

using namespace std::string_literals;

TEST_F(LiveWindow, ClosingTheWindowUnderThePromptEndsThePressQuietly) {
  // Another program's box, of the same title, is none of this window's.
  const testing::OtherProgramsBox other;
  ASSERT_TRUE(other.shown()) << "the other program's box did not show";
  open_and_refresh(std::string("Running"));
  wmi.fail_from(sim::Operation::kMethod, Failure(-2147467263, "Not implemented"), 1);
  const HWND main = main_window();
  std::thread closer([main] {
    testing::find_dialog(GetCurrentProcessId(), L"Whoops");
    PostMessageW(main, WM_CLOSE, 0, 0);
  });
  std::vector<Step> steps;
  form->on_step = [&](Step step) { steps.push_back(step); };
  EXPECT_NO_THROW(form->Command1_Click(0))
      << ::testing::PrintToString(steps) << " unloaded " << window->unloaded();
  closer.join();
  EXPECT_TRUE(window->unloaded());
  EXPECT_EQ(testing::find_thread_window(GetCurrentThreadId(), L"#32770"), nullptr)
      << "a box outlived the window";
}

// On Windows, WMI answers from another process, and while this thread waits
// for it COM's modal loop delivers the messages other threads send to the
// window, such as another program's WM_CLOSE. The simulated service waits
// the same way here, in CoWaitForMultipleHandles, while a second thread
// sends the close.
class ClosedWhileWaiting : public ::testing::Test {
 protected:
  winapi::apartment apartment;
  int close_at = 0;  // the query (counted from 1) during which the window closes
  int queries = 0;
  sim::SimWmi wmi{[] { return static_cast<double>(GetTickCount64()) / 1000; },
                  [this](double /*seconds*/) {
                    if (++queries == close_at) close_from_another_thread();
                  }};
  std::optional<Win32Form> window;
  std::optional<Form1> form;
  // Every top-level window this thread creates from now on, boxes
  // included, by title: a box that a pending quit ends at once still counts.
  static inline std::vector<std::wstring> created;
  HHOOK hook = SetWindowsHookExW(WH_CBT, &note_creation, nullptr, GetCurrentThreadId());

  static LRESULT CALLBACK note_creation(int code, WPARAM w, LPARAM l) {
    if (code == HCBT_CREATEWND) {
      const CREATESTRUCTW& made = *reinterpret_cast<CBT_CREATEWNDW*>(l)->lpcs;
      if ((made.style & WS_CHILD) == 0) {
        created.emplace_back(
            made.lpszName != nullptr && !IS_INTRESOURCE(made.lpszName) ? made.lpszName : L"");
      }
    }
    return CallNextHookEx(nullptr, code, w, l);
  }

  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(apartment.result()));
    ASSERT_NE(hook, nullptr);
    wmi.add_service("wuauserv", std::string("Running"));
    wmi.set_transition_seconds(0);
    wmi.set_latency(sim::Operation::kExecQuery, 0.001);
    window.emplace(GetModuleHandleW(nullptr));
    form.emplace(*window, wmi);
  }
  void TearDown() override {
    UnhookWindowsHookEx(hook);
    created.clear();
    form.reset();
    window.reset();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  static HWND main_window() {
    return testing::find_thread_window(GetCurrentThreadId(), kWindowClass);
  }

  void close_from_another_thread() {
    const winapi::unique_kernel_handle sent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const HWND target = main_window();
    std::thread closer([&] {
      SendMessageW(target, WM_CLOSE, 0, 0);
      SetEvent(sent.get());
    });
    DWORD index = 0;
    HANDLE waited = sent.get();
    EXPECT_EQ(CoWaitForMultipleHandles(0, 5000, 1, &waited, &index), S_OK);
    closer.join();
  }

  // Runs this thread's messages until the program would end.
  bool pump_until_quit() {
    const ULONGLONG end = GetTickCount64() + 5000;
    MSG message;
    while (GetTickCount64() < end) {
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) return true;
        DispatchMessageW(&message);
      }
      Sleep(5);
    }
    return false;
  }

  // No window of this thread is left on the screen.
  static int visible_windows() {
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND shown, LPARAM found) -> BOOL {
          if (IsWindowVisible(shown)) ++*reinterpret_cast<int*>(found);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
  }
};

TEST_F(ClosedWhileWaiting, TheFirstRefreshLeavesNoBoxAndNoWindow) {
  close_at = 1;
  ASSERT_TRUE(window->create(*form));
  created.clear();
  EXPECT_TRUE(pump_until_quit()) << "the program would not end";
  EXPECT_TRUE(window->unloaded());
  EXPECT_EQ(queries, 1);
  EXPECT_TRUE(created.empty()) << created.size()
                               << " window(s) made after the close, a box among them";
  EXPECT_EQ(visible_windows(), 0);
}

TEST_F(ClosedWhileWaiting, APressEndsQuietlyWhetherAPollOrItsRefreshWaits) {
  for (const int closing : {2, 3}) {  // the press's poll, then its refresh
    SCOPED_TRACE(closing);
    queries = 0;
    close_at = closing;
    if (window->unloaded()) {
      form.reset();
      window.emplace(GetModuleHandleW(nullptr));
      form.emplace(*window, wmi);
    }
    wmi.set_state(0, std::string("Running"));
    ASSERT_TRUE(window->create(*form));
    const ULONGLONG end = GetTickCount64() + 5000;
    while (queries < 1 && GetTickCount64() < end) window->do_events();
    ASSERT_EQ(queries, 1) << "no first refresh";
    ASSERT_TRUE(IsWindowEnabled(GetDlgItem(main_window(), id_of(Command1(0)))));
    created.clear();
    form->Command1_Click(0);
    EXPECT_TRUE(window->unloaded());
    EXPECT_EQ(queries, closing) << "queried after the window was gone";
    EXPECT_TRUE(pump_until_quit()) << "the program would not end";
    EXPECT_TRUE(created.empty()) << created.size()
                                 << " window(s) made after the close, a box among them";
    EXPECT_EQ(visible_windows(), 0);
  }
}

}  // namespace
}  // namespace orvanel::win32
