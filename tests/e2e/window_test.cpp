#include <gtest/gtest.h>

#include <array>
#include <string>

#include "app/control_ids.h"
#include "app/forms.h"
#include "e2e/app.h"
#include "e2e/layout.h"
#include "support/find.h"
#include "support/service_state.h"

namespace orvanel::testing {
namespace {

TEST(Window, LooksAsDesignedAndShowsTheServiceState) {
  ORVANEL_REQUIRE_SERVICE_CONTROL();
  ASSERT_EQ(set_wuauserv_running(false), "");
  RunningApp app(Programs::real);
  EXPECT_EQ(app.first_status(), "Automatic Update is " + wuauserv_state());
  expect_layout(app);
  EXPECT_EQ(RunningApp::text(app.control(Command1(0))), "&Start");
  EXPECT_TRUE(IsWindowEnabled(app.control(Command1(0))));
}

TEST(Window, DoubleClickOnTheBackgroundRefreshesAndOnALabelDoesNot) {
  ORVANEL_REQUIRE_SERVICE_CONTROL();
  ASSERT_EQ(set_wuauserv_running(false), "");
  RunningApp app(Programs::real);
  ASSERT_EQ(app.first_status(), "Automatic Update is Stopped");
  const POINT background{app.pixels(3000), app.pixels(900)};

  ASSERT_EQ(set_wuauserv_running(true), "");
  for (const Control id : {Label1, Label2(0), Label2(1), Label3, Image1}) {
    const RECT place = app.place(app.control(id));
    ASSERT_TRUE(app.double_click({(place.left + place.right) / 2, (place.top + place.bottom) / 2}));
    Sleep(400);
  }
  Sleep(600);
  EXPECT_EQ(app.status(), "Automatic Update is Stopped") << "a double-click on a control refreshed";

  ASSERT_TRUE(app.double_click(background));
  EXPECT_TRUE(app.wait_for_status("Automatic Update is Running")) << app.status();
  EXPECT_EQ(RunningApp::text(app.control(Command1(0))), "&Stop");
  EXPECT_TRUE(IsWindowEnabled(app.control(Command1(0))));

  ASSERT_EQ(set_wuauserv_running(false), "");
  Sleep(600);
  ASSERT_TRUE(app.double_click(background));
  EXPECT_TRUE(app.wait_for_status("Automatic Update is Stopped")) << app.status();
  EXPECT_EQ(RunningApp::text(app.control(Command1(0))), "&Start");
}

TEST(Window, EscapeDoesNothingAndAltLEndsTheProgram) {
  RunningApp app(Programs::real);
  const std::string status = app.first_status();
  ORVANEL_REQUIRE_LETTERS_ON_THEIR_KEYS(app.window(), L"L");
  ASSERT_TRUE(app.keys({VK_ESCAPE}));
  Sleep(700);
  EXPECT_TRUE(app.running());
  EXPECT_EQ(app.status(), status);
  EXPECT_TRUE(IsWindowVisible(app.window()));

  ASSERT_TRUE(app.keys({VK_MENU, 'L'}));
  ASSERT_TRUE(app.wait_for_exit(5000)) << "Alt+L did not end the program";
  EXPECT_EQ(app.exit_code(), 0U);
}

// The control with the keyboard focus in the program's window.
int focused_id(const RunningApp& app) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(app.window(), nullptr), &info)) return 0;
  return GetDlgCtrlID(info.hwndFocus);
}

TEST(Window, AccessKeysTakeAltAndABareLetterPressesNothing) {
  RunningApp app(Programs::simulated);
  ASSERT_EQ(app.first_status(), "Automatic Update is Running");
  ASSERT_TRUE(IsWindowEnabled(app.control(Command1(0))));
  ORVANEL_REQUIRE_LETTERS_ON_THEIR_KEYS(app.window(), L"LS");
  // The simulated service stops within a second of a request. Each letter
  // is typed with the focus on each button.
  for (int position = 0; position < 2; ++position) {
    ASSERT_TRUE(app.keys({'S'}));
    ASSERT_TRUE(app.keys({'L'}));
    Sleep(300);
    ASSERT_TRUE(app.keys({VK_TAB}));
    Sleep(200);
  }
  Sleep(1500);
  ASSERT_TRUE(app.running()) << "a bare L closed the program";
  EXPECT_EQ(app.status(), "Automatic Update is Running") << "a bare S pressed Stop";
  EXPECT_EQ(RunningApp::text(app.control(Command1(0))), "&Stop");

  // Tab goes from one button to the other.
  const int before = focused_id(app);
  ASSERT_TRUE(app.keys({VK_TAB}));
  EXPECT_TRUE(wait_for([&] { return focused_id(app) != before; }, 2000));
  EXPECT_TRUE(focused_id(app) == win32::id_of(Command1(0)) ||
              focused_id(app) == win32::id_of(Command1(1)));

  ASSERT_TRUE(app.keys({VK_MENU, 'S'}));
  EXPECT_TRUE(app.wait_for_status("Automatic Update is Stopped")) << app.status();
  if (focused_id(app) != win32::id_of(Command1(0))) {
    ASSERT_TRUE(app.keys({VK_TAB}));
  }
  ASSERT_TRUE(wait_for([&] { return focused_id(app) == win32::id_of(Command1(0)); }, 2000));
  ASSERT_TRUE(app.keys({VK_SPACE}));
  EXPECT_TRUE(app.wait_for_status("Automatic Update is Running")) << app.status();
}

TEST(Window, TheCloseBoxEndsTheProgramAsCloseDoes) {
  RunningApp app(Programs::real);
  (void)app.first_status();
  PostMessageW(app.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(app.wait_for_exit(5000));
  EXPECT_EQ(app.exit_code(), 0U);
}

TEST(Window, EnterPressesOnlyTheFocusedButton) {
  ORVANEL_REQUIRE_SERVICE_CONTROL();
  ASSERT_EQ(set_wuauserv_running(false), "");
  RunningApp app(Programs::real);
  ASSERT_EQ(app.first_status(), "Automatic Update is Stopped");
  // The focus starts on Close, the first enabled button when the window
  // took the focus.
  ASSERT_TRUE(app.keys({VK_RETURN}));
  ASSERT_TRUE(app.wait_for_exit(5000)) << "Enter on the focused Close did not close";
  EXPECT_EQ(app.exit_code(), 0U);
}

}  // namespace
}  // namespace orvanel::testing
