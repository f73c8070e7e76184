#include <windows.h>

#include <cstdlib>

#include "app/form1.h"
#include "app/startup.h"
#include "app/win32_form.h"
#include "service/com_raii.h"

#ifdef ORVANEL_SIMULATED
#include <cstdlib>
#include <string>

#include "service/sim_wmi.h"
#include "service/utf.h"
#else
#include "service/com_automation.h"
#endif

namespace {

#ifdef ORVANEL_SIMULATED
// The test build takes its service from the environment: state, number of
// instances, transition and query time. The shipped program reads none.
std::wstring setting(const wchar_t* name, const wchar_t* fallback) {
  std::wstring value(32767, L'\0');
  const DWORD length =
      GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
  if (length == 0 || length >= value.size()) return fallback;
  value.resize(length);
  return value;
}
#endif

}  // namespace

#ifdef __GLIBCXX__
// The library's default handler prints the demangled name of an uncaught
// exception to a console this program does not have, and brings a demangler
// a quarter the size of the program with it. Nothing is left uncaught here;
// if anything ever were, ending at once is all a handler could do.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  std::abort();
}
}  // namespace __gnu_cxx
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
  orvanel::win32::restrict_dll_search();
  // Drawn at the display's real resolution, never stretched.
  SetProcessDPIAware();
  // The window's references are released before COM goes.
  const orvanel::com::apartment apartment;
#ifdef ORVANEL_SIMULATED
  // A test build: the service stops and starts in about a second.
  orvanel::sim::SimWmi wmi;
  const std::string state = orvanel::utf8_from_wide(setting(L"ORVANEL_SIM_STATE", L"Running"));
  for (int k = _wtoi(setting(L"ORVANEL_SIM_INSTANCES", L"1").c_str()); k > 0; --k)
    wmi.add_service("wuauserv", state);
  wmi.set_transition_seconds(_wtof(setting(L"ORVANEL_SIM_SECONDS", L"1").c_str()));
  wmi.set_latency(orvanel::sim::Operation::kExecQuery,
                  _wtof(setting(L"ORVANEL_SIM_QUERY_SECONDS", L"0").c_str()));
#else
  orvanel::com::MonikerBinder wmi;
#endif
  orvanel::win32::Win32Form window(instance);
  orvanel::Form1 form(window, wmi);
  if (!window.create(form)) return 1;
  return window.run();
}
