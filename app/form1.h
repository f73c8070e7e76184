#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/forms.h"
#include "service/automation.h"

namespace orvanel {

inline constexpr std::string_view kStatusPrefix = "Automatic Update is ";
// The Start/Stop button's captions: the action its next press takes.
inline constexpr std::string_view kStopCaption = "&Stop";
inline constexpr std::string_view kStartCaption = "&Start";

// The steps of a press of a button, by the numbers that its failure
// prompt's resume map gives them; kEnd stands for the end of the command.
enum class Step : std::uint8_t {
  kEnd = 0,
  kChooseByIndex = 1,
  kUnload = 2,
  kHourglass = 3,
  kReadCaption = 4,
  kIsStopCaption = 5,
  kStartFlagFalse = 6,
  kOpenStopWalk = 7,
  kStopService = 8,
  kAdvanceStopWalk = 9,
  kIsStartCaption = 10,
  kStartFlagTrue = 11,
  kOpenStartWalk = 12,
  kStartService = 13,
  kAdvanceStartWalk = 14,
  kSetDeadline = 15,
  kPumpEvents = 16,
  kPoll = 17,
  kPolledStopped = 18,
  kStopWanted = 19,
  kPolledRunning = 20,
  kStartWanted = 21,
  kDeadlineTest = 22,
  kRefresh = 23,
  kDefaultPointer = 24,
};

// The main window's behaviour: its event handlers and its state query, on
// the window's own three references to the management service.
class Form1 final : public FormEvents {
 public:
  Form1(Forms& forms, Binder& wmi);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;
  ~Form1() = default;

  void Form_Activate() override;
  void Form_DblClick() override;
  void Command1_Click(std::int16_t index) override;
  std::string GetServiceState();

  Object ServicesConnection;
  Object ServiceQueryResult;
  Object CurrentService;

  // Called as each numbered step of a press begins, inside the press's
  // failure trap: a failure it raises is a failure of that step.
  std::function<void(Step step)> on_step;

 private:
  struct Press;
  Step run_step(Step step, Press& press);
  bool open_walk(std::optional<Enumeration>& walk);
  bool advance_walk(std::optional<Enumeration>& walk);

  Forms& forms_;
  Binder& wmi_;
  // The one query, built once rather than on every poll.
  const Value query_;
};

// The text of the error prompt for a failure of the Start/Stop command.
std::string prompt_text(const Failure& failure);

}  // namespace orvanel
