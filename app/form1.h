#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/forms.h"
#include "service/automation.h"

namespace orvanel {

inline constexpr std::string_view kStatusPrefix = "Automatic Update is ";

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
  std::function<void(int step)> on_step;

 private:
  struct Press;
  int run_step(int step, Press& press);
  bool open_walk(std::optional<Enumeration>& walk);
  bool advance_walk(std::optional<Enumeration>& walk);

  Forms& forms_;
  Binder& wmi_;
  // The one query, made once rather than on every poll.
  const Value query_;
};

// The text of the error prompt for a failure of the Start/Stop command.
std::string prompt_text(const Failure& failure);

}  // namespace orvanel
