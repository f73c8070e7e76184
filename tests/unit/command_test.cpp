#include <algorithm>
#include <iterator>
#include <ostream>

#include "unit/behaviour_fixture.h"

namespace orvanel {
namespace {

using testing::FormOp;
using Operation = sim::Operation;

constexpr int kEnd = 0;
const Failure kNotImplemented(-2147467263, "Not implemented");
const std::string kRunning = "Automatic Update is Running";
const std::string kStopped = "Automatic Update is Stopped";

// A press of the Start/Stop or Close button on a window that has shown its
// first status, with the route of numbered steps it took.
class Command : public testing::BehaviourTest {
 protected:
  std::vector<int> route;

  void SetUp() override {
    window.tick = 1;  // every clock reading is a second later
    form->on_step = [this](Step step) {
      route.push_back(static_cast<int>(step));
      if (hook) hook(static_cast<int>(step));
    };
  }

  // wuauserv in the given state, shown by a first refresh.
  void show(const std::string& state, bool refusing = false) {
    const std::size_t service = add_wuauserv(state);
    wmi.set_refusing(service, refusing);
    form->Form_Activate();
    window.pointers.clear();
    window.statuses.clear();
  }

  void press(std::int16_t index = 0) { form->Command1_Click(index); }

  [[nodiscard]] int polls() const { return static_cast<int>(std::ranges::count(route, 17)); }
  // The step the press went to after the first time it entered `step`.
  [[nodiscard]] int after(int step) const {
    const auto at = std::ranges::find(route, step);
    if (at == route.end()) return -1;
    return std::next(at) == route.end() ? kEnd : *std::next(at);
  }

