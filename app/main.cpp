#include <windows.h>

#include "app/form1.h"
#include "app/win32_form.h"
#include "service/com_raii.h"

#ifdef ORVANEL_SIMULATED
#include "service/sim_wmi.h"
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

}  // namespace

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
  wmi.add_service("wuauserv", std::string("Running"));
  wmi.set_transition_seconds(1.0);
#else
  orvanel::com::MonikerBinder wmi;
#endif
  orvanel::win32::Win32Form window(instance);
  orvanel::Form1 form(window, wmi);
  if (!window.create(form)) return 1;
  return window.run();
}
