// Where the keyboard focus goes and what keys reach.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/win32_geometry.h"
#include "app/win32_form.h"
#include "win32/live_window_fixture.h"
#include "sim/sim_wmi.h"
#include "support/input.h"
#include "support/screen.h"

namespace orvanel::win32 {
namespace {

using namespace std::string_literals;

TEST_F(LiveWindow, ADisabledFocusedButtonParksTheFocusUntilItReturns) {
  open_and_refresh(std::string("Running"));
  const HWND button = control(Command1(0));
  SetFocus(button);
  // Disabled and enabled again before the window handles anything: the
  // focus never moves, and meanwhile the button takes no click.
  window->set_enabled(Command1(kStartStopButton), false);
  SendMessageW(main_window(), WM_COMMAND, MAKEWPARAM(id_of(Command1(0)), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
  EXPECT_EQ(wmi.requests().size(), 0U) << "a disabled button was pressed";
  window->set_enabled(Command1(kStartStopButton), true);
  EXPECT_EQ(GetFocus(), button);
  window->do_events();
  EXPECT_EQ(GetFocus(), button);
  EXPECT_TRUE(IsWindowEnabled(button));

  // A disable that stands: the focus waits on the status line, neither on
  // the bare window nor on Close, and shows there as a focus frame.
  const auto framed = [&] {
    UpdateWindow(main_window());
    RECT edge = place(control(Label1));
    InflateRect(&edge, kFocusMargin, kFocusMargin);
    edge.bottom = edge.top + 1;
    return std::ranges::any_of(testing::capture(main_window(), edge),
                               [](COLORREF pixel) { return pixel != RGB(212, 208, 200); });
  };
  SendMessageW(main_window(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  window->set_enabled(Command1(kStartStopButton), false);
  window->do_events();
  EXPECT_FALSE(IsWindowEnabled(button));
  EXPECT_EQ(GetFocus(), control(Label1)) << "the focus must not fall to the window or to Close";
  EXPECT_TRUE(framed()) << "no focus frame";
  // Enter there presses nothing.
  ASSERT_TRUE(keys({VK_RETURN}));
  pump_until([] { return false; }, 300);
  EXPECT_FALSE(window->unloaded());
  EXPECT_EQ(wmi.requests().size(), 0U);
  window->set_enabled(Command1(kStartStopButton), true);
  EXPECT_EQ(GetFocus(), button);
  EXPECT_FALSE(framed()) << "the frame outlived the focus";

  // A focus the user moved meanwhile stays where it is.
  window->set_enabled(Command1(kStartStopButton), false);
  window->do_events();
  SetFocus(control(Command1(1)));
  window->set_enabled(Command1(kStartStopButton), true);
  EXPECT_EQ(GetFocus(), control(Command1(1)));
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
  ORVANEL_REQUIRE_LETTERS_ON_THEIR_KEYS(main_window(), L"LS");

  ASSERT_TRUE(keys({VK_MENU, 'S'}));  // the Start/Stop button is still greyed
  ASSERT_TRUE(keys({VK_ESCAPE}));
  settle();
  EXPECT_TRUE(events.clicks.empty());

  window->set_enabled(Command1(kStartStopButton), true);
  ASSERT_TRUE(keys({VK_MENU, 'S'}));
  settle();
  EXPECT_EQ(events.clicks, (std::vector<std::int16_t>{0}));

  SetFocus(control(Command1(0)));
  ASSERT_TRUE(keys({VK_RETURN}));
  settle();
  SetFocus(control(Command1(1)));
  ASSERT_TRUE(keys({VK_SPACE}));
  settle();
  ASSERT_TRUE(keys({VK_MENU, 'L'}));
  settle();
  EXPECT_EQ(events.clicks, (std::vector<std::int16_t>{0, 0, 1, 1}));
  EXPECT_EQ(events.double_clicks, 0);
  EXPECT_EQ(events.activations, 1);
}

}  // namespace
}  // namespace orvanel::win32