  std::function<void(int)> hook;
};

// The whole map: each step failing once, answered each way.
enum class Scenario { kStop, kStart, kStuck, kClose };

struct Row {
  int step;
  MsgBoxAnswer answer;
  Scenario scenario;
  int next;  // the step the press continues at, or kEnd
  std::vector<std::string> requests;
  char status;  // '-' not refreshed, 'R' running, 'S' stopped
  int pointer;
  int polls = -1;  // -1: not checked
};

void PrintTo(const Row& row, std::ostream* out) {
  const char* answer = row.answer == MsgBoxAnswer::kAbort   ? "Abort"
                       : row.answer == MsgBoxAnswer::kRetry ? "Retry"
                                                            : "Ignore";
  *out << "step " << row.step << ", " << answer;
}

const std::vector<std::string> kStopRequest{"StopService #0"};
const std::vector<std::string> kStartRequest{"StartService #0"};
const std::vector<std::string> kNone{};

constexpr MsgBoxAnswer A = MsgBoxAnswer::kAbort;
constexpr MsgBoxAnswer R = MsgBoxAnswer::kRetry;
constexpr MsgBoxAnswer I = MsgBoxAnswer::kIgnore;
using enum Scenario;

// clang-format off
const Row kMap[] = {
  {1, A, kStop, kEnd, kNone, '-', 0},            {1, R, kStop, 1, kStopRequest, 'S', 0},
  {1, I, kStop, kEnd, kNone, '-', 0},
  {2, A, kClose, kEnd, kNone, '-', 0},           {2, R, kClose, 2, kNone, '-', 0},
  {2, I, kClose, kEnd, kNone, '-', 0},
  {3, A, kStop, kEnd, kNone, '-', 0},            {3, R, kStop, 3, kStopRequest, 'S', 0},
  {3, I, kStop, 4, kStopRequest, 'S', 0},
  {4, A, kStop, kEnd, kNone, '-', 11},           {4, R, kStop, 4, kStopRequest, 'S', 0},
  {4, I, kStop, 5, kNone, 'R', 0, 5},            // caption unread: no request, the wait runs out
  {5, A, kStart, kEnd, kNone, '-', 11},          {5, R, kStart, 5, kStartRequest, 'R', 0},
  {5, I, kStart, 6, kStopRequest, 'S', 0, 1},    // the stop branch, whatever the caption
  {6, A, kStop, kEnd, kNone, '-', 11},           {6, R, kStop, 6, kStopRequest, 'S', 0},
  {6, I, kStop, 7, kStopRequest, 'S', 0},
  {7, A, kStop, kEnd, kNone, '-', 11},           {7, R, kStop, 7, kStopRequest, 'S', 0},
  {7, I, kStop, 8, kStopRequest, 'S', 0},        // to the element the refresh left
  {8, A, kStop, kEnd, kNone, '-', 11},           {8, R, kStop, 8, kStopRequest, 'S', 0},
  {8, I, kStop, 9, kNone, 'R', 0, 5},
  {9, A, kStop, kEnd, kStopRequest, '-', 11},    {9, R, kStop, 9, kStopRequest, 'S', 0},
  {9, I, kStop, 15, kStopRequest, 'S', 0},
  {10, A, kStart, kEnd, kNone, '-', 11},         {10, R, kStart, 15, kNone, 'S', 0, 1},
  {10, I, kStart, 11, kStartRequest, 'R', 0},
  {11, A, kStart, kEnd, kNone, '-', 11},         {11, R, kStart, 11, kStartRequest, 'R', 0},
  {11, I, kStart, 12, kStartRequest, 'R', 0, 5}, // start flag left false: waits for "Stopped"
  {12, A, kStart, kEnd, kNone, '-', 11},         {12, R, kStart, 12, kStartRequest, 'R', 0},
  {12, I, kStart, 13, kStartRequest, 'R', 0},
  {13, A, kStart, kEnd, kNone, '-', 11},         {13, R, kStart, 13, kStartRequest, 'R', 0},
  {13, I, kStart, 14, kNone, 'S', 0, 5},
  {14, A, kStart, kEnd, kStartRequest, '-', 11}, {14, R, kStart, 14, kStartRequest, 'R', 0},
  {14, I, kStart, 15, kStartRequest, 'R', 0},
  {15, A, kStuck, kEnd, kStopRequest, '-', 11},  {15, R, kStuck, 15, kStopRequest, 'R', 0, 5},
  {15, I, kStuck, 16, kStopRequest, 'R', 0, 1},  // no deadline: one poll
  {16, A, kStop, kEnd, kStopRequest, '-', 11},   {16, R, kStop, 16, kStopRequest, 'S', 0},
  {16, I, kStop, 17, kStopRequest, 'S', 0},
  {17, A, kStop, kEnd, kStopRequest, '-', 11},   {17, R, kStop, 17, kStopRequest, 'S', 0, 2},
  {17, I, kStop, 18, kStopRequest, 'S', 0, 2},   // nothing polled: not the wanted state yet
  {18, A, kStuck, kEnd, kStopRequest, '-', 0},   {18, R, kStuck, 18, kStopRequest, 'R', 0, 5},
  {18, I, kStuck, 19, kStopRequest, 'R', 0, 1},  // taken as "Stopped"
  {19, A, kStop, kEnd, kStopRequest, '-', 0},    {19, R, kStop, 19, kStopRequest, 'S', 0},
  {19, I, kStop, 23, kStopRequest, 'S', 0},
  {20, A, kStart, kEnd, kStartRequest, '-', 0},  {20, R, kStart, 22, kStartRequest, 'R', 0, 2},
  {20, I, kStart, 21, kStartRequest, 'R', 0, 1},
  {21, A, kStart, kEnd, kStartRequest, '-', 0},  {21, R, kStart, 21, kStartRequest, 'R', 0},
  {21, I, kStart, 23, kStartRequest, 'R', 0},
  {22, A, kStuck, kEnd, kStopRequest, '-', 0},   {22, R, kStuck, 22, kStopRequest, 'R', 0, 5},
  {22, I, kStuck, 23, kStopRequest, 'R', 0, 1},
  {23, A, kStop, kEnd, kStopRequest, '-', 0},    {23, R, kStop, 23, kStopRequest, 'S', 0},
  {23, I, kStop, 24, kStopRequest, '-', 0},
  {24, A, kStop, kEnd, kStopRequest, 'S', 0},    {24, R, kStop, 24, kStopRequest, 'S', 0},
  {24, I, kStop, kEnd, kStopRequest, 'S', 0},
};
// clang-format on

class ResumeMap : public Command, public ::testing::WithParamInterface<Row> {
 protected:
  // Makes the step fail once, where it really can through the window or
  // the service, and otherwise as it begins.
  void arm(int step) {
    const auto once = [&](Operation op, int extra) {
      wmi.fail_once(op, kNotImplemented, wmi.calls(op) + extra);
    };
    switch (step) {
      case 2:
        window.fail(FormOp::kUnload, kNotImplemented);
        break;
      case 3:
        window.fail(FormOp::kPointer, kNotImplemented);
        break;
      case 4:
        window.fail(FormOp::kCaption, kNotImplemented);
        break;
      case 7:
      case 12:
        once(Operation::kOpenEnumeration, 1);
        break;
      case 8:
      case 13:
        once(Operation::kMethod, 1);
        break;
      case 9:
      case 14:
        once(Operation::kNextElement, 2);
        break;  // the first advance
      case 15:
        window.fail(FormOp::kClock, kNotImplemented);
        break;
      case 16:
        window.fail(FormOp::kDoEvents, kNotImplemented);
        break;
      case 22:
        hook = [this, fired = false](int s) mutable {
          if (s == 22 && !std::exchange(fired, true)) window.fail(FormOp::kClock, kNotImplemented);
        };
        break;
      case 23:
        window.fail(FormOp::kSetStatus, kNotImplemented);
        break;
      case 24:
        hook = [this](int s) {
          if (s == 24 && std::ranges::count(route, 24) == 1)
            window.fail(FormOp::kPointer, kNotImplemented);
        };
        break;
      default:
        hook = [this, step, fired = false](int s) mutable {
          if (s == step && !std::exchange(fired, true)) throw kNotImplemented;
        };
    }
  }
};

TEST_P(ResumeMap, GoesWhereTheMapSaysAndChangesOnlyWhatItReached) {
  const Row& row = GetParam();
  switch (row.scenario) {
    case kStop:
      show("Running");
      break;
    case kStart:
      show("Stopped");
      break;
    case kStuck:
      show("Running", true);
      break;
    case kClose:
      show("Running");
      break;
  }
  arm(row.step);
  window.answers = {row.answer};
  press(row.scenario == kClose ? kCloseButton : kStartStopButton);

  ASSERT_EQ(window.prompts, (std::vector<std::string>{"Error: Not implemented (#-2147467263)"}));
  EXPECT_EQ(window.titles.front(), "Whoops");
  EXPECT_EQ(window.styles.front(), 18);
  EXPECT_EQ(after(row.step), row.next) << ::testing::PrintToString(route);
  EXPECT_EQ(wmi.requests(), row.requests);
  const std::string status = row.status == 'R' ? kRunning : row.status == 'S' ? kStopped : "";
  EXPECT_EQ(window.statuses.empty() ? "" : window.statuses.back(), status);
  if (row.scenario == kClose) {
    EXPECT_EQ(window.is_unloaded, row.answer == R);
    EXPECT_TRUE(window.pointers.empty()) << "Close touched the pointer";
  } else {
    EXPECT_EQ(window.pointer, row.pointer);
  }
  if (row.polls >= 0) {
    EXPECT_EQ(polls(), row.polls) << ::testing::PrintToString(route);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryStep, ResumeMap, ::testing::ValuesIn(kMap));

TEST_F(Command, StopWithoutFailuresTakesTheShortRoadAndLeavesTheDefaultPointer) {
  show("Running");
  press();
  EXPECT_EQ(route, (std::vector<int>{1, 3, 4, 5, 6, 7, 8, 9, 15, 16, 17, 18, 19, 23, 24}));
  EXPECT_EQ(wmi.requests(), kStopRequest);
  EXPECT_EQ(window.status, kStopped);
  EXPECT_EQ(window.button_caption, "&Start");
  EXPECT_TRUE(window.button_enabled);
  // Hourglass until the poll, then each query's own, then the default.
  EXPECT_EQ(window.pointers, (std::vector<int>{11, 11, 0, 11, 0, 0}));
  EXPECT_TRUE(window.prompts.empty());
}

TEST_F(Command, TheWaitPollsUntilTheFiveSecondsAreUpAndAlternatesThePointer) {
  show("Running", true);  // the service ignores the request
  press();
  EXPECT_EQ(polls(), 5);
  EXPECT_EQ(window.status, kRunning);
  EXPECT_EQ(window.pointers.front(), 11);
  EXPECT_EQ(window.pointers.back(), 0);
  EXPECT_EQ(std::ranges::count(window.pointers, 11), 7) << "step 3, five polls, the refresh";
}

TEST_F(Command, ADeadlineSetJustBeforeMidnightStillEndsFiveSecondsLater) {
  show("Running", true);
  window.now = 86399.5;  // 23:59:59.5 on a time-of-day clock
  window.tick = 0.5;
  press();
  EXPECT_EQ(polls(), 10);
  EXPECT_NEAR(window.now, 86399.5 + 0.5 * 11, 1e-9) << "the clock was read past midnight";
}

TEST_F(Command, FiveSecondsCountFromTheReturnOfTheRequests) {
  show("Running", true);
  wmi.set_latency(Operation::kMethod, 30);  // a request that takes half a minute
  press();
  EXPECT_EQ(polls(), 5) << "the time the request took was counted in the wait";
}

TEST_F(Command, AServiceAlreadyInTheWantedStateIsPolledOnce) {
  show("Stopped");
  window.button_caption = "&Stop";  // a press whose request finds it stopped already
  press();
  EXPECT_EQ(polls(), 1);
  EXPECT_EQ(window.status, kStopped);
}

TEST_F(Command, ACaptionThatIsNeitherSendsNothingAndWaitsForStopped) {
  show("Running");
  window.button_caption = "&stop";
  press();
  EXPECT_TRUE(wmi.requests().empty());
  EXPECT_EQ(polls(), 5);
  EXPECT_EQ(window.status, kRunning);
  EXPECT_EQ(window.pointer, 0);

  route.clear();
  wmi.set_state(0, std::string("Stopped"));
  window.button_caption = "Start";
  press();
  EXPECT_TRUE(wmi.requests().empty());
  EXPECT_EQ(polls(), 1) << "no request: the wait looks for \"Stopped\"";
}

TEST_F(Command, EveryInstanceGetsTheRequestAndAnEmptyResultGetsNone) {
  show("Running");
  add_wuauserv("Running");
  form->Form_DblClick();
  press();
  EXPECT_EQ(wmi.requests(), (std::vector<std::string>{"StopService #0", "StopService #1"}));
  EXPECT_EQ(window.status, kStopped);

  // Ignoring a failed advance skips the rest of the walk; retrying it does not.
  wmi.set_state(0, std::string("Running"));
  wmi.set_state(1, std::string("Running"));
  form->Form_DblClick();
  wmi.fail_once(Operation::kNextElement, kNotImplemented, wmi.calls(Operation::kNextElement) + 2);
  window.answers = {MsgBoxAnswer::kIgnore};
  press();
  EXPECT_EQ(wmi.requests().size(), 3U);

  sim::SimWmi empty;
  testing::FakeWindow other;
  other.tick = 1;
  Form1 window_without_service(other, empty);
  window_without_service.Form_Activate();
  other.button_caption = "&Stop";
  window_without_service.Command1_Click(0);
  EXPECT_EQ(other.status, "Automatic Update is Undetectable");
  EXPECT_TRUE(other.prompts.empty());
  EXPECT_EQ(empty.calls(Operation::kMethod), 0);
}

TEST_F(Command, OtherIndexesChangeNothingAndCloseOnlyUnloads) {
  show("Running");
  for (const std::int16_t index : {std::int16_t{2}, std::int16_t{-1}, std::int16_t{32767}})
    press(index);
  EXPECT_TRUE(window.pointers.empty());
  EXPECT_FALSE(window.is_unloaded);
  press(1);
  EXPECT_TRUE(window.is_unloaded);
  EXPECT_TRUE(window.pointers.empty());
  EXPECT_TRUE(wmi.requests().empty());
  EXPECT_EQ(route, (std::vector<int>{1, 1, 1, 1, 2}));
}

TEST_F(Command, RetryPromptsOncePerAttemptAndAnyOtherAnswerAborts) {
  show("Running");
  wmi.fail_from(Operation::kMethod, kNotImplemented, wmi.calls(Operation::kMethod) + 1);
  window.answers = {R, R, R, MsgBoxAnswer{7}};
  press();
  EXPECT_EQ(window.prompts.size(), 4U);
  EXPECT_EQ(std::ranges::count(route, 8), 4);
  EXPECT_EQ(after(8), 8);
  EXPECT_EQ(route.back(), 8) << "an unknown answer must end the command";
  EXPECT_EQ(window.pointer, 11);
  EXPECT_TRUE(window.statuses.empty());
}

TEST_F(Command, IgnoringAFailedOpenTriesTheLastElementThenMovesOn) {
  show("Running");
  wmi.fail_once(Operation::kOpenEnumeration, kNotImplemented,
                wmi.calls(Operation::kOpenEnumeration) + 1);
  wmi.fail_once(Operation::kMethod, kNotImplemented, wmi.calls(Operation::kMethod) + 1);
  window.answers = {I, I};
  press();
  EXPECT_EQ(window.prompts.size(), 2U);
  EXPECT_EQ(after(7), 8);
  EXPECT_EQ(after(8), 9);
  EXPECT_EQ(after(9), 15);
}

TEST_F(Command, PromptTextsShowTheNumberAsItIs) {
  EXPECT_EQ(prompt_text(Failure(-2147217406, "Not found")), "Error: Not found (#-2147217406)");
  EXPECT_EQ(prompt_text(Failure(91, "Object variable or With block variable not set")),
            "Error: Object variable or With block variable not set (#91)");
  EXPECT_EQ(prompt_text(Failure(0, "")), "Error:  (#0)");
  EXPECT_EQ(prompt_text(Failure(-2147483647 - 1, "x")), "Error: x (#-2147483648)");
}

TEST_F(Command, AFailureWhilePromptingLeavesTheCommand) {
  show("Running");
  wmi.fail_once(Operation::kMethod, kNotImplemented, wmi.calls(Operation::kMethod) + 1);
  window.fail(FormOp::kMsgBox, Failure(7, "Out of memory"));
  try {
    press();
    ADD_FAILURE() << "the prompt's own failure was swallowed";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), 7);
  }
  EXPECT_EQ(route.back(), 8);
}

TEST_F(Command, AWindowUnloadedDuringTheWaitIsLeftAlone) {
  show("Running", true);
  window.on_do_events = [&] {
    if (window.pumps == 3)
      window.is_unloaded = true;  // the close box, inside the second pump of the wait
  };
  press();
  EXPECT_EQ(polls(), 1) << "polled a window that is gone";
  EXPECT_EQ(route.back(), 16);
  EXPECT_TRUE(window.statuses.empty());
}

TEST_F(Command, AWindowClosedWhileAQueryWaitsEndsThePressWithoutAPrompt) {
  // Another program closes the window while the service is being asked:
  // during a poll, and during the refresh that ends the press.
  show("Running");
  for (const int closing_query : {1, 2}) {
    SCOPED_TRACE(closing_query);
    window.is_unloaded = false;
    window.touched_after_unload = 0;
    wmi.set_state(0, std::string("Running"));
    form->Form_Activate();
    ASSERT_EQ(window.button_caption, "&Stop");
    const int before = wmi.calls(Operation::kExecQuery);
    wmi.set_latency(Operation::kExecQuery, 0.001);
    during_wait = [&] {
      if (wmi.calls(Operation::kExecQuery) - before == closing_query) window.is_unloaded = true;
    };
    press();
    during_wait = nullptr;
    wmi.set_latency(Operation::kExecQuery, 0);
    EXPECT_TRUE(window.prompts.empty()) << "a prompt for a window that is gone";
    EXPECT_EQ(window.touched_after_unload, 0);
    EXPECT_EQ(wmi.calls(Operation::kExecQuery) - before, closing_query) << "queried again";
  }
}

TEST_F(Command, ACloseNestedInTheWaitEndsBothPresses) {
  show("Running", true);
  window.on_do_events = [&] {
    if (window.pumps == 2) form->Command1_Click(1);
  };
  press();
  EXPECT_TRUE(window.is_unloaded);
  EXPECT_EQ(polls(), 0);
  EXPECT_TRUE(window.statuses.empty());
  EXPECT_EQ(wmi.calls(Operation::kConnect), 1) << "only the first refresh queried";
}

TEST_F(Command, ANestedPressRunsToItsEndAndTheOuterOneGoesOnWithItsOwnValues) {
  show("Running");
  wmi.set_transition_seconds(2.5);  // pending for a few polls
  bool nested = false;
  window.on_do_events = [&] {
    if (nested || window.pumps != 2) return;
    nested = true;
    // The button still reads "&Stop": a second stop request, and its own wait.
    form->Command1_Click(0);
  };
  press();
  EXPECT_EQ(wmi.requests(), (std::vector<std::string>{"StopService #0", "StopService #0"}));
  EXPECT_EQ(window.status, kStopped);
  EXPECT_EQ(window.statuses.size(), 2U) << "each press refreshes once at its end";
  EXPECT_EQ(window.pointer, 0);
  // The outer press kept waiting for "Stopped" and ended on it.
  EXPECT_EQ(route.back(), 24);
  EXPECT_EQ(std::ranges::count(route, 24), 2);
}

}  // namespace
}  // namespace orvanel
