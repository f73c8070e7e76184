#include <cstddef>
#include <string>
#include <vector>

#include "unit/behaviour_fixture.h"

namespace orvanel {
namespace {

using testing::FormOp;
using Operation = sim::Operation;
using Refresh = testing::BehaviourTest;

TEST_F(Refresh, WritesTheStateAfterPumpingAndSetsTheButton) {
  const std::size_t service = add_wuauserv("Stopped");
  // What the window shows while the pump runs is the text from before.
  std::string seen_during_pump;
  window.on_do_events = [&] { seen_during_pump = window.status; };
  form->Form_Activate();
  EXPECT_EQ(seen_during_pump, "Querying Status...");
  EXPECT_EQ(window.status, "Automatic Update is Stopped");
  EXPECT_EQ(window.button_caption, "&Start");
  EXPECT_TRUE(window.button_enabled);
  EXPECT_EQ(window.pumps, 1);

  wmi.set_state(service, std::string("Running"));
  form->Form_DblClick();
  EXPECT_EQ(window.status, "Automatic Update is Running");
  EXPECT_EQ(window.button_caption, "&Stop");
  EXPECT_EQ(window.pumps, 2);

  wmi.set_state(service, std::string("Start Pending"));
  form->Form_DblClick();
  EXPECT_EQ(window.status, "Automatic Update is Start Pending");
  EXPECT_FALSE(window.button_enabled);
}

TEST_F(Refresh, NeverEndsInAnEmptyState) {
  wmi.fail_from(Operation::kConnect, Failure(-2147217405, "Access denied"), 1);
  form->Form_Activate();
  EXPECT_EQ(window.status, "Automatic Update is Undetectable");
  EXPECT_FALSE(window.button_enabled);

  wmi.clear_faults();
  add_wuauserv("");
  form->Form_DblClick();
  EXPECT_EQ(window.status, "Automatic Update is Undetectable");
  for (const std::string& status : window.statuses) EXPECT_NE(status, "Automatic Update is ");
}

TEST_F(Refresh, AHandlerWaitingInThePumpRunsFirstAndToItsEnd) {
  const std::size_t service = add_wuauserv("Running");
  int nested = 0;
  window.on_do_events = [&] {
    if (nested++ > 0) return;
    // A double-click that was already queued: it refreshes completely
    // before the outer refresh queries.
    form->Form_DblClick();
    EXPECT_EQ(window.status, "Automatic Update is Running");
    wmi.set_state(service, std::string("Stopped"));
  };
  form->Form_Activate();
  EXPECT_EQ(window.statuses, (std::vector<std::string>{"Automatic Update is Running",
                                                       "Automatic Update is Stopped"}));
}

TEST_F(Refresh, AWindowClosedInThePumpIsLeftAlone) {
  add_wuauserv("Running");
  window.on_do_events = [&] { window.is_unloaded = true; };
  form->Form_Activate();
  EXPECT_EQ(wmi.calls(Operation::kConnect), 0) << "queried for a window that is gone";
  EXPECT_TRUE(window.statuses.empty());
  EXPECT_TRUE(window.pointers.empty());
}

TEST_F(Refresh, AWindowClosedWhileTheQueryWaitsIsTouchedNoMore) {
  add_wuauserv("Running");
  wmi.set_latency(Operation::kExecQuery, 0.5);
  // Another program closes the window while the service is being asked.
  during_wait = [&] { window.is_unloaded = true; };
  EXPECT_NO_THROW(form->Form_Activate());
  EXPECT_TRUE(window.statuses.empty());
  EXPECT_EQ(window.touched_after_unload, 0);
  EXPECT_EQ(window.pointers, (std::vector{MousePointer::kHourglass})) << "only the hourglass, set before the wait";
}

TEST_F(Refresh, AFailingStatusLineReachesTheCaller) {
  add_wuauserv("Running");
  window.fail(FormOp::kSetStatus, Failure(364, "Object was unloaded"));
  EXPECT_THROW(form->Form_DblClick(), Failure);
  EXPECT_EQ(window.button_caption, "&Stop") << "the query itself ran";
}

}  // namespace
}  // namespace orvanel
