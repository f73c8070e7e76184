#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "app/forms.h"
#include "e2e/app.h"
#include "support/find.h"
#include "support/service_state.h"

namespace orvanel::testing {
namespace {

using namespace std::string_literals;

// The error prompt as a person sees it.
struct Prompt {
  HWND box = nullptr;
  std::string text;

  explicit Prompt(const RunningApp& app, DWORD milliseconds = 10000)
      : box(find_dialog(app.process_id(), L"Whoops", milliseconds)), text(dialog_text(box)) {}
  [[nodiscard]] bool has_icon() const {
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return true;
    }
    return false;
  }
  void answer(int id) const { answer_dialog(box, id); }
};

// Where a refused request comes from. Wine's own WMI does not implement the
// methods and fails them with E_NOTIMPL and the system's text. Windows' WMI
// carries them out, so there, and under Wine too, the simulated service
// fails them with WMI's WBEM_E_ACCESS_DENIED (0x80041003) and its text.
struct Refusal {
  const char* name;
  bool real;
  std::wstring environment;
  const char* prompt;  // the prompt's text, as a pattern
};

// Two instances, the first failing once: Ignore goes on to the second,
// which starts, and the wait sees it.
const std::wstring kSimulatedRefusal =
    L"ORVANEL_SIM_STATE=Stopped\0ORVANEL_SIM_FAILURE=0x80041003 The current user does not have "
    L"permission to perform the action."s;
const std::wstring kOneRefusalOfTwo =
    kSimulatedRefusal + L"\0ORVANEL_SIM_INSTANCES=2\0ORVANEL_SIM_FAILURES=1"s;

std::vector<Refusal> refusals(const std::wstring& simulated_environment) {
  std::vector<Refusal> found{
      {"simulated", false, simulated_environment,
       R"(Error: The current user does not have permission to perform the action\. \(#-2147217405\))"}};
  if (under_wine()) found.push_back({"Wine's WMI", true, {}, R"(Error: \S.* \(#-2147467263\))"});
  return found;
}

// What the program shows, for a test that finds it other than it should.
std::string seen(const RunningApp& app) {
  if (!IsWindow(app.window())) return "its window is gone";
  std::string shown = "its window shows \"" + app.status() + "\", " +
                      (IsWindowEnabled(app.window()) ? "enabled" : "disabled");
  if (const Prompt prompt(app, 0); prompt.box != nullptr) shown += ", under \"" + prompt.text + "\"";
  return shown;
}

// The program with the service stopped, its Start pressed: the request is
// refused, and the prompt shows.
class ErrorPrompt : public ::testing::Test {
 protected:
  Prompt press_start(const Refusal& refusal) {
    if (refusal.real) {
      // Wine's own service, stopped for the press, is the test's to restore.
      EXPECT_EQ(hold_wuauserv_for_this_test(), "");
      EXPECT_EQ(set_wuauserv_running(false), "");
      app.emplace(Programs::real);
    } else {
      app.emplace(Programs::simulated, refusal.environment);
    }
    EXPECT_EQ(app->first_status(), "Automatic Update is Stopped");
    EXPECT_TRUE(app->click(app->centre(Command1(0))));
    return Prompt(*app);
  }

