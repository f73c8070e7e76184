#include <windows.h>

#include <cstdlib>

#include "app/form1.h"
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

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

// DLLs come from the system directory only, so that one planted beside the
// program is never loaded. Windows 7 has the call only with its update.
void restrict_dll_search() {
  using SetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
  const FARPROC found =
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
  if (found != nullptr) {
    reinterpret_cast<SetDefaultDllDirectories>(reinterpret_cast<void*>(found))(
        LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
}

#ifdef ORVANEL_SIMULATED
// The test build takes its service's state and transition time from the
// environment; the shipped program reads none.
std::wstring setting(const wchar_t* name, const wchar_t* fallback) {
  wchar_t value[256] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, 256);
  return length == 0 || length >= 256 ? fallback : value;
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
  restrict_dll_search();
  // Drawn at the display's real resolution, never stretched.
  SetProcessDPIAware();
  // The window's references are released before COM goes.
  const orvanel::com::apartment apartment;
#ifdef ORVANEL_SIMULATED
  // A test build: the service stops and starts in about a second.
  orvanel::sim::SimWmi wmi;
  wmi.add_service("wuauserv", orvanel::utf8_from_wide(setting(L"ORVANEL_SIM_STATE", L"Running")));
  wmi.set_transition_seconds(_wtof(setting(L"ORVANEL_SIM_SECONDS", L"1").c_str()));
#else
  orvanel::com::MonikerBinder wmi;
#endif
  orvanel::win32::Win32Form window(instance);
  orvanel::Form1 form(window, wmi);
  if (!window.create(form)) return 1;
  return window.run();
}
