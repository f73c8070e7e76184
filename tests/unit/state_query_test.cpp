#include "unit/window_fixture.h"

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

class StateQueryTable : public testing::WindowTest, public ::testing::WithParamInterface<Row> {};

TEST_P(StateQueryTable, SetsTheButtonAndReturnsTheText) {
  const Row& row = GetParam();
  wmi.add_service("wuauserv", row.state);
  form.button_caption = "&Stop";  // so that "&Start" must really be written
  form.button_enabled = !row.enabled;
  EXPECT_EQ(window->GetServiceState(), row.returned);
  EXPECT_EQ(form.button_caption, row.caption);
  EXPECT_EQ(form.button_enabled, row.enabled);
  EXPECT_EQ(form.pointers, (std::vector<int>{11, 0}));
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

using StateQuery = testing::WindowTest;

TEST_F(StateQuery, EachStepFailingOnTheFirstCallLeavesNothingReadable) {
  add_wuauserv("Running");
  const Failure failure(-2147217407, "Generic failure");
  for (const Operation op :
       {Operation::kConnect, Operation::kExecQuery, Operation::kOpenEnumeration,
        Operation::kNextElement, Operation::kState}) {
    SCOPED_TRACE(static_cast<int>(op));
    window.emplace(form, wmi);
    wmi.clear_faults();
    wmi.fail_once(op, failure, wmi.calls(op) + 1);
    form.pointers.clear();
    EXPECT_EQ(window->GetServiceState(), "Undetectable");
    EXPECT_EQ(form.button_caption, "&Start");
    EXPECT_FALSE(form.button_enabled);
    EXPECT_EQ(form.pointers, (std::vector<int>{11, 0}));
  }
}

TEST_F(StateQuery, AfterASuccessAFailingStepFallsBackOnWhatTheLastQueryLeft) {
  const std::size_t service = add_wuauserv("Running");
  const Failure failure(-1, "refused");
  ASSERT_EQ(window->GetServiceState(), "Running");
  wmi.set_state(service, std::string("Stopped"));

  // Connect fails: the query still runs on the earlier connection.
  wmi.fail_once(Operation::kConnect, failure, wmi.calls(Operation::kConnect) + 1);
  const int queries = wmi.calls(Operation::kExecQuery);
  EXPECT_EQ(window->GetServiceState(), "Stopped");
  EXPECT_EQ(wmi.calls(Operation::kExecQuery), queries + 1);

  // The query fails: the earlier collection is walked, with the state it saw.
  wmi.set_state(service, std::string("Running"));
  wmi.fail_once(Operation::kExecQuery, failure, wmi.calls(Operation::kExecQuery) + 1);
  EXPECT_EQ(window->GetServiceState(), "Stopped");
  EXPECT_EQ(window->GetServiceState(), "Running");

  // Opening or starting the walk fails: the element the last walk left is read.
  wmi.set_state(service, std::string("Stopped"));
  for (const Operation op : {Operation::kOpenEnumeration, Operation::kNextElement}) {
    wmi.fail_once(op, failure, wmi.calls(op) + 1);
    const int reads = wmi.calls(Operation::kState);
    EXPECT_EQ(window->GetServiceState(), "Running") << "a stale element was expected";
    EXPECT_EQ(wmi.calls(Operation::kState), reads + 1);
    EXPECT_EQ(form.button_caption, "&Stop");
  }

  // Reading the state fails: nothing was read.
  wmi.fail_once(Operation::kState, failure, wmi.calls(Operation::kState) + 1);
  EXPECT_EQ(window->GetServiceState(), "Undetectable");
  EXPECT_EQ(window->GetServiceState(), "Stopped");
}

TEST_F(StateQuery, EveryInstanceIsReadAndTheLastOneWins) {
  add_wuauserv("Stopped");
  wmi.add_service("Spooler", std::string("Paused"));
  add_wuauserv("Running");
  EXPECT_EQ(window->GetServiceState(), "Running");
  EXPECT_EQ(wmi.calls(Operation::kState), 2);

  // A failure advancing past the first ends the walk with the first's state.
  wmi.fail_once(Operation::kNextElement, Failure(1, "x"), wmi.calls(Operation::kNextElement) + 2);
  EXPECT_EQ(window->GetServiceState(), "Stopped");
  // A failure reading the last leaves the state of the one before.
  wmi.fail_once(Operation::kState, Failure(1, "x"), wmi.calls(Operation::kState) + 2);
  EXPECT_EQ(window->GetServiceState(), "Stopped");
}

TEST_F(StateQuery, NoInstanceMeansNoReadAndUndetectable) {
  wmi.add_service("Spooler", std::string("Running"));
  EXPECT_EQ(window->GetServiceState(), "Undetectable");
  EXPECT_EQ(wmi.calls(Operation::kState), 0);
  EXPECT_FALSE(window->CurrentService);
  EXPECT_TRUE(window->ServiceQueryResult);
}

TEST_F(StateQuery, FailingWindowOperationsAreDroppedOneByOne) {
  add_wuauserv("Running");
  form.pointer = 11;  // as a caller would leave it
  form.fail(FormOp::kPointer, Failure(5, "pointer"));
  form.fail(FormOp::kSetButtonCaption, Failure(5, "caption"));
  EXPECT_EQ(window->GetServiceState(), "Running");
  EXPECT_EQ(form.button_caption, "&Start") << "the failed caption was written";
  EXPECT_TRUE(form.button_enabled) << "the flag after the failed caption was skipped";
  EXPECT_EQ(form.pointers, (std::vector<int>{0}));

  // Only the last pointer set fails: the hourglass stays.
  form.pointers.clear();
  form.fail(FormOp::kSetEnabled, Failure(5, "disable"));
  EXPECT_EQ(window->GetServiceState(), "Running");
  EXPECT_EQ(form.button_caption, "&Stop");
  EXPECT_TRUE(form.button_enabled);
}

TEST_F(StateQuery, EachCallReplacesTheConnectionAndTheCollection) {
  add_wuauserv("Stopped");
  (void)window->GetServiceState();
  const Object first_connection = window->ServicesConnection;
  const Object first_result = window->ServiceQueryResult;
  (void)window->GetServiceState();
  EXPECT_NE(window->ServicesConnection, first_connection);
  EXPECT_NE(window->ServiceQueryResult, first_result);
  EXPECT_EQ(wmi.calls(Operation::kConnect), 2);
}

}  // namespace
}  // namespace orvanel