  std::optional<RunningApp> app;
};

TEST_F(ErrorPrompt, ARefusedStartShowsWhoopsAndRetryAndAbortDoWhatTheySay) {
  for (const Refusal& refusal : refusals(kSimulatedRefusal)) {
    SCOPED_TRACE(refusal.name);
    const Prompt first = press_start(refusal);
    ASSERT_NE(first.box, nullptr) << "no Whoops box";
    EXPECT_TRUE(std::regex_match(first.text, std::regex(refusal.prompt))) << first.text;
    for (const int id : {IDABORT, IDRETRY, IDIGNORE})
      EXPECT_NE(GetDlgItem(first.box, id), nullptr) << id;
    for (const int id : {IDOK, IDCANCEL, IDYES, IDNO})
      EXPECT_EQ(GetDlgItem(first.box, id), nullptr) << id;
    EXPECT_NE(GetWindowLongPtrW(GetDlgItem(first.box, IDABORT), GWL_STYLE) & BS_DEFPUSHBUTTON, 0)
        << "Abort is the default";
    EXPECT_TRUE(first.has_icon());
    EXPECT_FALSE(IsWindowEnabled(app->window())) << "the prompt is not modal over the window";

    first.answer(IDRETRY);
    const Prompt again(*app);
    ASSERT_NE(again.box, nullptr) << "Retry did not try again";
    EXPECT_EQ(again.text, first.text);

    again.answer(IDABORT);
    EXPECT_EQ(find_dialog(app->process_id(), L"Whoops", 1000), nullptr);
    EXPECT_EQ(app->status(), "Automatic Update is Stopped");
    EXPECT_TRUE(IsWindowEnabled(app->window()));
    if (refusal.real) {
      EXPECT_EQ(wuauserv_state(), "Stopped");
    }
  }
}

TEST_F(ErrorPrompt, IgnoreGoesOnToTheWaitWhichEndsOnTheWantedStateWithARefresh) {
  for (const Refusal& refusal : refusals(kOneRefusalOfTwo)) {
    SCOPED_TRACE(refusal.name);
    const Prompt prompt = press_start(refusal);
    ASSERT_NE(prompt.box, nullptr);
    prompt.answer(IDIGNORE);
    const ULONGLONG ignored = GetTickCount64();
    // The wait polls; the service starting by other means ends it.
    if (refusal.real) {
      ASSERT_EQ(set_wuauserv_running(true), "");
    }
    EXPECT_TRUE(app->wait_for_status("Automatic Update is Running", 4000)) << app->status();
    EXPECT_LT(GetTickCount64() - ignored, 4500U);
    EXPECT_EQ(RunningApp::text(app->control(Command1(0))), "&Stop");
    if (refusal.real) {
      ASSERT_EQ(set_wuauserv_running(false), "");
    }
  }
}

TEST_F(ErrorPrompt, CloseDuringTheWaitEndsTheProgramWithinTheWait) {
  for (const Refusal& refusal : refusals(kSimulatedRefusal)) {
    SCOPED_TRACE(refusal.name);
    const Prompt prompt = press_start(refusal);
    ASSERT_NE(prompt.box, nullptr);
    prompt.answer(IDIGNORE);
    const ULONGLONG closed = GetTickCount64();
    ASSERT_TRUE(app->click(app->centre(Command1(1))));
    ASSERT_TRUE(app->wait_for_exit(4000)) << "the program outlived the wait: " << seen(*app);
    EXPECT_LT(GetTickCount64() - closed, 2000U);
    EXPECT_EQ(app->exit_code(), 0U);
  }
}

// On Windows the requests reach the service control manager. With an
// administrator's rights a press of Stop and then of Start shows Stopped,
// then Running. wuauserv's default security descriptor grants any signed-in
// user SERVICE_START but only administrators SERVICE_STOP, so without the
// rights only Stop is refused, in the method's return value, which the
// program does not read: no prompt, and the state unchanged after the
// five-second wait. A standard user's Start would start the service, which
// only a run that asks may do.
TEST(RealService, StopAndStartTakeEffectWithTheRightsAndStopChangesNothingWithout) {
  if (under_wine()) {
    GTEST_SKIP() << "Wine's WMI does not implement StartService and StopService; ErrorPrompt.* "
                    "uses that refusal";
  }
  if (running_elevated()) {
    ORVANEL_REQUIRE_SERVICE_CONTROL();
  } else if (service_tests_required()) {
    FAIL() << "needs administrator rights to stop and start wuauserv";
  }
  const std::string before = wuauserv_state();
  if (!running_elevated() && before != "Running") {
    GTEST_SKIP() << "wuauserv is " << before << ": without administrator rights only a Stop is "
                 << "refused, and a standard user's Start would start it";
  }
  RunningApp app(Programs::real);
  ASSERT_EQ(app.first_status(), "Automatic Update is " + before);
  ASSERT_TRUE(IsWindowEnabled(app.control(Command1(0)))) << before;
  if (running_elevated()) {
    // A service slower than the five seconds shows a pending state at the
    // end of the press; a double-click looks again.
    const auto reaches = [&](const std::string& state) {
      for (int look = 0; look < 4; ++look) {
        if (app.wait_for_status("Automatic Update is " + state, 6000)) return true;
        EXPECT_TRUE(app.double_click({app.pixels(3000), app.pixels(900)}));
      }
      return false;
    };
    const std::string other = before == "Running" ? "Stopped" : "Running";
    for (const std::string& wanted : {other, before}) {
      ASSERT_TRUE(app.click(app.centre(Command1(0))));
      EXPECT_TRUE(reaches(wanted)) << app.status();
      EXPECT_EQ(wuauserv_state(), wanted);
    }
  } else {
    ASSERT_EQ(RunningApp::text(app.control(Command1(0))), "&Stop");
    ASSERT_TRUE(app.click(app.centre(Command1(0))));
    Sleep(6500);  // the wait, which never sees the wanted state, and the refresh
    EXPECT_EQ(app.status(), "Automatic Update is Running");
    EXPECT_EQ(wuauserv_state(), "Running");
  }
  EXPECT_EQ(find_dialog(app.process_id(), L"Whoops", 0), nullptr) << "a prompt showed";
}

TEST(Simulated, StopThenStartGoesRoundWithTheButtonFollowing) {
  RunningApp app(Programs::simulated);
  ASSERT_EQ(app.first_status(), "Automatic Update is Running");
  ASSERT_EQ(RunningApp::text(app.control(Command1(0))), "&Stop");

  ASSERT_TRUE(app.click(app.centre(Command1(0))));
  EXPECT_TRUE(app.wait_for_status("Automatic Update is Stopped", 6000)) << app.status();
  EXPECT_EQ(RunningApp::text(app.control(Command1(0))), "&Start");
  EXPECT_TRUE(IsWindowEnabled(app.control(Command1(0))));
  EXPECT_EQ(find_dialog(app.process_id(), L"Whoops", 0), nullptr);

  ASSERT_TRUE(app.click(app.centre(Command1(0))));
  EXPECT_TRUE(app.wait_for_status("Automatic Update is Running", 6000)) << app.status();
  EXPECT_EQ(RunningApp::text(app.control(Command1(0))), "&Stop");
}

TEST(Simulated, AWaitThatNeverSeesTheStateEndsAfterFiveSeconds) {
  RunningApp app(Programs::simulated, L"ORVANEL_SIM_SECONDS=60");
  ASSERT_EQ(app.first_status(), "Automatic Update is Running");
  const ULONGLONG pressed = GetTickCount64();
  ASSERT_TRUE(app.click(app.centre(Command1(0))));
  ASSERT_TRUE(app.wait_for_status("Automatic Update is Stop Pending", 10000)) << app.status();
  const ULONGLONG waited = GetTickCount64() - pressed;
  EXPECT_GE(waited, 4900U);
  EXPECT_LT(waited, 7000U);
  EXPECT_FALSE(IsWindowEnabled(app.control(Command1(0)))) << "a pending state greys the button";
}

}  // namespace
}  // namespace orvanel::testing
