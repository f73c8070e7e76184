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
#include "app/win32_controls.h"
#include "app/win32_form.h"
#include "win32/live_window_fixture.h"
#include "winapi/com.h"
#include "sim/sim_wmi.h"
#include "service/utf.h"
#include "win/find.h"
#include "win/input.h"
#include "win/process.h"
#include "win/screen.h"

namespace orvanel::win32 {
namespace {

using namespace std::string_literals;

// The commands of the window menu that Windows shows, read as the menu
// waits for the user, and the menu closed again.
std::vector<UINT> shown_menu;
bool menu_read = false;
LRESULT CALLBACK read_open_menu(int code, WPARAM w, LPARAM l) {
  const CWPSTRUCT& sent = *reinterpret_cast<CWPSTRUCT*>(l);
  if (code == HC_ACTION && sent.message == WM_ENTERIDLE && sent.wParam == MSGF_MENU && !menu_read) {
    const auto menu =
        reinterpret_cast<HMENU>(SendMessageW(reinterpret_cast<HWND>(sent.lParam), MN_GETHMENU, 0, 0));
    for (int k = 0; k < GetMenuItemCount(menu); ++k) shown_menu.push_back(GetMenuItemID(menu, k));
    menu_read = true;
    EndMenu();
  }
  return CallNextHookEx(nullptr, code, w, l);
}

TEST_F(LiveWindow, TheFirstActivationRefreshesOnceWithTheIconAndTheWindowMenuSet) {
  open_and_refresh(std::string("Running"));
  EXPECT_EQ(status(), "Automatic Update is Running");
  EXPECT_EQ(text_of(control(kIdStartStop)), L"&Stop");
  EXPECT_TRUE(IsWindowEnabled(control(kIdStartStop)));
  EXPECT_NE(shown_icon(ICON_BIG), nullptr);
  EXPECT_NE(shown_icon(ICON_SMALL), nullptr);
  // Activated again without having been left, as a window shown behind
  // another is when clicked: the focus stays where the first activation put it.
  ASSERT_EQ(GetFocus(), control(kIdClose));
  SendMessageW(window->handle(), WM_ACTIVATE, WA_CLICKACTIVE, 0);
  EXPECT_EQ(GetFocus(), control(kIdClose)) << "a second activation moved the focus";

  // The window menu, opened as Alt+Space opens it, offers only Move and Close.
  ASSERT_TRUE(to_front());
  shown_menu.clear();
  menu_read = false;
  const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &read_open_menu, nullptr, GetCurrentThreadId());
  // Should the menu never say it is open, it is closed all the same.
  const UINT_PTR timer = SetTimer(nullptr, 0, 3000, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
  PostMessageW(window->handle(), WM_SYSCOMMAND, SC_KEYMENU, VK_SPACE);
  pump_until([] { return menu_read; }, 4000);
  KillTimer(nullptr, timer);
  UnhookWindowsHookEx(hook);
  ASSERT_TRUE(menu_read) << "the window menu did not open";
  const auto offered = [&](int command) {
    return std::ranges::find(shown_menu, static_cast<UINT>(command)) != shown_menu.end();
  };
  for (const int command : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE}) {
    EXPECT_FALSE(offered(command)) << command;
  }
  for (const int command : {SC_MOVE, SC_CLOSE}) EXPECT_TRUE(offered(command)) << command;

  // Deactivating and activating again does not refresh.
  const int connects = wmi.calls(sim::Operation::kConnect);
  SendMessageW(window->handle(), WM_ACTIVATE, WA_INACTIVE, 0);
  SendMessageW(window->handle(), WM_ACTIVATE, WA_ACTIVE, 0);
  window->do_events();
  EXPECT_EQ(wmi.calls(sim::Operation::kConnect), connects);
}

TEST_F(LiveWindow, EverythingTheWindowMadeGoesWithIt) {
  open_and_refresh(std::string("Running"));
  const HWND main = window->handle();
  const HWND owner = GetWindow(main, GW_OWNER);
  std::vector<HGDIOBJ> objects;
  for (const int id : {kIdStartStop, kIdStatus, kIdNotice, kIdSign}) {
    objects.push_back(reinterpret_cast<HGDIOBJ>(SendMessageW(control(id), WM_GETFONT, 0, 0)));
  }
  objects.push_back(
      reinterpret_cast<HGDIOBJ>(SendMessageW(control(kIdPicture), STM_GETIMAGE, IMAGE_BITMAP, 0)));
  objects.push_back(reinterpret_cast<HGDIOBJ>(GetClassLongPtrW(main, GCLP_HBRBACKGROUND)));
  const HICON icon = shown_icon(ICON_BIG);
  for (HGDIOBJ object : objects) ASSERT_NE(GetObjectType(object), 0U);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);

