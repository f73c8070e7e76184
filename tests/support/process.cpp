#include "support/process.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace orvanel::testing {
namespace {

bool environment_says(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && std::string_view(value) == "1";
}

}  // namespace

bool under_wine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool running_elevated() {
  HANDLE opened = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return false;
  const winapi::unique_kernel_handle token(opened);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) !=
             FALSE &&
         elevation.TokenIsElevated != 0;
}

std::string service_control_refused() {
  if (under_wine()) return {};
  if (!environment_says("ORVANEL_TEST_REAL_SERVICE")) {
    return "leaves this machine's wuauserv alone: set ORVANEL_TEST_REAL_SERVICE=1 to let the "
           "tests stop, start and reconfigure it (they give it back afterwards)";
  }
  if (!running_elevated()) return "needs administrator rights to stop and start wuauserv";
  return {};
}

bool can_control_service() { return service_control_refused().empty(); }

bool service_tests_required() { return environment_says("ORVANEL_REQUIRE_SERVICE_TESTS"); }

bool Process::ended(DWORD milliseconds) const {
  return WaitForSingleObject(handle.get(), milliseconds) == WAIT_OBJECT_0;
}

DWORD Process::exit_code() const {
  DWORD code = 0;
  GetExitCodeProcess(handle.get(), &code);
  return code;
}

std::optional<Process> start_process(std::wstring command_line,
                                     const std::vector<wchar_t>& environment, HANDLE output) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (output != nullptr) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
  }
  PROCESS_INFORMATION started{};
  const DWORD flags = (environment.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT) |
                      (output != nullptr ? CREATE_NO_WINDOW : 0);
  // CreateProcessW may write into the command line, so it gets a copy.
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, output != nullptr, flags,
                      environment.empty() ? nullptr : const_cast<wchar_t*>(environment.data()),
                      nullptr, &startup, &started)) {
    return std::nullopt;
  }
  return Process{winapi::unique_kernel_handle(started.hProcess),
                 winapi::unique_kernel_handle(started.hThread), started.dwProcessId};
}

std::optional<Finished> run_to_end(const std::wstring& command_line, DWORD milliseconds) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return std::nullopt;
  const winapi::unique_kernel_handle reading(read_end);
  winapi::unique_kernel_handle writing(write_end);
  SetHandleInformation(reading.get(), HANDLE_FLAG_INHERIT, 0);
  const std::optional<Process> process = start_process(command_line, {}, writing.get());
  // The child has its own copy now; the pipe ends when the child's does.
  writing.reset();
  if (!process) return std::nullopt;
  // Only what the pipe holds is read, so that a child that hangs, or one
  // of its own that keeps the pipe open, holds the test no longer than asked.
  Finished finished;
  const auto take_what_is_written = [&] {
    char buffer[512];
    DWORD available = 0;
    DWORD got = 0;
    while (PeekNamedPipe(reading.get(), nullptr, 0, nullptr, &available, nullptr) &&
           available > 0 && ReadFile(reading.get(), buffer, sizeof buffer, &got, nullptr) &&
           got > 0) {
      finished.output.append(buffer, got);
    }
  };
  const ULONGLONG end = GetTickCount64() + milliseconds;
  while (!process->ended(20)) {
    take_what_is_written();
    if (GetTickCount64() >= end) {
      TerminateProcess(process->handle.get(), 1);
      return std::nullopt;
    }
  }
  take_what_is_written();
  finished.exit_code = process->exit_code();
  return finished;
}

std::wstring windows_path(std::wstring path) {
  if (!path.empty() && path.front() == L'/') {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    path.insert(0, L"Z:");
  }
  return path;
}

}  // namespace orvanel::testing
