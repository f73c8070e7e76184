// Random failure schedules: the window's command and a separately written
// model of it, each in its own identical world, must do the same things.
// A failing schedule prints its seed; ORVANEL_SEED=n runs that one alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "app/form1.h"
#include "sim/sim_wmi.h"
#include "unit/command_model.h"
#include "unit/fake_window.h"

namespace orvanel::testing {
namespace {

using sim::Operation;

std::uint64_t mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30U)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27U)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31U);
}

// Everything a schedule decides, from its seed alone.
struct Schedule {
  explicit Schedule(std::uint32_t seed_value) : seed(seed_value) {
    std::mt19937 random(seed);
    const auto pick = [&](auto const& options) { return options[random() % options.size()]; };
    state = pick(std::array<const char*, 7>{"Running", "Stopped", "Stopped", "Running", "Paused",
                                            "running", ""});
    instances = static_cast<int>(random() % 4);
    refusing = random() % 4 == 0;
    transition = pick(std::array<double, 4>{0, 0, 1.5, 10});
    per_mille = pick(std::array<int, 5>{0, 20, 60, 150, 300});
    unload_at_pump = random() % 6 == 0 ? static_cast<int>(1 + random() % 6) : 0;
    for (int k = 0; k < 3; ++k)
      presses[static_cast<std::size_t>(k)] =
          pick(std::array<std::int16_t, 7>{0, 0, 0, 0, 1, 2, -1});
  }

  // Whether call number `call` of operation `op` fails, and how.
  [[nodiscard]] std::optional<Failure> failure(int op, int call) const {
    const std::uint64_t h = mix(
        mix(seed) ^ mix(static_cast<std::uint64_t>(op) << 32U ^ static_cast<std::uint64_t>(call)));
    if (static_cast<int>(h % 1000) >= per_mille) return std::nullopt;
    static const std::array<Failure, 4> kinds{
        Failure(-2147467263, "Not implemented"), Failure(-2147217406, "Not found"),
        Failure(91, "Object variable or With block variable not set"), Failure(0, "")};
    return kinds[(h >> 20U) % kinds.size()];
  }
  // The user's answer to the k-th prompt; after many, the user gives up.
  [[nodiscard]] MsgBoxAnswer answer(int k) const {
    using enum MsgBoxAnswer;
    if (k >= 30) return kAbort;
    static const std::array<MsgBoxAnswer, 7> answers{
        kAbort, kRetry, kIgnore, kIgnore, kRetry, MsgBoxAnswer{1}, MsgBoxAnswer{7}};
    return answers[mix(seed * std::uint64_t{31} + static_cast<std::uint64_t>(k)) % answers.size()];
  }

  std::uint32_t seed;
  std::string state;
  int instances = 0;
  bool refusing = false;
  double transition = 0;
  int per_mille = 0;
  int unload_at_pump = 0;
  std::array<std::int16_t, 3> presses{};
};

// One copy of the window's surroundings, built the same way for either side.
struct World {
  explicit World(const Schedule& schedule)
      : wmi([this] { return window.now; }, [this](double s) { window.now += s; }) {
    window.tick = 1;
    for (int k = 0; k < schedule.instances; ++k) {
      wmi.set_refusing(wmi.add_service("wuauserv", std::string(schedule.state)), schedule.refusing);
    }
    wmi.set_transition_seconds(schedule.transition);
    for (int op = 0; op < static_cast<int>(sim::kOperationCount); ++op) {
      for (int call = 1; call <= 400; ++call) {
        if (std::optional<Failure> failure = schedule.failure(op, call)) {
          wmi.fail_once(static_cast<Operation>(op), *failure, call);
        }
      }
    }
    window.plan = [&schedule](FormOp op, int call) {
      return schedule.failure(100 + static_cast<int>(op), call);
    };
    for (int k = 0; k < 200; ++k) window.answers.push_back(schedule.answer(k));
    window.on_do_events = [this, &schedule] {
      if (window.pumps == schedule.unload_at_pump) window.is_unloaded = true;
    };
  }

  FakeWindow window;
  sim::SimWmi wmi;
};

void expect_same(const World& ours, const World& model, const char* when) {
  SCOPED_TRACE(when);
  EXPECT_EQ(ours.wmi.requests(), model.wmi.requests());
  EXPECT_EQ(ours.window.statuses, model.window.statuses);
  EXPECT_EQ(ours.window.prompts, model.window.prompts);
  EXPECT_EQ(ours.window.pointers, model.window.pointers);
  EXPECT_EQ(ours.window.button_caption, model.window.button_caption);
  EXPECT_EQ(ours.window.button_enabled, model.window.button_enabled);
  EXPECT_EQ(ours.window.is_unloaded, model.window.is_unloaded);
  for (int op = 0; op < static_cast<int>(sim::kOperationCount); ++op) {
    EXPECT_EQ(ours.wmi.calls(static_cast<Operation>(op)),
              model.wmi.calls(static_cast<Operation>(op)))
        << "operation " << op;
  }
}

