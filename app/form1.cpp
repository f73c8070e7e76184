#include "app/form1.h"

#include <array>
#include <optional>
#include <utility>

namespace orvanel {
namespace {

constexpr std::string_view kMoniker = "winmgmts:\\\\.\\root\\cimv2";
constexpr std::string_view kQuery = "Select * from Win32_Service where Name = 'wuauserv'";
constexpr std::string_view kStopCaption = "&Stop";
constexpr std::string_view kStartCaption = "&Start";
constexpr std::string_view kRunning = "Running";
constexpr std::string_view kStopped = "Stopped";
constexpr std::string_view kUndetectable = "Undetectable";
constexpr double kWaitSeconds = 5;

// Step 0 stands for "the command ends".
constexpr int kEnd = 0;

// Where the command goes after a failed step: Retry re-enters, Ignore
// continues. A step that closes a branch carries that branch's exit, which is
// why a few rows do not simply point at the step itself and the next one.
struct Resume {
  int retry;
  int ignore;
};
constexpr std::array<Resume, 25> kResume{{
    {kEnd, kEnd},  // unused
    {1, kEnd},     // 1 choose by button index
    {2, kEnd},     // 2 unload the window
    {3, 4},        // 3 hourglass
    {4, 5},        // 4 read the caption
    {5, 6},        // 5 caption is "&Stop"?
    {6, 7},        // 6 start flag false
    {7, 8},        // 7 open the stop walk
    {8, 9},        // 8 StopService
    {9, 15},       // 9 advance the stop walk
    {15, 11},      // 10 caption is "&Start"?
    {11, 12},      // 11 start flag true
    {12, 13},      // 12 open the start walk
    {13, 14},      // 13 StartService
    {14, 15},      // 14 advance the start walk
    {15, 16},      // 15 set the deadline
    {16, 17},      // 16 pump events
    {17, 18},      // 17 poll the state
    {18, 19},      // 18 polled "Stopped"?
    {19, 23},      // 19 start flag false?
    {22, 21},      // 20 polled "Running"?
    {21, 23},      // 21 start flag true?
    {22, 23},      // 22 deadline passed?
    {23, 24},      // 23 refresh the status line
    {24, kEnd},    // 24 default pointer
}};

int resume_after(int step, MsgBoxAnswer answer) {
  switch (answer) {
    case MsgBoxAnswer::kRetry:
      return kResume.at(static_cast<std::size_t>(step)).retry;
    case MsgBoxAnswer::kIgnore:
      return kResume.at(static_cast<std::size_t>(step)).ignore;
    case MsgBoxAnswer::kAbort:
    default:
      return kEnd;
  }
}

// A state query step that fails is simply dropped.
template <typename Step>
void attempt(Step&& step) {
  try {
    std::forward<Step>(step)();
  } catch (const Failure&) {
  }
}

// The query's steps on the window, taken only while there is one: where WMI
// answers from another process, the window can be closed while the query
// waits for it.
template <typename Step>
void attempt_on(const Forms& forms, Step&& step) {
  if (!forms.unloaded()) attempt(std::forward<Step>(step));
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
    attempt([&] { result = text_of(CurrentService.get("State")); });
    have_element = false;
    attempt([&] { have_element = advance_walk(walk); });
  }

  attempt_on(forms_, [&] { forms_.set_enabled(Control::kStartStop, false); });
  if (result == kRunning) {
    attempt_on(forms_, [&] { forms_.set_caption(Control::kStartStop, kStopCaption); });
    attempt_on(forms_, [&] { forms_.set_enabled(Control::kStartStop, true); });
  } else if (result == kStopped) {
    attempt_on(forms_, [&] { forms_.set_caption(Control::kStartStop, kStartCaption); });
    attempt_on(forms_, [&] { forms_.set_enabled(Control::kStartStop, true); });
  } else {
    attempt_on(forms_, [&] { forms_.set_caption(Control::kStartStop, kStartCaption); });
    attempt_on(forms_, [&] { forms_.set_enabled(Control::kStartStop, false); });
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
  forms_.set_caption(Control::kStatus, status);
}

void Form1::Form_DblClick() {
  Form_Activate();
}

void Form1::Command1_Click(std::int16_t index) {
  Press press;
  press.index = index;
  int step = 1;
  // Once the window is gone, whether by this press or one nested in its
  // pump, the press leaves it alone and ends.
  while (step != kEnd && !forms_.unloaded()) {
    try {
      if (on_step) on_step(step);
      step = run_step(step, press);
    } catch (const Failure& failure) {
      // A window closed under a failing step takes the press with it: there
      // is nothing left to prompt over.
      if (forms_.unloaded()) break;
      const MsgBoxAnswer answer =
          forms_.msg_box(prompt_text(failure), "Whoops", MsgBoxStyle::kAbortRetryIgnoreCritical);
      step = resume_after(step, answer);
    }
  }
}

// Each step returns the number of the step that follows it. A step that
// fails assigns nothing: values are stored only after all that can fail.
int Form1::run_step(int step, Press& press) {
  switch (step) {
    case 1:
      return press.index == 1 ? 2 : press.index == 0 ? 3 : kEnd;
    case 2:
      forms_.unload();
      return kEnd;
    case 3:
      forms_.set_mouse_pointer(MousePointer::kHourglass);
      return 4;
    case 4:
      press.caption = forms_.caption(Control::kStartStop);
      return 5;
    case 5:
      return press.caption == kStopCaption ? 6 : 10;
    case 6:
      press.start = false;
      return 7;
    case 7:
      return open_walk(press.walk) ? 8 : 15;
    case 8:
      CurrentService.call_without_result("StopService");
      return 9;
    case 9:
      return advance_walk(press.walk) ? 8 : 15;
    case 10:
      return press.caption == kStartCaption ? 11 : 15;
    case 11:
      press.start = true;
      return 12;
    case 12:
      return open_walk(press.walk) ? 13 : 15;
    case 13:
      CurrentService.call_without_result("StartService");
      return 14;
    case 14:
      return advance_walk(press.walk) ? 13 : 15;
    case 15:
      press.deadline = forms_.clock() + kWaitSeconds;
      return 16;
    case 16:
      forms_.do_events();
      return 17;
    case 17:
      press.polled = GetServiceState();
      return 18;
    case 18:
      return press.polled == kStopped ? 19 : 20;
    case 19:
      return press.start ? 22 : 23;
    case 20:
      return press.polled == kRunning ? 21 : 22;
    case 21:
      return press.start ? 23 : 22;
    case 22:
      return press.deadline > forms_.clock() ? 16 : 23;
    case 23:
      Form_Activate();
      return 24;
    case 24:
      forms_.set_mouse_pointer(MousePointer::kDefault);
      return kEnd;
    default:
      return kEnd;
  }
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
