#pragma once

// Starting programs from the Windows tests.

#include <windows.h>

#include <string>

namespace orvanel::testing {

// Runs a command line to its end and gives what it wrote to its output.
std::string run_and_capture(const std::wstring& command);

// A program path as Windows sees it: under Wine a Unix path is on drive Z:.
std::wstring windows_path(const std::string& path);

// "Running" or "Stopped" as the service control tool reports wuauserv, or
// what it printed.
std::string wuauserv_state();
void net(const wchar_t* verb);  // "start" or "stop" wuauserv

}  // namespace orvanel::testing
