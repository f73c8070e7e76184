#pragma once

// wuauserv as a test found it, and given back: its start type and whether it
// runs. The Windows tests stop and start the service; a developer's machine
// and a runner keep what they had, also when a test fails.

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

// The macro below calls it: its users have it with this header.
#include "support/process.h"  // IWYU pragma: export

// Skips the test, or fails it where the run requires the service tests,
// unless the tests may control wuauserv; says why.
#define ORVANEL_REQUIRE_SERVICE_CONTROL()                                            \
  do {                                                                               \
    const std::string why = ::orvanel::testing::service_control_refused();           \
    if (why.empty()) break;                                                          \
    if (::orvanel::testing::service_tests_required()) FAIL() << why;                 \
    GTEST_SKIP() << why;                                                             \
  } while (false)

namespace orvanel::testing {

struct ServiceRecord {
  DWORD start_type = SERVICE_DEMAND_START;
  bool running = false;

  friend bool operator==(const ServiceRecord&, const ServiceRecord&) = default;
};

// How wuauserv stands now; nothing if it cannot be asked.
std::optional<ServiceRecord> wuauserv_record();
// Gives wuauserv that start type back and, with `with_state`, whether it
// runs, changing only what differs and waiting out a stop or start already
// under way; says what failed, or nothing.
std::string restore_wuauserv(const ServiceRecord& record, bool with_state);

// The note of how the tests found wuauserv, kept only by a run that may
// change the service: written and read back before anything is changed. A
// run that finds one (an earlier run was cut short before giving the service
// back) keeps it, so that what the machine had is never overwritten by what
// a test left; a note that does not parse, or that another machine wrote,
// fails. Restoring gives back the start type, and the running state only
// where a test was cut short before giving back its own change (Windows
// Update starts and stops the service by itself), then removes the note.
// Both say what they did; nonzero on failure.
int record_as_found(const std::filesystem::path& note);
int restore_as_found(const std::filesystem::path& note);
// A disabled service cannot be started: for the tests it starts on demand.
// Says what failed, or nothing.
std::string let_wuauserv_start();
std::string set_wuauserv_start_type(DWORD type);

// Records wuauserv before each test and gives it back after it, failed or
// not. A crash or a time-out skips the giving back; a mark beside the note
// (ORVANEL_SERVICE_NOTE, where CTest runs the tests) then tells the
// service.restore test, which CTest runs after all the others, that the
// running state is the run's to give back too.
class ServiceKeeper final : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo& test) override;
  void OnTestEnd(const ::testing::TestInfo& test) override;

 private:
  std::optional<ServiceRecord> before_;
};

}  // namespace orvanel::testing
