#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/forms.h"
#include "service/automation.h"

namespace orvanel::testing {

// What the window's query, refresh and button presses do, stated a second
// time from the rules of the error prompt rather than from a table, to check
// the window against. Deliberately plain: no sharing with the window's code.
class CommandModel {
 public:
  CommandModel(Forms& forms, Binder& wmi) : forms_(forms), wmi_(wmi) {}

  std::string query();
  void refresh();
  void press(std::int16_t index);

  Object connection;
  Object result;
  Object current;
  // Called as each step begins; what it throws is that step's failure.
  std::function<void(int step)> on_step;

 private:
  Forms& forms_;
  Binder& wmi_;
};

}  // namespace orvanel::testing
