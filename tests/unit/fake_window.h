#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/forms.h"
#include "service/failure.h"

namespace orvanel::testing {

// Operations of the window that a test can make fail.
enum class FormOp {
  kCaption,
  kSetButtonCaption,
  kSetStatus,
  kSetEnabled,
  kPointer,
  kUnload,
  kDoEvents,
  kMsgBox,
  kClock
};

// An in-memory window: records what the behaviour did to it, answers message
// boxes from a queue, runs a test's handlers inside its event pump, and fails
// on request.
class FakeWindow final : public Forms {
 public:
  // Off, it keeps no history, so that a benchmark counts only what the
  // behaviour itself allocates.
  bool recording = true;
  std::string button_caption = "&Start";
  bool button_enabled = false;
  std::string status = "Querying Status...";
  MousePointer pointer = MousePointer::kDefault;
  std::vector<MousePointer> pointers;  // every pointer set, in order
  std::vector<std::string> prompts;  // every message box text
  std::vector<std::string> titles;
  std::vector<int> styles;
  std::deque<MsgBoxAnswer> answers;   // empty: Abort
  std::vector<std::string> statuses;  // every status caption set
  int pumps = 0;
  bool is_unloaded = false;
  int touched_after_unload = 0;  // operations asked of a window that is gone
  double now = 1000;
  double tick = 0;                     // added to the clock at every reading
  std::function<void()> on_do_events;  // runs inside the pump
  std::function<void()> on_msg_box;    // runs while the prompt is up
  // Decides by the operation and its call number (from 1) whether it fails.
  std::function<std::optional<Failure>(FormOp, int call)> plan;

  void fail(FormOp op, const Failure& failure, int times = 1) {
    for (int k = 0; k < times; ++k) faults_[op].push_back(failure);
  }

  std::string caption(Control control) override {
    check(FormOp::kCaption);
    return control == Label1                       ? status
           : control == Command1(kStartStopButton) ? button_caption
                                                   : "C&lose";
  }
  void set_caption(Control control, std::string_view text) override {
    if (control == Label1) {
      check(FormOp::kSetStatus);
      status = text;
      if (recording) statuses.emplace_back(text);
    } else {
      check(FormOp::kSetButtonCaption);
      button_caption = text;
    }
  }
  void set_enabled(Control /*control*/, bool enabled) override {
    check(FormOp::kSetEnabled);
    button_enabled = enabled;
  }
  void set_mouse_pointer(MousePointer value) override {
    check(FormOp::kPointer);
    pointer = value;
    if (recording) pointers.push_back(value);
  }
  void unload() override {
    check(FormOp::kUnload);
    is_unloaded = true;
  }
  bool unloaded() const override { return is_unloaded; }
  void do_events() override {
    check(FormOp::kDoEvents);
    ++pumps;
    if (on_do_events) on_do_events();
  }
  MsgBoxAnswer msg_box(std::string_view text, std::string_view title, MsgBoxStyle style) override {
    check(FormOp::kMsgBox);
    if (recording) {
      prompts.emplace_back(text);
      titles.emplace_back(title);
      styles.push_back(static_cast<int>(style));
    }
    if (on_msg_box) on_msg_box();
    if (answers.empty()) return MsgBoxAnswer::kAbort;
    const MsgBoxAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  double clock() override {
    check(FormOp::kClock);
    now += tick;
    return now;
  }

 private:
  void check(FormOp op) {
    if (is_unloaded) ++touched_after_unload;
    if (plan) {
      if (std::optional<Failure> failure = plan(op, ++calls_[op])) throw *failure;
    }
    auto found = faults_.find(op);
    if (found == faults_.end() || found->second.empty()) return;
    Failure failure = std::move(found->second.front());
    found->second.pop_front();
    throw failure;
  }

  std::map<FormOp, std::deque<Failure>> faults_;
  std::map<FormOp, int> calls_;
};

}  // namespace orvanel::testing