  form.reset();
  window.reset();
  EXPECT_FALSE(IsWindow(main));
  EXPECT_FALSE(IsWindow(owner));
  for (HGDIOBJ object : objects) EXPECT_EQ(GetObjectType(object), 0U) << object;
  EXPECT_FALSE(GetIconInfo(icon, &info)) << "the icon outlived the window";
  WNDCLASSEXW registered{};
  registered.cbSize = sizeof registered;
  EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), kWindowClass, &registered))
      << "the class is still registered";
}

TEST_F(LiveWindow, TheHourglassCoversTheWindowAndItsControls) {
  open_and_refresh(std::string("Running"));
  ASSERT_TRUE(to_front()) << "the pointer is the program's only over its own window";
  const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  for (const int id : {kIdStartStop, kIdClose, kIdStatus, kIdNotice, kIdPicture}) {
    SCOPED_TRACE(id);
    const HWND under = control(id);
    const POINT at = testing::centre_on_screen(under);
    SetCursorPos(at.x, at.y);
    window->set_mouse_pointer(MousePointer::kHourglass);
    EXPECT_EQ(GetCursor(), wait) << "not shown at once";
    SetCursor(arrow);
    // What the system sends when the mouse moves over the control.
    SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), wait);
    window->set_mouse_pointer(MousePointer::kDefault);
    EXPECT_EQ(GetCursor(), arrow);
  }
}

TEST_F(LiveWindow, ADoubleClickOnTheGreyedButtonReachesTheWindow) {
  open_and_refresh(std::string("Paused"));
  const HWND button = control(kIdStartStop);
  ASSERT_FALSE(IsWindowEnabled(button));
  wmi.set_state(0, std::string("Running"));
  ASSERT_TRUE(click(button, 2));
  EXPECT_TRUE(pump_until([&] { return status() == "Automatic Update is Running"; })) << status();
}

TEST_F(LiveWindow, ACloseInsideThePumpEndsEverythingThatRuns) {
  open_and_refresh(std::string("Running"));
  const HWND main = window->handle();
  const int connects = wmi.calls(sim::Operation::kConnect);

  PostMessageW(main, WM_CLOSE, 0, 0);
  form->Form_Activate();  // its pump handles the close
  EXPECT_TRUE(window->unloaded());
  EXPECT_FALSE(IsWindow(main));
  EXPECT_EQ(wmi.calls(sim::Operation::kConnect), connects) << "queried after the window was gone";
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
      << "the program would not end";
  EXPECT_THROW(window->set_caption(Control::kStatus, "x"), Failure);
}

