#pragma once

// Starting programs from the Windows tests, and where they run.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "winapi/handles.h"

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

// A process the tests started, held by its handles.
struct Process {
  winapi::unique_kernel_handle handle;
  winapi::unique_kernel_handle thread;
  DWORD id = 0;

  // True once it has ended, waiting at most that long.
  [[nodiscard]] bool ended(DWORD milliseconds = 0) const;
  [[nodiscard]] DWORD exit_code() const;
};

// Starts a program by its command line, with an environment block of its own
// where one is given, and its output and errors into `output` where that is
// given; nothing where Windows refuses, GetLastError saying why.
std::optional<Process> start_process(std::wstring command_line,
                                     const std::vector<wchar_t>& environment = {},
                                     HANDLE output = nullptr);

// Runs a command line to its end, or for that long at most: its exit code and
// what it wrote; nothing where it could not start or did not end in time.
struct Finished {
  DWORD exit_code = 0;
  std::string output;
};
std::optional<Finished> run_to_end(const std::wstring& command_line, DWORD milliseconds);

// A program path as Windows sees it: under Wine a Unix path is on drive Z:.
std::wstring windows_path(std::wstring path);

}  // namespace orvanel::testing
