// orvanel-sim.exe: the program against the simulated service, for the tests
// only. Its service comes from the environment: state, number of instances,
// how long a stop or start stays pending, and how long each query takes.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/startup.h"
#include "service/utf.h"
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

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
  orvanel::sim::SimWmi wmi;
  const std::string state = orvanel::utf8_from_wide(setting(L"ORVANEL_SIM_STATE", L"Running"));
  for (int k = _wtoi(setting(L"ORVANEL_SIM_INSTANCES", L"1").c_str()); k > 0; --k)
    wmi.add_service("wuauserv", state);
  wmi.set_transition_seconds(_wtof(setting(L"ORVANEL_SIM_SECONDS", L"1").c_str()));
  wmi.set_latency(orvanel::sim::Operation::kExecQuery,
                  _wtof(setting(L"ORVANEL_SIM_QUERY_SECONDS", L"0").c_str()));
  return orvanel::win32::run(instance, wmi);
}