TEST_F(LiveWindow, ADisabledFocusedButtonParksTheFocusUntilItReturns) {
  open_and_refresh(std::string("Running"));
  const HWND button = control(kIdStartStop);
  SetFocus(button);
  // Disabled and enabled again before the window handles anything: the
  // focus never moves, and meanwhile the button takes no click.
  window->set_enabled(Control::kStartStop, false);
  SendMessageW(window->handle(), WM_COMMAND, MAKEWPARAM(kIdStartStop, BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
  EXPECT_EQ(wmi.requests().size(), 0U) << "a disabled button was pressed";
  window->set_enabled(Control::kStartStop, true);
  EXPECT_EQ(GetFocus(), button);
  window->do_events();
  EXPECT_EQ(GetFocus(), button);
  EXPECT_TRUE(IsWindowEnabled(button));

  // A disable that stands: the focus waits on the status line, neither on
  // the bare window nor on Close, and shows there as a focus frame.
  const auto framed = [&] {
    UpdateWindow(window->handle());
    RECT edge = place(control(kIdStatus));
    InflateRect(&edge, kFocusMargin, kFocusMargin);
    edge.bottom = edge.top + 1;
    return std::ranges::any_of(testing::capture(window->handle(), edge),
                               [](COLORREF pixel) { return pixel != RGB(212, 208, 200); });
  };
  SendMessageW(window->handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  window->set_enabled(Control::kStartStop, false);
  window->do_events();
  EXPECT_FALSE(IsWindowEnabled(button));
  EXPECT_EQ(GetFocus(), control(kIdStatus)) << "the focus must not fall to the window or to Close";
  EXPECT_TRUE(framed()) << "no focus frame";
  // Enter there presses nothing.
  ASSERT_TRUE(keys({VK_RETURN}));
  pump_until([] { return false; }, 300);
  EXPECT_FALSE(window->unloaded());
  EXPECT_EQ(wmi.requests().size(), 0U);
  window->set_enabled(Control::kStartStop, true);
  EXPECT_EQ(GetFocus(), button);
  EXPECT_FALSE(framed()) << "the frame outlived the focus";

  // A focus the user moved meanwhile stays where it is.
  window->set_enabled(Control::kStartStop, false);
  window->do_events();
  SetFocus(control(kIdClose));
  window->set_enabled(Control::kStartStop, true);
  EXPECT_EQ(GetFocus(), control(kIdClose));
}

TEST_F(LiveWindow, TheStatusLineFitsItsTextAndShowsItAsItStands) {
  open_and_refresh(std::string("Stopped"));
  const HWND label = control(kIdStatus);
  const RECT before = place(label);

  window->set_caption(Control::kStatus, "Automatic Update is " + std::string(2000, 'W'));
  const RECT wide = place(label);
  RECT client{};
  GetClientRect(window->handle(), &client);
  EXPECT_EQ(wide.left, before.left);
  EXPECT_EQ(wide.top, before.top);
  EXPECT_GT(wide.right, client.right) << "a long text is cut off by the window's edge, not wrapped";
  EXPECT_EQ(wide.bottom - wide.top, before.bottom - before.top) << "one line";

  window->set_caption(Control::kStatus, "A&B");
  const LONG with_ampersand = place(label).right;
  window->set_caption(Control::kStatus, "AB");
  EXPECT_GT(with_ampersand, place(label).right) << "the ampersand was taken as an access key";
  EXPECT_EQ(window->caption(Control::kStatus), "AB");

  const std::string astral = "Automatic Update is \xF0\x9F\x98\x80 \xE2\x82\xAC";
  window->set_caption(Control::kStatus, astral);
  EXPECT_EQ(window->caption(Control::kStatus), astral);
  window->set_caption(Control::kStatus, "Run\0ning"s);
  EXPECT_EQ(window->caption(Control::kStatus), "Run");
}

TEST_F(LiveWindow, DoEventsHandlesWhatIsWaitingIncludingPaint) {
  open_and_refresh(std::string("Stopped"));
  InvalidateRect(window->handle(), nullptr, TRUE);
  PostMessageW(control(kIdClose), WM_NULL, 0, 0);
  window->do_events();
  RECT dirty{};
  EXPECT_FALSE(GetUpdateRect(window->handle(), &dirty, FALSE)) << "painting was left waiting";
  MSG left;
  EXPECT_FALSE(PeekMessageW(&left, nullptr, 0, 0, PM_NOREMOVE)) << "a message was left waiting";
}

// Handlers that only count, to see what reaches them.
struct CountingEvents final : FormEvents {
  int activations = 0;
  int double_clicks = 0;
  std::vector<std::int16_t> clicks;
  void Form_Activate() override { ++activations; }
  void Form_DblClick() override { ++double_clicks; }
  void Command1_Click(std::int16_t index) override { clicks.push_back(index); }
};

TEST_F(LiveWindow, KeysReachOnlyEnabledButtonsAndEscapeNothing) {
  CountingEvents events;
  open(std::string("Running"), &events);
  ASSERT_TRUE(pump_until([&] { return events.activations == 1; }));
  const auto settle = [&] { pump_until([] { return false; }, 300); };

  ASSERT_TRUE(keys({VK_MENU, 'S'}));  // the Start/Stop button is still greyed
  ASSERT_TRUE(keys({VK_ESCAPE}));
  settle();
  EXPECT_TRUE(events.clicks.empty());

  window->set_enabled(Control::kStartStop, true);
  ASSERT_TRUE(keys({VK_MENU, 'S'}));
  settle();
  EXPECT_EQ(events.clicks, (std::vector<std::int16_t>{0}));

  SetFocus(control(kIdStartStop));
  ASSERT_TRUE(keys({VK_RETURN}));
  settle();
  SetFocus(control(kIdClose));
  ASSERT_TRUE(keys({VK_SPACE}));
  settle();
  ASSERT_TRUE(keys({VK_MENU, 'L'}));
  settle();
  EXPECT_EQ(events.clicks, (std::vector<std::int16_t>{0, 0, 1, 1}));
  EXPECT_EQ(events.double_clicks, 0);
  EXPECT_EQ(events.activations, 1);
}

TEST_F(LiveWindow, ClosingTheWindowUnderThePromptEndsThePressQuietly) {
  // Another program's box, of the same title, is none of this window's.
  const testing::OtherProgramsBox other;
  ASSERT_TRUE(other.shown()) << "the other program's box did not show";
  open_and_refresh(std::string("Running"));
  wmi.fail_from(sim::Operation::kMethod, Failure(-2147467263, "Not implemented"), 1);
  const HWND main = window->handle();
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

  void close_from_another_thread() {
    HANDLE sent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HWND target = window->handle();
    std::thread closer([&] {
      SendMessageW(target, WM_CLOSE, 0, 0);
      SetEvent(sent);
    });
    DWORD index = 0;
    EXPECT_EQ(CoWaitForMultipleHandles(0, 5000, 1, &sent, &index), S_OK);
    closer.join();
    CloseHandle(sent);
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
    ASSERT_TRUE(IsWindowEnabled(GetDlgItem(window->handle(), kIdStartStop)));
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

// Handlers that fail, to see the framework's boundary.
struct FailingEvents final : FormEvents {
  std::function<void()> failure;
  void Form_Activate() override { failure(); }
  void Form_DblClick() override { failure(); }
  void Command1_Click(std::int16_t) override { failure(); }
};

// Reads the message box that the window shows, then answers it.
std::string answer_box(const wchar_t* title) {
  const HWND box = testing::find_dialog(GetCurrentProcessId(), title);
  if (box == nullptr) return "<no box>";
  std::string text = testing::dialog_text(box);
  testing::answer_dialog(box, IDOK);
  return text;
}

TEST_F(LiveWindow, AFailureLeavingAHandlerIsShownAndTheProgramGoesOn) {
  FailingEvents events;
  events.failure = [] { throw Failure(-5, "broken \xE2\x82\xAC"); };
  std::string shown;
  std::thread reader([&] { shown = answer_box(L"Orvanel v1.0"); });
  open(std::string("Running"), &events);
  pump_until([&] { return !shown.empty(); });
  reader.join();
  EXPECT_EQ(shown, "Run-time error '-5':\n\nbroken \xE2\x82\xAC");
  EXPECT_FALSE(window->unloaded());

  events.failure = [] { throw std::bad_alloc(); };
  shown.clear();
  std::thread second([&] { shown = answer_box(L"Orvanel v1.0"); });
  SendMessageW(window->handle(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(200, 60));
  second.join();
  EXPECT_EQ(shown, "Run-time error '7':\n\nOut of memory");
  EXPECT_TRUE(IsWindow(window->handle()));
}

}  // namespace
}  // namespace orvanel::win32

#include "app/startup.h"

namespace orvanel::win32 {
namespace {

// On Windows a DLL that Windows itself keeps in System32\wbem and nowhere
// else on the search path shows that folder searched; nothing is written
// there. Wine's WMI DLLs are built in and load from anywhere, so under Wine
// the test's own DLL stands in for one, copied into the wbem folder of the
// tests' private prefix.
std::wstring wbem_only_dll(const std::wstring& system) {
  for (const wchar_t* name : {L"wbemprox.dll", L"fastprox.dll", L"wmiutils.dll", L"wbemsvc.dll"}) {
    const std::wstring in_wbem = system + L"\\wbem\\" + name;
    const std::wstring in_system = system + L"\\" + name;
    if (GetFileAttributesW(in_wbem.c_str()) != INVALID_FILE_ATTRIBUTES &&
        GetFileAttributesW(in_system.c_str()) == INVALID_FILE_ATTRIBUTES &&
        GetModuleHandleW(name) == nullptr) {
      return name;
    }
  }
  return {};
}

TEST(DllSearch, ADllBesideTheProgramIsNotFoundButOneInTheWbemFolderIs) {
  HMODULE beside = LoadLibraryW(L"orvanel_beside.dll");
  ASSERT_NE(beside, nullptr) << "the test DLL is not beside the program";
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(beside, path, MAX_PATH);
  FreeLibrary(beside);
  wchar_t system_folder[MAX_PATH] = {};
  GetSystemDirectoryW(system_folder, MAX_PATH);
  const std::wstring system = system_folder;
  std::wstring probe_name;
  std::wstring copied;
  if (testing::under_wine()) {
    probe_name = L"orvanel_wbem_probe.dll";
    copied = system + L"\\wbem\\" + probe_name;
    ASSERT_TRUE(CopyFileW(path, copied.c_str(), FALSE));
  } else {
    probe_name = wbem_only_dll(system);
    ASSERT_FALSE(probe_name.empty()) << "no DLL of WMI's found only in System32\\wbem";
  }

  restrict_dll_search();
  SetLastError(0);
  EXPECT_EQ(LoadLibraryW(L"orvanel_beside.dll"), nullptr) << "a DLL beside the program was loaded";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  HMODULE probe = LoadLibraryW(probe_name.c_str());
  EXPECT_NE(probe, nullptr) << "a DLL in the wbem folder was not found";
  EXPECT_NE(LoadLibraryW(L"version.dll"), nullptr) << "system DLLs must still load";
  if (probe != nullptr) FreeLibrary(probe);
  if (!copied.empty()) {
    EXPECT_TRUE(DeleteFileW(copied.c_str())) << "the copy was left behind";
  }
  // The rest of this program searches as usual again.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

}  // namespace
}  // namespace orvanel::win32
