#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "app/form1.h"
#include "sim/sim_wmi.h"
#include "unit/fake_window.h"

namespace orvanel {

// Steps and pointers print by their numbers, as the resume table gives them.
inline void PrintTo(Step step, std::ostream* out) {
  *out << "step " << static_cast<int>(step);
}
inline void PrintTo(MousePointer pointer, std::ostream* out) {
  *out << "pointer " << static_cast<int>(pointer);
}

}  // namespace orvanel

namespace orvanel::testing {

// The window's behaviour on an in-memory window and a simulated service,
// with the service's object references checked for balance at the end.
class BehaviourTest : public ::testing::Test {
 protected:
  using Operation = sim::Operation;

  FakeWindow window;
  // Runs while the service keeps the window waiting (see set_latency).
  std::function<void()> during_wait;
  sim::SimWmi wmi{[this] { return window.now; },
                  [this](double seconds) {
                    window.now += seconds;
                    if (during_wait) during_wait();
                  }};
  std::optional<Form1> form{std::in_place, window, wmi};

  void TearDown() override {
    form.reset();
    EXPECT_EQ(wmi.live_objects(), 0) << "the window leaked references";
  }

  std::size_t add_wuauserv(std::string state) {
    return wmi.add_service("wuauserv", Value{std::move(state)});
  }
};

}  // namespace orvanel::testing
