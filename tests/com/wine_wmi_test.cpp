#include <gtest/gtest.h>

#include <string>

#include "service/com_automation.h"
#include "service/com_raii.h"

namespace orvanel {
namespace {

constexpr std::string_view kMoniker = "winmgmts:\\\\.\\root\\cimv2";

// Runs a command of the system and gives what it wrote to standard output.
std::string run(const std::wstring& command) {
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
    while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      output.append(buffer, got);
    }
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  CloseHandle(read_end);
  return output;
}

// "RUNNING" or "STOPPED", as the service control tool reports it.
std::string sc_state() {
  const std::string output = run(L"sc.exe query wuauserv");
  for (const char* state : {"RUNNING", "STOPPED", "PENDING"}) {
    if (output.find(state) != std::string::npos) return state;
  }
  return output;
}

Object query(std::string_view name) {
  const Object services = com::MonikerBinder().bind(kMoniker);
  const Value text{"Select * from Win32_Service where Name = '" + std::string(name) + "'"};
  return object_of(services.call("ExecQuery", {&text, 1}));
}

std::vector<Object> elements(const Object& collection) {
  std::vector<Object> found;
  Enumeration walk = collection.enumerate();
  while (std::optional<Object> next = walk.next()) found.push_back(std::move(*next));
  return found;
}

TEST(WineWmi, StateFollowsTheServiceControlTool) {
  for (const wchar_t* command :
       {L"net.exe start wuauserv", L"net.exe stop wuauserv", L"net.exe start wuauserv"}) {
    run(command);
    const std::vector<Object> found = elements(query("wuauserv"));
    ASSERT_EQ(found.size(), 1U);
    const std::string state = text_of(found[0].get("State"));
    const std::string reported = sc_state();
    EXPECT_EQ(state, reported == "RUNNING"   ? "Running"
                     : reported == "STOPPED" ? "Stopped"
                                             : "?")
        << "after " << std::string(command, command + wcslen(command)) << ": sc said " << reported;
  }
  run(L"net.exe stop wuauserv");
  EXPECT_EQ(text_of(elements(query("wuauserv")).at(0).get("State")), "Stopped");
}

TEST(WineWmi, MethodCallsFailWithANegativeNumberAndAText) {
  const std::vector<Object> found = elements(query("wuauserv"));
  ASSERT_EQ(found.size(), 1U);
  for (const char* method : {"StartService", "StopService"}) {
    try {
      found[0].call(method);
      // A Wine that implements the call would pass here; this one must not.
      ADD_FAILURE() << method << " succeeded";
    } catch (const Failure& failure) {
      EXPECT_LT(failure.number(), 0) << method;
      EXPECT_FALSE(failure.description().empty()) << method;
    }
  }
}

TEST(WineWmi, AnAbsentServiceGivesAnEmptyCollection) {
  EXPECT_TRUE(elements(query("orvanel_no_such_service")).empty());
}

TEST(WineWmi, ABadMonikerFailsCleanly) {
  for (const char* moniker : {"winmgmts:\\\\.\\root\\no_such_namespace", "nonsense:", ""}) {
    try {
      (void)com::MonikerBinder().bind(moniker);
      ADD_FAILURE() << "bound " << moniker;
    } catch (const Failure& failure) {
      EXPECT_LT(failure.number(), 0) << moniker;
      EXPECT_FALSE(failure.description().empty()) << moniker;
    }
  }
}

}  // namespace
}  // namespace orvanel
