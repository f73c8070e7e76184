#include <optional>
#include <utility>

#include "unit/command_model.h"

namespace orvanel::testing {
namespace {

// Where a press goes when the user answers the prompt for a failure at
// `step`, by the rule: Retry starts the failing step again, Ignore starts
// the one after it; except that a step which opens with the exit of the
// branch before it takes that exit, the dispatch and the Close branch and
// the last step are followed by the end, and the two tests that close the
// wait leave it.
int after_failure(int step, MsgBoxAnswer answer) {
  constexpr int kStop = 0;
  if (answer == MsgBoxAnswer::kRetry) {
    if (step == 10) return 15;  // begins with the stop branch's exit
    if (step == 20) return 22;  // begins with the "Stopped" branch's exit
    return step;
  }
  if (answer == MsgBoxAnswer::kIgnore) {
    if (step == 1 || step == 2 || step == 24) return kStop;
    if (step == 9) return 15;  // step 10 begins with the exit to 15
    if (step == 19 || step == 21) return 23;
    return step + 1;
  }
  return kStop;
}

}  // namespace

std::string CommandModel::query() {
  std::string state;
  const auto quietly = [](auto&& operation) {
    try {
      operation();
    } catch (const Failure&) {
    }
  };
  quietly([&] { forms_.set_mouse_pointer(MousePointer::kHourglass); });
  quietly([&] { connection = wmi_.bind("winmgmts:\\\\.\\root\\cimv2"); });
  quietly([&] {
    const Value text{std::string("Select * from Win32_Service where Name = 'wuauserv'")};
    Value answer = connection.call("ExecQuery", {&text, 1});
    result = object_of(std::move(answer));
  });
  std::optional<Enumeration> items;
  bool another = true;  // a walk that cannot be opened still reads once
  quietly([&] {
    Enumeration opened = result.enumerate();
    std::optional<Object> first = opened.next();
    items.emplace(std::move(opened));
    another = first.has_value();
    if (another) current = *first;
  });
  while (another) {
    quietly([&] { state = text_of(current.property("State")); });
    another = false;
    quietly([&] {
      if (!items) return;
      std::optional<Object> next = items->next();
      if (next) {
        current = *next;
        another = true;
      }
    });
  }
  quietly([&] { forms_.set_enabled(Command1(kStartStopButton), false); });
  const bool running = state == "Running";
  const bool stopped = state == "Stopped";
  quietly([&] { forms_.set_caption(Command1(kStartStopButton), running ? "&Stop" : "&Start"); });
  quietly([&] { forms_.set_enabled(Command1(kStartStopButton), running || stopped); });
  quietly([&] { forms_.set_mouse_pointer(MousePointer::kDefault); });
  return state.empty() ? "Undetectable" : state;
}

void CommandModel::refresh() {
  forms_.do_events();
  if (forms_.unloaded()) return;
  const std::string state = query();
  forms_.set_caption(Label1, "Automatic Update is " + state);
}

void CommandModel::press(std::int16_t index) {
  std::string caption;
  bool starting = false;
  double give_up_at = 0;
  std::string last_poll;
  std::optional<Enumeration> items;
  const auto walk_from_start = [&]() -> bool {
    Enumeration opened = result.enumerate();
    std::optional<Object> first = opened.next();
    items.emplace(std::move(opened));
    if (first) current = *first;
    return first.has_value();
  };
  const auto walk_on = [&]() -> bool {
    if (!items) return false;
    std::optional<Object> next = items->next();
    if (next) current = *next;
    return next.has_value();
  };

  int step = 1;
  while (step != 0) {
    if (forms_.unloaded()) return;
    try {
      if (on_step) on_step(step);
      switch (step) {
        case 1:
          step = index == 0 ? 3 : index == 1 ? 2 : 0;
          break;
        case 2:
          forms_.unload();
          step = 0;
          break;
        case 3:
          forms_.set_mouse_pointer(MousePointer::kHourglass);
          step = 4;
          break;
        case 4:
          caption = forms_.caption(Command1(kStartStopButton));
          step = 5;
          break;
        case 5:
          step = caption == "&Stop" ? 6 : 10;
          break;
        case 6:
          starting = false;
          step = 7;
          break;
        case 7:
          step = walk_from_start() ? 8 : 15;
          break;
        case 8:
          current.call("StopService");
          step = 9;
          break;
        case 9:
          step = walk_on() ? 8 : 15;
          break;
        case 10:
          step = caption == "&Start" ? 11 : 15;
          break;
        case 11:
          starting = true;
          step = 12;
          break;
        case 12:
          step = walk_from_start() ? 13 : 15;
          break;
        case 13:
          current.call("StartService");
          step = 14;
          break;
        case 14:
          step = walk_on() ? 13 : 15;
          break;
        case 15:
          give_up_at = forms_.clock() + 5;
          step = 16;
          break;
        case 16:
          forms_.do_events();
          step = 17;
          break;
        case 17:
          last_poll = query();
          step = 18;
          break;
        // The wait ends on the wanted state, or at the deadline.
        case 18:
          step = last_poll == "Stopped" ? 19 : 20;
          break;
        case 19:
          step = starting ? 22 : 23;
          break;
        case 20:
          step = last_poll == "Running" ? 21 : 22;
          break;
        case 21:
          step = starting ? 23 : 22;
          break;
        case 22:
          step = give_up_at > forms_.clock() ? 16 : 23;
          break;
        case 23:
          refresh();
          step = 24;
          break;
        case 24:
          forms_.set_mouse_pointer(MousePointer::kDefault);
          step = 0;
          break;
        default:
          step = 0;
      }
    } catch (const Failure& failure) {
      const std::string text =
          "Error: " + failure.description() + " (#" + std::to_string(failure.number()) + ")";
      step = after_failure(step, forms_.msg_box(text, "Whoops", MsgBoxStyle{18}));
    }
  }
}

}  // namespace orvanel::testing
