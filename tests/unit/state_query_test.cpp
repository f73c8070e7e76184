#include <cstddef>
#include <cstdint>
#include <new>
#include <ostream>
#include <string>
#include <vector>

#include "unit/behaviour_fixture.h"

namespace orvanel {
namespace {

using testing::FormOp;
using Operation = sim::Operation;

struct Row {
  Value state;
  std::string caption;
  bool enabled;
  std::string returned;
};

void PrintTo(const Row& row, std::ostream* out) {
  *out << '"' << row.returned << "\" -> " << row.caption
       << (row.enabled ? " enabled" : " disabled");
}

class StateQueryTable : public testing::BehaviourTest, public ::testing::WithParamInterface<Row> {};

TEST_P(StateQueryTable, SetsTheButtonAndReturnsTheText) {
  const Row& row = GetParam();
  wmi.add_service("wuauserv", row.state);
  window.button_caption = "&Stop";  // so that "&Start" must really be written
  window.button_enabled = !row.enabled;
  EXPECT_EQ(form->GetServiceState(), row.returned);
  EXPECT_EQ(window.button_caption, row.caption);
  EXPECT_EQ(window.button_enabled, row.enabled);
  EXPECT_EQ(window.pointers, (std::vector{MousePointer::kHourglass, MousePointer::kDefault}));
}

INSTANTIATE_TEST_SUITE_P(
    Results, StateQueryTable,
    ::testing::Values(Row{std::string("Running"), "&Stop", true, "Running"},
                      Row{std::string("Stopped"), "&Start", true, "Stopped"},
                      Row{std::string(""), "&Start", false, "Undetectable"},
                      Row{std::string("running"), "&Start", false, "running"},
                      Row{std::string("STOPPED"), "&Start", false, "STOPPED"},
                      Row{std::string("Running "), "&Start", false, "Running "},
                      Row{std::string("Stop Pending"), "&Start", false, "Stop Pending"},
                      Row{std::string("Undetectable"), "&Start", false, "Undetectable"},
                      Row{Value{}, "&Start", false, "Undetectable"},
                      Row{Null{}, "&Start", false, "Undetectable"},
                      Row{std::int32_t{4}, "&Start", false, "4"}));

using StateQuery = testing::BehaviourTest;

TEST_F(StateQuery, EachStepFailingOnTheFirstCallLeavesNothingReadable) {
  add_wuauserv("Running");
  const Failure failure(-2147217407, "Generic failure");
  for (const Operation op :
       {Operation::kConnect, Operation::kExecQuery, Operation::kOpenEnumeration,
        Operation::kNextElement, Operation::kState}) {
    // The service's own failure, and running out of memory on the way.
    for (const bool out_of_memory : {false, true}) {
      SCOPED_TRACE(static_cast<int>(op) * 10 + static_cast<int>(out_of_memory));
      form.emplace(window, wmi);
      wmi.clear_faults();
      if (out_of_memory) {
        wmi.set_latency(op, 1e-9);
        during_wait = [this, op] {
          wmi.set_latency(op, 0);
          throw std::bad_alloc();
        };
      } else {
        wmi.fail_once(op, failure, wmi.calls(op) + 1);
      }
      window.pointers.clear();
      EXPECT_EQ(form->GetServiceState(), "Undetectable");
      EXPECT_EQ(window.button_caption, "&Start");
      EXPECT_FALSE(window.button_enabled);
      EXPECT_EQ(window.pointers, (std::vector{MousePointer::kHourglass, MousePointer::kDefault}));
    }
  }
}

TEST_F(StateQuery, AfterASuccessAFailingStepFallsBackOnWhatTheLastQueryLeft) {
  const std::size_t service = add_wuauserv("Running");
  const Failure failure(-1, "refused");
  ASSERT_EQ(form->GetServiceState(), "Running");
  wmi.set_state(service, std::string("Stopped"));

  // Connect fails: the query still runs on the earlier connection.
  wmi.fail_once(Operation::kConnect, failure, wmi.calls(Operation::kConnect) + 1);
  const int queries = wmi.calls(Operation::kExecQuery);
  EXPECT_EQ(form->GetServiceState(), "Stopped");
  EXPECT_EQ(wmi.calls(Operation::kExecQuery), queries + 1);

  // The query fails: the earlier collection is walked, with the state it saw.
  wmi.set_state(service, std::string("Running"));
  wmi.fail_once(Operation::kExecQuery, failure, wmi.calls(Operation::kExecQuery) + 1);
  EXPECT_EQ(form->GetServiceState(), "Stopped");
  EXPECT_EQ(form->GetServiceState(), "Running");

  // Opening or starting the walk fails: the element the last walk left is read.
  wmi.set_state(service, std::string("Stopped"));
  for (const Operation op : {Operation::kOpenEnumeration, Operation::kNextElement}) {
    wmi.fail_once(op, failure, wmi.calls(op) + 1);
    const int reads = wmi.calls(Operation::kState);
    EXPECT_EQ(form->GetServiceState(), "Running") << "a stale element was expected";
    EXPECT_EQ(wmi.calls(Operation::kState), reads + 1);
    EXPECT_EQ(window.button_caption, "&Stop");
  }

  // Reading the state fails: nothing was read.
  wmi.fail_once(Operation::kState, failure, wmi.calls(Operation::kState) + 1);
  EXPECT_EQ(form->GetServiceState(), "Undetectable");
  EXPECT_EQ(form->GetServiceState(), "Stopped");
}

TEST_F(StateQuery, EveryInstanceIsReadAndTheLastOneWins) {
  add_wuauserv("Stopped");
  wmi.add_service("Spooler", std::string("Paused"));
  add_wuauserv("Running");
  EXPECT_EQ(form->GetServiceState(), "Running");
  EXPECT_EQ(wmi.calls(Operation::kState), 2);

  // A failure advancing past the first ends the walk with the first's state.
  wmi.fail_once(Operation::kNextElement, Failure(1, "x"), wmi.calls(Operation::kNextElement) + 2);
  EXPECT_EQ(form->GetServiceState(), "Stopped");
  // A failure reading the last leaves the state of the one before.
  wmi.fail_once(Operation::kState, Failure(1, "x"), wmi.calls(Operation::kState) + 2);
  EXPECT_EQ(form->GetServiceState(), "Stopped");
}

TEST_F(StateQuery, NoInstanceMeansNoReadAndUndetectable) {
  wmi.add_service("Spooler", std::string("Running"));
  EXPECT_EQ(form->GetServiceState(), "Undetectable");
  EXPECT_EQ(wmi.calls(Operation::kState), 0);
  EXPECT_FALSE(form->CurrentService);
  EXPECT_TRUE(form->ServiceQueryResult);
}

TEST_F(StateQuery, FailingWindowOperationsAreDroppedOneByOne) {
  add_wuauserv("Running");
  window.pointer = MousePointer::kHourglass;  // as a caller would leave it
  window.fail(FormOp::kPointer, Failure(5, "pointer"));
  window.fail(FormOp::kSetButtonCaption, Failure(5, "caption"));
  EXPECT_EQ(form->GetServiceState(), "Running");
  EXPECT_EQ(window.button_caption, "&Start") << "the failed caption was written";
  EXPECT_TRUE(window.button_enabled) << "the flag after the failed caption was skipped";
  EXPECT_EQ(window.pointers, (std::vector{MousePointer::kDefault}));

  // Only the last pointer set fails: the hourglass stays.
  window.pointers.clear();
  window.fail(FormOp::kSetEnabled, Failure(5, "disable"));
  EXPECT_EQ(form->GetServiceState(), "Running");
  EXPECT_EQ(window.button_caption, "&Stop");
  EXPECT_TRUE(window.button_enabled);
}

TEST_F(StateQuery, EachCallReplacesTheConnectionAndTheCollection) {
  add_wuauserv("Stopped");
  (void)form->GetServiceState();
  const Object first_connection = form->ServicesConnection;
  const Object first_result = form->ServiceQueryResult;
  (void)form->GetServiceState();
  EXPECT_NE(form->ServicesConnection, first_connection);
  EXPECT_NE(form->ServiceQueryResult, first_result);
  EXPECT_EQ(wmi.calls(Operation::kConnect), 2);
}

}  // namespace
}  // namespace orvanel
