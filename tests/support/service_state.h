#pragma once

// wuauserv as a test found it, and given back: its start type and whether it
// runs. The Windows tests stop and start the service; a developer's machine
// and a runner keep what they had, also when a test fails.

#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "support/process.h"

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
// Gives wuauserv that start type and state back, changing only what differs
// and waiting out a stop or start already under way; says what failed, or
// nothing.
std::string restore_wuauserv(const ServiceRecord& record);

// The note of how the tests found wuauserv. The first run writes it; a run
// that finds one (an earlier run was cut short before giving the service
// back) keeps it, so that what the machine had is never overwritten by what
// a test left. Both say what they did; restoring removes the note once the
// service stands as it says. Nonzero on failure.
int record_as_found(const char* path);
int restore_as_found(const char* path);
// A disabled service cannot be started: for the tests it starts on demand.
// Says what failed, or nothing.
std::string let_wuauserv_start();
std::string set_wuauserv_start_type(DWORD type);

// Text for a file: "START_TYPE RUNNING", two numbers.
std::string to_text(const ServiceRecord& record);
std::optional<ServiceRecord> from_text(const std::string& text);

// Records wuauserv before each test and gives it back after it, failed or
// not. A crash or a time-out skips this; the service.restore test, which
// CTest runs after all the others, covers those.
class ServiceKeeper final : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo& test) override;
  void OnTestEnd(const ::testing::TestInfo& test) override;

 private:
  std::optional<ServiceRecord> before_;
};

}  // namespace orvanel::testing
