// The live window in this process: its activation, what it makes and gives
// back, its pointer, its event pump and its failure boundary.
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
#include "sim/sim_wmi.h"
#include "support/find.h"
#include "support/screen.h"
#include "winapi/handles.h"

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
  EXPECT_EQ(text_of(control(Command1(0))), L"&Stop");
  EXPECT_TRUE(IsWindowEnabled(control(Command1(0))));
  EXPECT_NE(shown_icon(ICON_BIG), nullptr);
  EXPECT_NE(shown_icon(ICON_SMALL), nullptr);
  // Activated again without having been left, as a window shown behind
  // another is when clicked: the focus stays where the first activation put it.
  ASSERT_EQ(GetFocus(), control(Command1(1)));
  SendMessageW(main_window(), WM_ACTIVATE, WA_CLICKACTIVE, 0);
  EXPECT_EQ(GetFocus(), control(Command1(1))) << "a second activation moved the focus";

  // The window menu, opened as Alt+Space opens it, offers only Move and Close.
  ASSERT_TRUE(to_front());
  shown_menu.clear();
  menu_read = false;
  const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &read_open_menu, nullptr, GetCurrentThreadId());
  // Should the menu never say it is open, it is closed all the same.
  const UINT_PTR timer = SetTimer(nullptr, 0, 3000, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
  PostMessageW(main_window(), WM_SYSCOMMAND, SC_KEYMENU, VK_SPACE);
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
  SendMessageW(main_window(), WM_ACTIVATE, WA_INACTIVE, 0);
  SendMessageW(main_window(), WM_ACTIVATE, WA_ACTIVE, 0);
  window->do_events();
  EXPECT_EQ(wmi.calls(sim::Operation::kConnect), connects);
}

TEST_F(LiveWindow, EverythingTheWindowMadeGoesWithIt) {
  open_and_refresh(std::string("Running"));
  const HWND main = main_window();
  const HWND owner = GetWindow(main, GW_OWNER);
  std::vector<HGDIOBJ> objects;
  for (const Control id : {Command1(0), Label1, Label2(0), Label3}) {
    objects.push_back(reinterpret_cast<HGDIOBJ>(SendMessageW(control(id), WM_GETFONT, 0, 0)));
  }
  objects.push_back(
      reinterpret_cast<HGDIOBJ>(SendMessageW(control(Image1), STM_GETIMAGE, IMAGE_BITMAP, 0)));
  objects.push_back(reinterpret_cast<HGDIOBJ>(GetClassLongPtrW(main, GCLP_HBRBACKGROUND)));
  const HICON icon = shown_icon(ICON_BIG);
  for (HGDIOBJ object : objects) ASSERT_NE(GetObjectType(object), 0U);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  const winapi::unique_hbitmap colour(info.hbmColor);
  const winapi::unique_hbitmap mask(info.hbmMask);

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
  for (const Control id : {Command1(0), Command1(1), Label1, Label2(0), Image1}) {
    SCOPED_TRACE(id_of(id));
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
  const HWND button = control(Command1(0));
  ASSERT_FALSE(IsWindowEnabled(button));
  wmi.set_state(0, std::string("Running"));
  ASSERT_TRUE(click(button, 2));
  EXPECT_TRUE(pump_until([&] { return status() == "Automatic Update is Running"; })) << status();
}

TEST_F(LiveWindow, ACloseInsideThePumpEndsEverythingThatRuns) {
  open_and_refresh(std::string("Running"));
  const HWND main = main_window();
  const int connects = wmi.calls(sim::Operation::kConnect);

  PostMessageW(main, WM_CLOSE, 0, 0);
  form->Form_Activate();  // its pump handles the close
  EXPECT_TRUE(window->unloaded());
  EXPECT_FALSE(IsWindow(main));
  EXPECT_EQ(wmi.calls(sim::Operation::kConnect), connects) << "queried after the window was gone";
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
      << "the program would not end";
  EXPECT_THROW(window->set_caption(Label1, "x"), Failure);
}

TEST_F(LiveWindow, TheStatusLineFitsItsTextAndShowsItAsItStands) {
  open_and_refresh(std::string("Stopped"));
  const HWND label = control(Label1);
  const RECT before = place(label);

  window->set_caption(Label1, "Automatic Update is " + std::string(2000, 'W'));
  const RECT wide = place(label);
  RECT client{};
  GetClientRect(main_window(), &client);
  EXPECT_EQ(wide.left, before.left);
  EXPECT_EQ(wide.top, before.top);
  EXPECT_GT(wide.right, client.right) << "a long text is cut off by the window's edge, not wrapped";
  EXPECT_EQ(wide.bottom - wide.top, before.bottom - before.top) << "one line";

  window->set_caption(Label1, "A&B");
  const LONG with_ampersand = place(label).right;
  window->set_caption(Label1, "AB");
  EXPECT_GT(with_ampersand, place(label).right) << "the ampersand was taken as an access key";
  EXPECT_EQ(window->caption(Label1), "AB");

  const std::string astral = "Automatic Update is \xF0\x9F\x98\x80 \xE2\x82\xAC";
  window->set_caption(Label1, astral);
  EXPECT_EQ(window->caption(Label1), astral);
  window->set_caption(Label1, "Run\0ning"s);
  EXPECT_EQ(window->caption(Label1), "Run");
}

TEST_F(LiveWindow, DoEventsHandlesWhatIsWaitingIncludingPaint) {
  open_and_refresh(std::string("Stopped"));
  InvalidateRect(main_window(), nullptr, TRUE);
  PostMessageW(control(Command1(1)), WM_NULL, 0, 0);
  window->do_events();
  RECT dirty{};
  EXPECT_FALSE(GetUpdateRect(main_window(), &dirty, FALSE)) << "painting was left waiting";
  MSG left;
  EXPECT_FALSE(PeekMessageW(&left, nullptr, 0, 0, PM_NOREMOVE)) << "a message was left waiting";
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
  SendMessageW(main_window(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(200, 60));
  second.join();
  EXPECT_EQ(shown, "Run-time error '7':\n\nOut of memory");
  EXPECT_TRUE(IsWindow(main_window()));

  // A handler that closes the window before it fails: the box stands on its
  // own, and the program ends once it is answered.
  events.failure = [this] {
    window->unload();
    throw Failure(-5, "after the close");
  };
  shown.clear();
  std::thread third([&] { shown = answer_box(L"Orvanel v1.0"); });
  SendMessageW(main_window(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(200, 60));
  third.join();
  EXPECT_EQ(shown, "Run-time error '-5':\n\nafter the close");
  EXPECT_TRUE(window->unloaded());
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
      << "the program would not end";
}

}  // namespace
}  // namespace orvanel::win32
