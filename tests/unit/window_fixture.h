#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "app/form1.h"
#include "sim/sim_wmi.h"
#include "unit/fake_form.h"

namespace orvanel::testing {

// The window's behaviour on an in-memory window and a simulated service,
// with the service's object references checked for balance at the end.
class WindowTest : public ::testing::Test {
 protected:
  using Operation = sim::Operation;

  FakeForm form;
  // Runs while the service keeps the window waiting (see set_latency).
  std::function<void()> during_wait;
  sim::SimWmi wmi{[this] { return form.now; },
                  [this](double seconds) {
                    form.now += seconds;
                    if (during_wait) during_wait();
                  }};
  std::optional<Form1> window{std::in_place, form, wmi};

  void TearDown() override {
    window.reset();
    EXPECT_EQ(wmi.live_objects(), 0) << "the window leaked references";
  }

  std::size_t add_wuauserv(std::string state) {
    return wmi.add_service("wuauserv", Value{std::move(state)});
  }
};

}  // namespace orvanel::testing
