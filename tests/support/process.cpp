#include "support/process.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

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
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  const bool elevated =
      GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) != FALSE &&
      elevation.TokenIsElevated != 0;
  CloseHandle(token);
  return elevated;
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

std::string run_and_capture(const std::wstring& command) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return {};
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  PROCESS_INFORMATION process{};
  std::wstring line = command;
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
  CloseHandle(write_end);
  std::string output;
  if (started) {
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) && got > 0)
      output.append(buffer, got);
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  CloseHandle(read_end);
  return output;
}

std::wstring windows_path(std::wstring path) {
  if (!path.empty() && path.front() == L'/') {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    path.insert(0, L"Z:");
  }
  return path;
}

std::string wuauserv_state() {
  std::string output = run_and_capture(L"sc.exe query wuauserv");
  if (output.find("RUNNING") != std::string::npos) return "Running";
  if (output.find("STOPPED") != std::string::npos) return "Stopped";
  return output;
}

void net(const wchar_t* verb) {
  run_and_capture(std::wstring(L"net.exe ") + verb + L" wuauserv");
}

}  // namespace orvanel::testing
