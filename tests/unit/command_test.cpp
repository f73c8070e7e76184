#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <new>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "unit/behaviour_fixture.h"

namespace orvanel {
namespace {

using testing::FormOp;
using Operation = sim::Operation;

const Failure kNotImplemented(-2147467263, "Not implemented");
const std::string kRunning = "Automatic Update is Running";
const std::string kStopped = "Automatic Update is Stopped";

// A press of the Start/Stop or Close button on a window that has shown its
// first status, with the route of numbered steps it took.
class Command : public testing::BehaviourTest {
 protected:
  std::vector<Step> route;

  void SetUp() override {
    window.tick = 1;  // every clock reading is a second later
    form->on_step = [this](Step step) {
      route.push_back(step);
      if (hook) hook(step);
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

  [[nodiscard]] int polls() const {
    return static_cast<int>(std::ranges::count(route, Step::kPoll));
  }
  // The step the press went to after the first time it entered `step`, or
  // nothing if it never entered it.
  [[nodiscard]] std::optional<Step> after(Step step) const {
    const auto at = std::ranges::find(route, step);
    if (at == route.end()) return std::nullopt;
    return std::next(at) == route.end() ? Step::kEnd : *std::next(at);
  }

  std::function<void(Step)> hook;
};

// The whole map: each step failing once, answered each way.
enum class Scenario { kStop, kStart, kStuck, kClose };

struct Row {
  Step step;
  MsgBoxAnswer answer;
  Scenario scenario;
  Step next;  // the step the press continues at, or Step::kEnd
  std::vector<std::string> requests;
  char status;  // '-' not refreshed, 'R' running, 'S' stopped
  MousePointer pointer;
  int polls = -1;  // -1: not checked
};

void PrintTo(const Row& row, std::ostream* out) {
  const char* answer = row.answer == MsgBoxAnswer::kAbort   ? "Abort"
                       : row.answer == MsgBoxAnswer::kRetry ? "Retry"
                                                            : "Ignore";
  *out << "step " << static_cast<int>(row.step) << ", " << answer;
}

const std::vector<std::string> kStopRequest{"StopService #0"};
const std::vector<std::string> kStartRequest{"StartService #0"};
const std::vector<std::string> kNone{};

constexpr MsgBoxAnswer A = MsgBoxAnswer::kAbort;
constexpr MsgBoxAnswer R = MsgBoxAnswer::kRetry;
constexpr MsgBoxAnswer I = MsgBoxAnswer::kIgnore;
using enum Scenario;

// clang-format off
using enum Step;
constexpr MousePointer Hourglass = MousePointer::kHourglass;
constexpr MousePointer Default = MousePointer::kDefault;
const Row kMap[] = {
  {kChooseByIndex, A, kStop, kEnd, kNone, '-', Default},
  {kChooseByIndex, R, kStop, kChooseByIndex, kStopRequest, 'S', Default},
  {kChooseByIndex, I, kStop, kEnd, kNone, '-', Default},
  {kUnload, A, kClose, kEnd, kNone, '-', Default},
  {kUnload, R, kClose, kUnload, kNone, '-', Default},
  {kUnload, I, kClose, kEnd, kNone, '-', Default},
  {kHourglass, A, kStop, kEnd, kNone, '-', Default},
  {kHourglass, R, kStop, kHourglass, kStopRequest, 'S', Default},
  {kHourglass, I, kStop, kReadCaption, kStopRequest, 'S', Default},
  {kReadCaption, A, kStop, kEnd, kNone, '-', Hourglass},
  {kReadCaption, R, kStop, kReadCaption, kStopRequest, 'S', Default},
  // caption unread: no request, the wait runs out
  {kReadCaption, I, kStop, kIsStopCaption, kNone, 'R', Default, 5},
  {kIsStopCaption, A, kStart, kEnd, kNone, '-', Hourglass},
  {kIsStopCaption, R, kStart, kIsStopCaption, kStartRequest, 'R', Default},
  // the stop branch, whatever the caption
  {kIsStopCaption, I, kStart, kStartFlagFalse, kStopRequest, 'S', Default, 1},
  {kStartFlagFalse, A, kStop, kEnd, kNone, '-', Hourglass},
  {kStartFlagFalse, R, kStop, kStartFlagFalse, kStopRequest, 'S', Default},
  {kStartFlagFalse, I, kStop, kOpenStopWalk, kStopRequest, 'S', Default},
  {kOpenStopWalk, A, kStop, kEnd, kNone, '-', Hourglass},
  {kOpenStopWalk, R, kStop, kOpenStopWalk, kStopRequest, 'S', Default},
  // to the element the refresh left
  {kOpenStopWalk, I, kStop, kStopService, kStopRequest, 'S', Default},
  {kStopService, A, kStop, kEnd, kNone, '-', Hourglass},
  {kStopService, R, kStop, kStopService, kStopRequest, 'S', Default},
  {kStopService, I, kStop, kAdvanceStopWalk, kNone, 'R', Default, 5},
  {kAdvanceStopWalk, A, kStop, kEnd, kStopRequest, '-', Hourglass},
  {kAdvanceStopWalk, R, kStop, kAdvanceStopWalk, kStopRequest, 'S', Default},
  {kAdvanceStopWalk, I, kStop, kSetDeadline, kStopRequest, 'S', Default},
  {kIsStartCaption, A, kStart, kEnd, kNone, '-', Hourglass},
  {kIsStartCaption, R, kStart, kSetDeadline, kNone, 'S', Default, 1},
  {kIsStartCaption, I, kStart, kStartFlagTrue, kStartRequest, 'R', Default},
  {kStartFlagTrue, A, kStart, kEnd, kNone, '-', Hourglass},
  {kStartFlagTrue, R, kStart, kStartFlagTrue, kStartRequest, 'R', Default},
  // start flag left false: waits for "Stopped"
  {kStartFlagTrue, I, kStart, kOpenStartWalk, kStartRequest, 'R', Default, 5},
  {kOpenStartWalk, A, kStart, kEnd, kNone, '-', Hourglass},
  {kOpenStartWalk, R, kStart, kOpenStartWalk, kStartRequest, 'R', Default},
  {kOpenStartWalk, I, kStart, kStartService, kStartRequest, 'R', Default},
  {kStartService, A, kStart, kEnd, kNone, '-', Hourglass},
  {kStartService, R, kStart, kStartService, kStartRequest, 'R', Default},
  {kStartService, I, kStart, kAdvanceStartWalk, kNone, 'S', Default, 5},
  {kAdvanceStartWalk, A, kStart, kEnd, kStartRequest, '-', Hourglass},
  {kAdvanceStartWalk, R, kStart, kAdvanceStartWalk, kStartRequest, 'R', Default},
  {kAdvanceStartWalk, I, kStart, kSetDeadline, kStartRequest, 'R', Default},
  {kSetDeadline, A, kStuck, kEnd, kStopRequest, '-', Hourglass},
  {kSetDeadline, R, kStuck, kSetDeadline, kStopRequest, 'R', Default, 5},
  {kSetDeadline, I, kStuck, kPumpEvents, kStopRequest, 'R', Default, 1},  // no deadline: one poll
  {kPumpEvents, A, kStop, kEnd, kStopRequest, '-', Hourglass},
  {kPumpEvents, R, kStop, kPumpEvents, kStopRequest, 'S', Default},
  {kPumpEvents, I, kStop, kPoll, kStopRequest, 'S', Default},
  {kPoll, A, kStop, kEnd, kStopRequest, '-', Hourglass},
  {kPoll, R, kStop, kPoll, kStopRequest, 'S', Default, 2},
  // nothing polled: not the wanted state yet
  {kPoll, I, kStop, kPolledStopped, kStopRequest, 'S', Default, 2},
  {kPolledStopped, A, kStuck, kEnd, kStopRequest, '-', Default},
  {kPolledStopped, R, kStuck, kPolledStopped, kStopRequest, 'R', Default, 5},
  {kPolledStopped, I, kStuck, kStopWanted, kStopRequest, 'R', Default, 1},  // taken as "Stopped"
  {kStopWanted, A, kStop, kEnd, kStopRequest, '-', Default},
  {kStopWanted, R, kStop, kStopWanted, kStopRequest, 'S', Default},
  {kStopWanted, I, kStop, kRefresh, kStopRequest, 'S', Default},
  {kPolledRunning, A, kStart, kEnd, kStartRequest, '-', Default},
  {kPolledRunning, R, kStart, kDeadlineTest, kStartRequest, 'R', Default, 2},
  {kPolledRunning, I, kStart, kStartWanted, kStartRequest, 'R', Default, 1},
  {kStartWanted, A, kStart, kEnd, kStartRequest, '-', Default},
  {kStartWanted, R, kStart, kStartWanted, kStartRequest, 'R', Default},
  {kStartWanted, I, kStart, kRefresh, kStartRequest, 'R', Default},
  {kDeadlineTest, A, kStuck, kEnd, kStopRequest, '-', Default},
  {kDeadlineTest, R, kStuck, kDeadlineTest, kStopRequest, 'R', Default, 5},
  {kDeadlineTest, I, kStuck, kRefresh, kStopRequest, 'R', Default, 1},
  {kRefresh, A, kStop, kEnd, kStopRequest, '-', Default},
  {kRefresh, R, kStop, kRefresh, kStopRequest, 'S', Default},
  {kRefresh, I, kStop, kDefaultPointer, kStopRequest, '-', Default},
  {kDefaultPointer, A, kStop, kEnd, kStopRequest, 'S', Default},
  {kDefaultPointer, R, kStop, kDefaultPointer, kStopRequest, 'S', Default},
  {kDefaultPointer, I, kStop, kEnd, kStopRequest, 'S', Default},
};
// clang-format on

class ResumeMap : public Command, public ::testing::WithParamInterface<Row> {
 protected:
  // Makes the step fail once, where it really can through the window or
  // the service, and otherwise as it begins.
  void arm(Step step) {
    const auto once = [&](Operation op, int extra) {
      wmi.fail_once(op, kNotImplemented, wmi.calls(op) + extra);
    };
    switch (step) {
      case Step::kUnload:
        window.fail(FormOp::kUnload, kNotImplemented);
        break;
      case Step::kHourglass:
        window.fail(FormOp::kPointer, kNotImplemented);
        break;
      case Step::kReadCaption:
        window.fail(FormOp::kCaption, kNotImplemented);
        break;
      case Step::kOpenStopWalk:
      case Step::kOpenStartWalk:
        once(Operation::kOpenEnumeration, 1);
        break;
      case Step::kStopService:
      case Step::kStartService:
        once(Operation::kMethod, 1);
        break;
      case Step::kAdvanceStopWalk:
      case Step::kAdvanceStartWalk:
        once(Operation::kNextElement, 2);
        break;  // the first advance
      case Step::kSetDeadline:
        window.fail(FormOp::kClock, kNotImplemented);
        break;
      case Step::kPumpEvents:
        window.fail(FormOp::kDoEvents, kNotImplemented);
        break;
      case Step::kDeadlineTest:
        hook = [this, fired = false](Step s) mutable {
          if (s == Step::kDeadlineTest && !std::exchange(fired, true)) {
            window.fail(FormOp::kClock, kNotImplemented);
          }
        };
        break;
      case Step::kRefresh:
        window.fail(FormOp::kSetStatus, kNotImplemented);
        break;
      case Step::kDefaultPointer:
        hook = [this](Step s) {
          if (s == Step::kDefaultPointer && std::ranges::count(route, Step::kDefaultPointer) == 1)
            window.fail(FormOp::kPointer, kNotImplemented);
        };
        break;
      default:
        hook = [this, step, fired = false](Step s) mutable {
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
  EXPECT_EQ(route, (std::vector<Step>{kChooseByIndex, kHourglass, kReadCaption, kIsStopCaption,
                                      kStartFlagFalse, kOpenStopWalk, kStopService,
                                      kAdvanceStopWalk, kSetDeadline, kPumpEvents, kPoll,
                                      kPolledStopped, kStopWanted, kRefresh, kDefaultPointer}));
  EXPECT_EQ(wmi.requests(), kStopRequest);
  EXPECT_EQ(window.status, kStopped);
  EXPECT_EQ(window.button_caption, "&Start");
  EXPECT_TRUE(window.button_enabled);
  // Hourglass until the poll, then each query's own, then the default.
  EXPECT_EQ(window.pointers, (std::vector<MousePointer>{Hourglass, Hourglass, Default, Hourglass,
                                                        Default, Default}));
  EXPECT_TRUE(window.prompts.empty());
}

TEST_F(Command, TheWaitPollsUntilTheFiveSecondsAreUpAndAlternatesThePointer) {
  show("Running", true);  // the service ignores the request
  press();
  EXPECT_EQ(polls(), 5);
  EXPECT_EQ(window.status, kRunning);
  EXPECT_EQ(window.pointers.front(), MousePointer::kHourglass);
  EXPECT_EQ(window.pointers.back(), MousePointer::kDefault);
  EXPECT_EQ(std::ranges::count(window.pointers, MousePointer::kHourglass), 7)
      << "step 3, five polls, the refresh";
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
  EXPECT_EQ(window.pointer, MousePointer::kDefault);

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
  EXPECT_EQ(route, (std::vector<Step>{kChooseByIndex, kChooseByIndex, kChooseByIndex,
                                      kChooseByIndex, kUnload}));
}

TEST_F(Command, RetryPromptsOncePerAttemptAndAnyOtherAnswerAborts) {
  show("Running");
  wmi.fail_from(Operation::kMethod, kNotImplemented, wmi.calls(Operation::kMethod) + 1);
  window.answers = {R, R, R, MsgBoxAnswer{7}};
  press();
  EXPECT_EQ(window.prompts.size(), 4U);
  EXPECT_EQ(std::ranges::count(route, Step::kStopService), 4);
  EXPECT_EQ(after(Step::kStopService), Step::kStopService);
  EXPECT_EQ(route.back(), Step::kStopService) << "an unknown answer must end the command";
  EXPECT_EQ(window.pointer, MousePointer::kHourglass);
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
  EXPECT_EQ(after(Step::kOpenStopWalk), Step::kStopService);
  EXPECT_EQ(after(Step::kStopService), Step::kAdvanceStopWalk);
  EXPECT_EQ(after(Step::kAdvanceStopWalk), Step::kSetDeadline);
}

TEST_F(Command, PromptTextsShowTheNumberAsItIs) {
  EXPECT_EQ(prompt_text(Failure(-2147217406, "Not found")), "Error: Not found (#-2147217406)");
  EXPECT_EQ(prompt_text(Failure(91, "Object variable or With block variable not set")),
            "Error: Object variable or With block variable not set (#91)");
  EXPECT_EQ(prompt_text(Failure(0, "")), "Error:  (#0)");
  EXPECT_EQ(prompt_text(Failure(-2147483647 - 1, "x")), "Error: x (#-2147483648)");

  // What a step throws that is not a failure is prompted as one: out of
  // memory as the forms runtime's error 7, a text too long for a string or
  // its conversion as its error 14, anything else as the program's own 51,
  // with the exception's text where it has one.
  struct Thrown {
    std::function<void()> raise;
    std::string prompt;
  };
  const Thrown thrown[] = {
      {[] { throw std::bad_alloc(); }, "Error: Out of memory (#7)"},
      {[] { throw std::length_error("too long"); }, "Error: Out of string space (#14)"},
      {[] { throw std::runtime_error("disk full"); }, "Error: disk full (#51)"},
      {[] { throw 42; }, "Error: Internal error (#51)"},
  };
  show("Running", true);
  for (const Thrown& one : thrown) {
    SCOPED_TRACE(one.prompt);
    route.clear();
    window.prompts.clear();
    window.on_do_events = [&] {
      if (std::ranges::count(route, Step::kPumpEvents) == 1) one.raise();
    };
    window.answers = {I};
    press();
    EXPECT_EQ(window.prompts, (std::vector<std::string>{one.prompt}));
    EXPECT_EQ(after(Step::kPumpEvents), Step::kPoll) << "Ignore goes on after the pump";
    EXPECT_EQ(window.pointer, MousePointer::kDefault);
  }
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
  EXPECT_EQ(route.back(), Step::kStopService);
}

TEST_F(Command, AWindowUnloadedDuringTheWaitIsLeftAlone) {
  show("Running", true);
  window.on_do_events = [&] {
    if (window.pumps == 3)
      window.is_unloaded = true;  // the close box, inside the second pump of the wait
  };
  press();
  EXPECT_EQ(polls(), 1) << "polled a window that is gone";
  EXPECT_EQ(route.back(), Step::kPumpEvents);
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
  EXPECT_EQ(window.pointer, MousePointer::kDefault);
  // The outer press kept waiting for "Stopped" and ended on it.
  EXPECT_EQ(route.back(), Step::kDefaultPointer);
  EXPECT_EQ(std::ranges::count(route, Step::kDefaultPointer), 2);
}

}  // namespace
}  // namespace orvanel
