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
// Whether the tests may stop and start wuauserv: always under Wine, and on
// Windows as administrator. Tests that need it skip otherwise, saying so.
bool can_control_service();
inline constexpr const char* kNeedsServiceControl =
    "needs administrator rights to stop and start wuauserv";

// Runs a command line to its end and gives what it wrote to its output.
std::string run_and_capture(const std::wstring& command);

// A program path as Windows sees it: under Wine a Unix path is on drive Z:.
std::wstring windows_path(const std::string& path);

// "Running" or "Stopped" as the service control tool reports wuauserv, or
// what it printed.
std::string wuauserv_state();
void net(const wchar_t* verb);  // "start" or "stop" wuauserv

}  // namespace orvanel::testing
