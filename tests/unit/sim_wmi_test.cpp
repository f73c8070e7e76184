#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/sim_wmi.h"

namespace orvanel::sim {
namespace {

constexpr std::string_view kQuery = "Select * from Win32_Service where Name = 'wuauserv'";

class SimWmiTest : public ::testing::Test {
 protected:
  double now = 0;
  std::vector<double> slept;
  SimWmi wmi{[this] { return now; }, [this](double seconds) { slept.push_back(seconds); }};

  void TearDown() override { EXPECT_EQ(wmi.live_objects(), 0); }

  std::vector<Object> query(std::string_view text = kQuery) {
    const Value argument{std::string(text)};
    Object collection = object_of(wmi.bind(kLocalCimv2).call("ExecQuery", {&argument, 1}));
    std::vector<Object> found;
    Enumeration walk = collection.enumerate();
    while (std::optional<Object> next = walk.next()) found.push_back(std::move(*next));
    return found;
  }
  static std::string state_of(const Object& service) { return text_of(service.property("State")); }
};

TEST_F(SimWmiTest, AnswersTheQueryAsTheRealServiceDoes) {
  wmi.add_service("Spooler", std::string("Running"));
  wmi.add_service("WUAUSERV", std::string("Stopped"));  // names match without case
  const std::vector<Object> found = query();
  ASSERT_EQ(found.size(), 1U);
  EXPECT_EQ(state_of(found[0]), "Stopped");
  EXPECT_TRUE(query("select * FROM Win32_Service WHERE name='nothere'").empty());

  const auto expect_failure = [](auto&& operation, std::uint32_t number) {
    try {
      operation();
      ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), static_cast<std::int32_t>(number));
      EXPECT_FALSE(failure.description().empty());
    }
  };
  expect_failure([&] { (void)query("Select Name from Win32_Process"); }, 0x80041017);
  expect_failure([&] { (void)wmi.bind("winmgmts:\\\\nowhere"); }, 0x800401E4);
  expect_failure([&] { (void)wmi.bind(kLocalCimv2).property("NoSuchMember"); }, 438);
}

TEST_F(SimWmiTest, StartAndStopPassThroughPendingStatesOrAreRefused) {
  const std::size_t service = wmi.add_service("wuauserv", std::string("Running"));
  wmi.set_transition_seconds(1.0);
  Object instance = query().at(0);
  EXPECT_EQ(text_of(instance.call("StartService")), "10");  // already running
  EXPECT_EQ(text_of(instance.call("StopService")), "0");
  EXPECT_EQ(state_of(instance), "Running") << "an instance keeps the state of its query";
  EXPECT_EQ(state_of(query().at(0)), "Stop Pending");
  now = 0.999;
  EXPECT_EQ(state_of(query().at(0)), "Stop Pending");
  now = 1.0;
  EXPECT_EQ(state_of(query().at(0)), "Stopped");

  wmi.set_refusing(service, true);
  EXPECT_EQ(text_of(query().at(0).call("StartService")), "2");
  now = 10;
  EXPECT_EQ(text_of(wmi.state(service)), "Stopped");
  EXPECT_EQ(wmi.requests(),
            (std::vector<std::string>{"StartService #0", "StopService #0", "StartService #0"}));
}

TEST_F(SimWmiTest, FailsAndWaitsWhereTold) {
  wmi.add_service("wuauserv", std::string("Running"));
  wmi.fail_once(Operation::kState, Failure(-5, "state once"), 2);
  wmi.fail_from(Operation::kExecQuery, Failure(7, "query from 4"), 4);
  wmi.set_latency(Operation::kConnect, 2.5);

  EXPECT_EQ(state_of(query().at(0)), "Running");
  EXPECT_THROW((void)state_of(query().at(0)), Failure);
  EXPECT_EQ(state_of(query().at(0)), "Running");
  EXPECT_THROW((void)query(), Failure);
  EXPECT_THROW((void)query(), Failure);
  wmi.clear_faults();
  EXPECT_EQ(query().size(), 1U);
  EXPECT_EQ(wmi.calls(Operation::kExecQuery), 6);
  EXPECT_EQ(slept.size(), 6U);
  EXPECT_EQ(slept.front(), 2.5);
}

TEST_F(SimWmiTest, ObjectsOutliveTheSimulatorAndAreCounted) {
  Object instance;
  {
    SimWmi short_lived;
    short_lived.add_service("wuauserv", std::string("Stopped"));
    const Value argument{std::string(kQuery)};
    Object collection = object_of(short_lived.bind(kLocalCimv2).call("ExecQuery", {&argument, 1}));
    Enumeration walk = collection.enumerate();
    instance = *walk.next();
    EXPECT_EQ(short_lived.live_objects(), 2);  // the collection and its one instance
  }
  EXPECT_EQ(text_of(instance.property("State")), "Stopped");
}

}  // namespace
}  // namespace orvanel::sim
