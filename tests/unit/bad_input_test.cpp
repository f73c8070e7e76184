#include <cctype>
#include <cstdint>
#include <ostream>
#include <string>

#include "unit/behaviour_fixture.h"

namespace orvanel {
namespace {

using namespace std::string_literals;
using Operation = sim::Operation;

struct Answer {
  const char* name;
  Value state;
  std::string shown;  // the status line's state text
  bool enabled;
};

void PrintTo(const Answer& answer, std::ostream* out) {
  *out << answer.name;
}

class BadState : public testing::BehaviourTest, public ::testing::WithParamInterface<Answer> {};

TEST_P(BadState, ShowsWhatTheServiceSaidAndGreysTheButtonUnlessItFits) {
  wmi.add_service("wuauserv", GetParam().state);
  form->Form_Activate();
  EXPECT_EQ(window.status, "Automatic Update is " + GetParam().shown);
  EXPECT_EQ(window.button_enabled, GetParam().enabled);
  EXPECT_EQ(window.button_caption, GetParam().shown == "Running" ? "&Stop" : "&Start");

  // A press goes through whatever the text: the wait looks for "Stopped",
  // which a refusing service never reaches.
  wmi.set_refusing(0, true);
  window.tick = 1;
  window.button_caption = "&Stop";
  form->Command1_Click(0);
  EXPECT_EQ(window.status, "Automatic Update is " + GetParam().shown);
  EXPECT_EQ(window.pointer, MousePointer::kDefault);
}

INSTANTIATE_TEST_SUITE_P(
    FromTheService, BadState,
    ::testing::Values(Answer{"empty", std::string(), "Undetectable", false},
                      Answer{"one character", std::string("R"), "R", false},
                      Answer{"ten thousand characters", std::string(10000, 'x'),
                             std::string(10000, 'x'), false},
                      Answer{"an ampersand", std::string("&Stop"), "&Stop", false},
                      Answer{"outside the BMP", std::string("Running \xF0\x9F\x9A\x80"),
                             "Running \xF0\x9F\x9A\x80", false},
                      Answer{"an embedded NUL", "Running\0"s, "Running\0"s, false},
                      Answer{"broken UTF-8", std::string("Run\xC3"), "Run\xC3", false},
                      Answer{"null", Null{}, "Undetectable", false},
                      Answer{"nothing", Value{}, "Undetectable", false},
                      Answer{"a number", std::int32_t{4}, "4", false},
                      Answer{"the real thing", std::string("Running"), "Running", true}),
    [](const ::testing::TestParamInfo<Answer>& answer) {
      std::string name = answer.param.name;
      for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) != 0 ? c : '_';
      return name;
    });

using BadCollection = testing::BehaviourTest;

TEST_F(BadCollection, NoneOneOrAHundredInstancesAreAllWalked) {
  form->Form_Activate();
  EXPECT_EQ(window.status, "Automatic Update is Undetectable");

  add_wuauserv("Stopped");
  form->Form_DblClick();
  EXPECT_EQ(window.status, "Automatic Update is Stopped");

  for (int k = 1; k < 100; ++k) add_wuauserv(k == 99 ? "Running" : "Stopped");
  const int reads = wmi.calls(Operation::kState);
  form->Form_DblClick();
  EXPECT_EQ(wmi.calls(Operation::kState) - reads, 100);
  EXPECT_EQ(window.status, "Automatic Update is Running") << "the last instance wins";

  window.tick = 1;
  form->Command1_Click(0);
  EXPECT_EQ(wmi.requests().size(), 100U) << "every instance gets the request";
}

TEST_F(BadCollection, AQueryThatTakesSecondsStillEndsTheWaitOnTime) {
  add_wuauserv("Running");
  wmi.set_refusing(0, true);
  wmi.set_latency(Operation::kExecQuery, 3.0);  // each query advances the clock three seconds
  form->Form_Activate();
  EXPECT_EQ(window.status, "Automatic Update is Running");
  const double before = window.now;
  form->Command1_Click(0);
  EXPECT_EQ(window.status, "Automatic Update is Running");
  // Two polls of three seconds pass the deadline; then the refresh.
  EXPECT_EQ(wmi.calls(Operation::kExecQuery), 4);
  EXPECT_NEAR(window.now - before, 9.0, 1e-9);
}

}  // namespace
}  // namespace orvanel