// What the schedules reached, so that a run that tests nothing shows.
struct Reach {
  std::array<bool, 25> failed_step{};
  std::size_t prompts = 0;
  std::size_t unloads = 0;
  std::size_t requests = 0;
};
Reach reach;

// Runs one schedule on both sides; false once a difference has been reported.
bool run(std::uint32_t seed) {
  const Schedule schedule(seed);
  SCOPED_TRACE("seed " + std::to_string(seed) + " (ORVANEL_SEED=" + std::to_string(seed) +
               " runs it alone)");
  auto form_world = std::make_unique<World>(schedule);
  auto model_world = std::make_unique<World>(schedule);
  {
    Form1 form(form_world->window, form_world->wmi);
    CommandModel model(model_world->window, model_world->wmi);
    // Any numbered step may fail as it begins, also those that only test
    // values, so that every row of the resume rules is reached.
    const auto step_failures = [&schedule](std::array<int, 25>& entered) {
      return [&schedule, &entered](int step) {
        const int occurrence = ++entered[static_cast<std::size_t>(step)];
        if (std::optional<Failure> failure = schedule.failure(200 + step, occurrence)) {
          reach.failed_step[static_cast<std::size_t>(step)] = true;
          throw *failure;
        }
      };
    };
    std::array<int, 25> form_entered{};
    std::array<int, 25> model_entered{};
    int steps = 0;
    const auto form_failures = step_failures(form_entered);
    form.on_step = [&](Step step) {
      if (++steps == 100000) {
        ADD_FAILURE() << "the press does not end";
        form_world->window.is_unloaded = true;
      }
      form_failures(static_cast<int>(step));
    };
    model.on_step = step_failures(model_entered);
    const auto both = [&](auto&& on_window, auto&& on_model, const char* when) {
      std::optional<std::int32_t> form_failure;
      std::optional<std::int32_t> model_failure;
      try {
        on_window();
      } catch (const Failure& failure) {
        form_failure = failure.number();  // a failure of the prompt itself
      }
      try {
        on_model();
      } catch (const Failure& failure) {
        model_failure = failure.number();
      }
      EXPECT_EQ(form_failure, model_failure) << when;
      expect_same(*form_world, *model_world, when);
    };
    both([&] { form.Form_Activate(); }, [&] { model.refresh(); }, "first refresh");
    for (const std::int16_t index : schedule.presses) {
      if (form_world->window.is_unloaded) break;
      both([&] { form.Command1_Click(index); }, [&] { model.press(index); }, "press");
    }
    EXPECT_EQ(static_cast<bool>(form.ServicesConnection), static_cast<bool>(model.connection));
    EXPECT_EQ(static_cast<bool>(form.ServiceQueryResult), static_cast<bool>(model.result));
    EXPECT_EQ(static_cast<bool>(form.CurrentService), static_cast<bool>(model.current));
  }
  EXPECT_EQ(form_world->wmi.live_objects(), 0) << "references left behind";
  reach.prompts += form_world->window.prompts.size();
  if (form_world->window.is_unloaded) ++reach.unloads;
  reach.requests += form_world->wmi.requests().size();
  return !::testing::Test::HasFailure();
}

TEST(FailureSchedules, TheCommandDoesWhatTheModelDoesUnderEverySchedule) {
  if (const char* only = std::getenv("ORVANEL_SEED")) {
    run(static_cast<std::uint32_t>(std::strtoul(only, nullptr, 10)));
    return;
  }
  constexpr std::uint32_t kSchedules = 5000;
  for (std::uint32_t seed = 1; seed <= kSchedules; ++seed) {
    if (!run(seed)) return;  // the first difference is enough to chase
  }
  std::printf("%u schedules: %zu prompts, %zu requests, %zu windows closed\n", kSchedules,
              reach.prompts, reach.requests, reach.unloads);
  for (int step = 1; step <= 24; ++step)
    EXPECT_TRUE(reach.failed_step[static_cast<std::size_t>(step)]) << step;
  EXPECT_GT(reach.prompts, kSchedules);
  EXPECT_GT(reach.unloads, kSchedules / 10);
}

}  // namespace
}  // namespace orvanel::testing
