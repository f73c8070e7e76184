#pragma once

// wuauserv as a test found it, and restored: its start type and whether it
// runs. The tests that control the service stop and start it; a developer's
// machine and a runner keep what they had, also when a test fails or is cut
// short.

#include <gtest/gtest.h>

#include <windows.h>
#include <winsvc.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <variant>

// The macro below calls it: its users have it with this header.
#include "support/process.h"  // IWYU pragma: export

// Skips the test, or fails it where the run requires the service tests,
// unless the tests may control wuauserv; says why. Otherwise the test holds
// the service from here on, and the keeper gives it back when the test ends.
#define ORVANEL_REQUIRE_SERVICE_CONTROL()                                         \
  do {                                                                            \
    const std::string why = ::orvanel::testing::service_control_refused();        \
    if (!why.empty()) {                                                           \
      if (::orvanel::testing::service_tests_required()) FAIL() << why;            \
      GTEST_SKIP() << why;                                                        \
    }                                                                             \
    const std::string unheld = ::orvanel::testing::hold_wuauserv_for_this_test(); \
    if (!unheld.empty()) FAIL() << unheld;                                        \
  } while (false)

namespace orvanel::testing {

struct ServiceRecord {
  DWORD start_type = SERVICE_DEMAND_START;
  bool running = false;

  friend bool operator==(const ServiceRecord&, const ServiceRecord&) = default;
};

// How wuauserv stands now; nothing if it cannot be asked.
std::optional<ServiceRecord> wuauserv_record();
// "Running" or "Stopped" as the service control manager reports wuauserv,
// or what else it reports.
std::string wuauserv_state();
// Starts or stops wuauserv, as a test that controls it does, and waits until
// it runs or has stopped; says what failed, or nothing.
std::string set_wuauserv_running(bool running);
// Gives wuauserv that start type back and, with `with_state`, whether it
// runs, changing only what differs and waiting out a stop or start already
// under way; says what failed, or nothing.
std::string restore_wuauserv(const ServiceRecord& record, bool with_state);

// The note of how the tests found wuauserv, kept only by a run that may
// change the service: written and read back before anything is changed. A
// run that finds one (an earlier run was cut short before giving the service
// back) keeps it, so that what the machine had is never overwritten by what
// a test left; a note that does not parse, or that another machine wrote,
// fails. Restoring sets the start type back and, where tests were cut short
// before giving back their own changes (their marks are left beside the
// note), whether the service ran before the earliest of them; otherwise
// whether it runs is Windows Update's. Then it removes the note and the
// marks. Both say what they did; nonzero on failure.
int record_as_found(const std::filesystem::path& note);
int restore_as_found(const std::filesystem::path& note);
// A disabled service cannot be started: for the tests it starts on demand.
// Says what failed, or nothing.
std::string let_wuauserv_start();
std::string set_wuauserv_start_type(DWORD type);

// One test's hold on wuauserv: how it stood as the test began. With a note,
// the hold is also kept in a mark of the test's own beside it, which no other
// test overwrites or removes, so that a test cut short (a crash, a time-out)
// is still restored by the run's restore.
class ServiceHold {
 public:
  // The hold, or why it cannot be taken; nothing is changed then.
  static std::variant<ServiceHold, std::string> take(
      const std::string& test, const std::optional<std::filesystem::path>& note);
  // Gives back how the service stood, then removes the mark; a mark stays
  // where the service could not be restored. Says what failed, or nothing.
  std::string give_back() const;

 private:
  ServiceHold(ServiceRecord before, std::optional<std::filesystem::path> mark)
      : before_(before), mark_(std::move(mark)) {}
  ServiceRecord before_;
  std::optional<std::filesystem::path> mark_;
};

// The running test's hold, beside the note that CTest names
// (ORVANEL_SERVICE_NOTE) where it runs the test; the keeper gives it back.
// Says why it could not be taken, or nothing.
std::string hold_wuauserv_for_this_test();

// Gives back the hold that the test took, when the test ends, failed or not.
class ServiceKeeper final : public ::testing::EmptyTestEventListener {
 public:
  void OnTestEnd(const ::testing::TestInfo& test) override;
};

}  // namespace orvanel::testing
