#pragma once

// Starting programs from the Windows tests.

#include <windows.h>

#include <string>

namespace orvanel::testing {

// Where the tests run, for the few expectations that differ: Wine (which
// ntdll tells by an export of its own) or Windows.
bool under_wine();
// Whether this process runs with an administrator's rights (elevated).
bool running_elevated();
// Whether the tests may stop, start and reconfigure wuauserv: always under
// Wine, whose service belongs to the tests' own prefix; on Windows only when
// asked (ORVANEL_TEST_REAL_SERVICE=1) and as administrator. Empty when they
// may, else why not and how to let them.
std::string service_control_refused();
bool can_control_service();
// ORVANEL_REQUIRE_SERVICE_TESTS=1, as the Windows CI jobs set it: a test that
// would skip for want of the service or of the rights fails instead.
bool service_tests_required();

// Runs a command line to its end and gives what it wrote to its output.
std::string run_and_capture(const std::wstring& command);

// A program path as Windows sees it: under Wine a Unix path is on drive Z:.
std::wstring windows_path(std::wstring path);

// "Running" or "Stopped" as the service control tool reports wuauserv, or
// what it printed.
std::string wuauserv_state();
void net(const wchar_t* verb);  // "start" or "stop" wuauserv

}  // namespace orvanel::testing
