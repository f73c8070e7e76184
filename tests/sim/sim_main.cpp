// orvanel-sim.exe: the program against the simulated service, for the tests
// only. Its service comes from the environment:
//   ORVANEL_SIM_STATE          the state text (default "Running")
//   ORVANEL_SIM_INSTANCES      how many instances the query finds (default 1)
//   ORVANEL_SIM_SECONDS        how long a stop or start stays pending (default 1)
//   ORVANEL_SIM_QUERY_SECONDS  how long each query takes (default 0)
//   ORVANEL_SIM_FLIPS          1: the service stops or starts by itself before
//                              every query
//   ORVANEL_SIM_FAILURE        a failure of the start and stop requests,
//                              "NUMBER DESCRIPTION"
//   ORVANEL_SIM_FAILURES       how many requests fail, from the first (0 or
//                              unset: every one)
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <variant>

#include "app/startup.h"
#include "winapi/text.h"
#include "sim/sim_wmi.h"

namespace {

std::wstring setting(const wchar_t* name, const wchar_t* fallback) {
  std::wstring value(32767, L'\0');
  const DWORD length =
      GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
  if (length == 0 || length >= value.size()) return fallback;
  value.resize(length);
  return value;
}

double steady_seconds() {
  using Seconds = std::chrono::duration<double>;
  return Seconds(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// On Windows WMI answers from another process, and while the window's
// thread waits for it, COM's modal loop delivers the messages that other
// threads and processes send to the window; posted messages and input wait.
// The simulated query waits the same way.
void wait_as_com_does(double seconds) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now),
                                  QS_SENDMESSAGE) == WAIT_OBJECT_0) {
      MSG sent;
      PeekMessageW(&sent, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
  using orvanel::sim::Operation;
  const bool flips = setting(L"ORVANEL_SIM_FLIPS", L"0") == L"1";
  orvanel::sim::SimWmi* service = nullptr;
  orvanel::sim::SimWmi wmi(steady_seconds, [&](double seconds) {
    // Someone else stops or starts the service just before each query.
    if (flips && service != nullptr) {
      const orvanel::Value now = service->state(0);
      const std::string* text = std::get_if<std::string>(&now);
      const bool running = text != nullptr && *text == "Running";
      service->set_state(0, std::string(running ? "Stopped" : "Running"));
    }
    wait_as_com_does(seconds);
  });
  service = &wmi;
  const std::string state =
      orvanel::winapi::utf8_from_wide(setting(L"ORVANEL_SIM_STATE", L"Running"));
  for (int k = _wtoi(setting(L"ORVANEL_SIM_INSTANCES", L"1").c_str()); k > 0; --k)
    wmi.add_service("wuauserv", state);
  wmi.set_transition_seconds(_wtof(setting(L"ORVANEL_SIM_SECONDS", L"1").c_str()));
  const double query_seconds = _wtof(setting(L"ORVANEL_SIM_QUERY_SECONDS", L"0").c_str());
  // A wait however short, so that every query passes through the sleeper.
  wmi.set_latency(Operation::kExecQuery, flips && query_seconds <= 0 ? 1e-6 : query_seconds);
  const std::wstring failure = setting(L"ORVANEL_SIM_FAILURE", L"");
  if (!failure.empty()) {
    wchar_t* description = nullptr;
    const auto number = static_cast<std::int32_t>(std::wcstoul(failure.c_str(), &description, 0));
    if (*description == L' ') ++description;
    const orvanel::Failure refused(number, orvanel::winapi::utf8_from_wide(description));
    const int failing = _wtoi(setting(L"ORVANEL_SIM_FAILURES", L"0").c_str());
    for (int call = 1; call <= failing; ++call) wmi.fail_once(Operation::kMethod, refused, call);
    if (failing <= 0) wmi.fail_from(Operation::kMethod, refused, 1);
  }
  return orvanel::win32::run(instance, wmi);
}
