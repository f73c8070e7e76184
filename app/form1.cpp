#include "app/form1.h"

#include <array>
#include <cstddef>
#include <optional>
#include <utility>

namespace orvanel {
namespace {

constexpr std::string_view kMoniker = "winmgmts:\\\\.\\root\\cimv2";
constexpr std::string_view kQuery = "Select * from Win32_Service where Name = 'wuauserv'";
constexpr std::string_view kRunning = "Running";
constexpr std::string_view kStopped = "Stopped";
constexpr std::string_view kUndetectable = "Undetectable";
constexpr double kWaitSeconds = 5;

// Where the command goes after a failed step: Retry re-enters, Ignore
// continues. A step that closes a branch carries that branch's exit, which is
// why a few rows do not simply point at the step itself and the next one.
struct Resume {
  Step step;
  Step retry;
  Step ignore;
};
using enum Step;
constexpr std::array<Resume, 25> kResume{{
    {kEnd, kEnd, kEnd},
    {kChooseByIndex, kChooseByIndex, kEnd},
    {kUnload, kUnload, kEnd},
    {kHourglass, kHourglass, kReadCaption},
    {kReadCaption, kReadCaption, kIsStopCaption},
    {kIsStopCaption, kIsStopCaption, kStartFlagFalse},
    {kStartFlagFalse, kStartFlagFalse, kOpenStopWalk},
    {kOpenStopWalk, kOpenStopWalk, kStopService},
    {kStopService, kStopService, kAdvanceStopWalk},
    {kAdvanceStopWalk, kAdvanceStopWalk, kSetDeadline},
    {kIsStartCaption, kSetDeadline, kStartFlagTrue},
    {kStartFlagTrue, kStartFlagTrue, kOpenStartWalk},
    {kOpenStartWalk, kOpenStartWalk, kStartService},
    {kStartService, kStartService, kAdvanceStartWalk},
    {kAdvanceStartWalk, kAdvanceStartWalk, kSetDeadline},
    {kSetDeadline, kSetDeadline, kPumpEvents},
    {kPumpEvents, kPumpEvents, kPoll},
    {kPoll, kPoll, kPolledStopped},
    {kPolledStopped, kPolledStopped, kStopWanted},
    {kStopWanted, kStopWanted, kRefresh},
    {kPolledRunning, kDeadlineTest, kStartWanted},
    {kStartWanted, kStartWanted, kRefresh},
    {kDeadlineTest, kDeadlineTest, kRefresh},
    {kRefresh, kRefresh, kDefaultPointer},
    {kDefaultPointer, kDefaultPointer, kEnd},
}};

constexpr std::size_t index_of(Step step) {
  return static_cast<std::size_t>(step);
}

// Each row stands at its step's number.
constexpr bool rows_in_order() {
  for (std::size_t k = 0; k < kResume.size(); ++k) {
    if (index_of(kResume.at(k).step) != k) return false;
  }
  return true;
}
static_assert(rows_in_order());

Step resume_after(Step step, MsgBoxAnswer answer) {
  switch (answer) {
    case MsgBoxAnswer::kRetry:
      return kResume.at(index_of(step)).retry;
    case MsgBoxAnswer::kIgnore:
      return kResume.at(index_of(step)).ignore;
    case MsgBoxAnswer::kAbort:
    default:
      return kEnd;
  }
}

// A state query step that fails is simply dropped, whatever it throws.
template <typename Action>
void attempt(Action&& action) {
  try {
    std::forward<Action>(action)();
  } catch (...) {
  }
}

// The query's steps on the window, taken only while there is one: where WMI
// answers from another process, the window can be closed while the query
// waits for it.
template <typename Action>
void attempt_on(const Forms& forms, Action&& action) {
  if (!forms.unloaded()) attempt(std::forward<Action>(action));
}

}  // namespace

// What one press of a button keeps while it runs; a nested press has its own.
struct Form1::Press {
  std::int16_t index = 0;
  std::string caption;
  bool start = false;
  double deadline = 0;
  std::string polled;
  std::optional<Enumeration> walk;
};

Form1::Form1(Forms& forms, Binder& wmi) : forms_(forms), wmi_(wmi), query_(std::string(kQuery)) {}

std::string Form1::GetServiceState() {
  std::string result;
  attempt_on(forms_, [&] { forms_.set_mouse_pointer(MousePointer::kHourglass); });
  attempt([&] { ServicesConnection = wmi_.bind(kMoniker); });
  attempt([&] {
    ServiceQueryResult = object_of(ServicesConnection.call("ExecQuery", {&query_, 1}));
  });

  std::optional<Enumeration> walk;
  // When opening the walk fails, the state is still read once, from whatever
  // the previous walk left behind.
  bool have_element = true;
  attempt([&] { have_element = open_walk(walk); });
  while (have_element) {
    attempt([&] { result = text_of(CurrentService.property("State")); });
    have_element = false;
    attempt([&] { have_element = advance_walk(walk); });
  }

  attempt_on(forms_, [&] { forms_.set_enabled(Command1(kStartStopButton), false); });
  if (result == kRunning) {
    attempt_on(forms_, [&] { forms_.set_caption(Command1(kStartStopButton), kStopCaption); });
    attempt_on(forms_, [&] { forms_.set_enabled(Command1(kStartStopButton), true); });
  } else if (result == kStopped) {
    attempt_on(forms_, [&] { forms_.set_caption(Command1(kStartStopButton), kStartCaption); });
    attempt_on(forms_, [&] { forms_.set_enabled(Command1(kStartStopButton), true); });
  } else {
    attempt_on(forms_, [&] { forms_.set_caption(Command1(kStartStopButton), kStartCaption); });
    attempt_on(forms_, [&] { forms_.set_enabled(Command1(kStartStopButton), false); });
    if (result.empty()) result = kUndetectable;
  }
  attempt_on(forms_, [&] { forms_.set_mouse_pointer(MousePointer::kDefault); });
  return result;
}

void Form1::Form_Activate() {
  forms_.do_events();
  // A Close handled inside the pump has taken the window away.
  if (forms_.unloaded()) return;
  const std::string state = GetServiceState();
  // ... or while the query waited for the service.
  if (forms_.unloaded()) return;
  std::string status;
  status.reserve(kStatusPrefix.size() + state.size());
  status.append(kStatusPrefix).append(state);
  forms_.set_caption(Label1, status);
}

void Form1::Form_DblClick() {
  Form_Activate();
}

void Form1::Command1_Click(std::int16_t index) {
  Press press;
  press.index = index;
  Step step = kChooseByIndex;
  // Once the window is gone, whether by this press or one nested in its
  // pump, the press leaves it alone and ends.
  while (step != kEnd && !forms_.unloaded()) {
    try {
      if (on_step) on_step(step);
      step = run_step(step, press);
    } catch (...) {
      // A window closed under a failing step takes the press with it: there
      // is nothing left to prompt over.
      if (forms_.unloaded()) break;
      const MsgBoxAnswer answer = forms_.msg_box(prompt_text(current_failure()), "Whoops",
                                                 MsgBoxStyle::kAbortRetryIgnoreCritical);
      step = resume_after(step, answer);
    }
  }
}

// Each step gives the step that follows it. A step that fails assigns
// nothing: values are stored only after all that can fail.
Step Form1::run_step(Step step, Press& press) {
  switch (step) {
    case kChooseByIndex:
      return press.index == kCloseButton       ? kUnload
             : press.index == kStartStopButton ? kHourglass
                                               : kEnd;
    case kUnload:
      forms_.unload();
      return kEnd;
    case kHourglass:
      forms_.set_mouse_pointer(MousePointer::kHourglass);
      return kReadCaption;
    case kReadCaption:
      press.caption = forms_.caption(Command1(kStartStopButton));
      return kIsStopCaption;
    case kIsStopCaption:
      return press.caption == kStopCaption ? kStartFlagFalse : kIsStartCaption;
    case kStartFlagFalse:
      press.start = false;
      return kOpenStopWalk;
    case kOpenStopWalk:
      return open_walk(press.walk) ? kStopService : kSetDeadline;
    case kStopService:
      CurrentService.call_without_result("StopService");
      return kAdvanceStopWalk;
    case kAdvanceStopWalk:
      return advance_walk(press.walk) ? kStopService : kSetDeadline;
    case kIsStartCaption:
      return press.caption == kStartCaption ? kStartFlagTrue : kSetDeadline;
    case kStartFlagTrue:
      press.start = true;
      return kOpenStartWalk;
    case kOpenStartWalk:
      return open_walk(press.walk) ? kStartService : kSetDeadline;
    case kStartService:
      CurrentService.call_without_result("StartService");
      return kAdvanceStartWalk;
    case kAdvanceStartWalk:
      return advance_walk(press.walk) ? kStartService : kSetDeadline;
    case kSetDeadline:
      press.deadline = forms_.clock() + kWaitSeconds;
      return kPumpEvents;
    case kPumpEvents:
      forms_.do_events();
      return kPoll;
    case kPoll:
      press.polled = GetServiceState();
      return kPolledStopped;
    case kPolledStopped:
      return press.polled == kStopped ? kStopWanted : kPolledRunning;
    case kStopWanted:
      return press.start ? kDeadlineTest : kRefresh;
    case kPolledRunning:
      return press.polled == kRunning ? kStartWanted : kDeadlineTest;
    case kStartWanted:
      return press.start ? kRefresh : kDeadlineTest;
    case kDeadlineTest:
      return press.deadline > forms_.clock() ? kPumpEvents : kRefresh;
    case kRefresh:
      Form_Activate();
      return kDefaultPointer;
    case kDefaultPointer:
      forms_.set_mouse_pointer(MousePointer::kDefault);
      return kEnd;
    case kEnd:
      break;
  }
  return kEnd;
}

// Both the state query and the command walk the last query's result into
// CurrentService; a walk that fails to open leaves the previous one in place.
bool Form1::open_walk(std::optional<Enumeration>& walk) {
  Enumeration opened = ServiceQueryResult.enumerate();
  std::optional<Object> first = opened.next();
  walk = std::move(opened);
  if (first) CurrentService = std::move(*first);
  return first.has_value();
}

// A walk that was never opened (its opening failed and was ignored) has no
// further element.
bool Form1::advance_walk(std::optional<Enumeration>& walk) {
  if (!walk) return false;
  std::optional<Object> next = walk->next();
  if (next) CurrentService = std::move(*next);
  return next.has_value();
}

std::string prompt_text(const Failure& failure) {
  return "Error: " + failure.description() + " (#" + std::to_string(failure.number()) + ")";
}

}  // namespace orvanel
