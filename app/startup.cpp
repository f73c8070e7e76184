#include "app/startup.h"

#include <cstdlib>

#include "app/form1.h"
#include "app/win32_form.h"
#include "winapi/com.h"
#include "winapi/system_function.h"

#include <string>

// Windows 8 and Windows 7 with KB2533623 have these; the program targets
// Windows 7, whose headers leave them out.
#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif
#ifndef LOAD_LIBRARY_SEARCH_USER_DIRS
#define LOAD_LIBRARY_SEARCH_USER_DIRS 0x00000400
#endif

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

namespace orvanel::win32 {

void restrict_dll_search() noexcept {
  const auto set_default = ORVANEL_SYSTEM_FUNCTION(L"kernel32.dll", SetDefaultDllDirectories);
  const auto add_directory = ORVANEL_SYSTEM_FUNCTION(L"kernel32.dll", AddDllDirectory);
  if (set_default == nullptr || add_directory == nullptr) return;

  // WMI's in-process servers live in System32\wbem and load their own
  // DLLs from there by the default search: without it, WMI would not load.
  std::wstring wbem(MAX_PATH, L'\0');
  const UINT length = GetSystemDirectoryW(wbem.data(), static_cast<UINT>(wbem.size()));
  DWORD search = LOAD_LIBRARY_SEARCH_SYSTEM32;
  if (length > 0 && length < wbem.size()) {
    wbem.resize(length);
    wbem += L"\\wbem";
    if (add_directory(wbem.c_str()) != nullptr) search |= LOAD_LIBRARY_SEARCH_USER_DIRS;
  }
  set_default(search);
}

// Drawn at each monitor's real resolution, never stretched: per-monitor
// awareness (v2) where Windows has it (10, 1703 on), else the system's
// resolution. Without a manifest, this must happen before any window exists.
void become_dpi_aware() noexcept {
  const auto per_monitor_v2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
  const auto set_context = ORVANEL_SYSTEM_FUNCTION(L"user32.dll", SetProcessDpiAwarenessContext);
  if (set_context != nullptr && set_context(per_monitor_v2) != FALSE) return;
  SetProcessDPIAware();
}

int run(HINSTANCE instance, Binder& wmi) {
  restrict_dll_search();
  become_dpi_aware();
  // The window's references are released before COM goes.
  const winapi::apartment apartment;
  Win32Form window(instance);
  Form1 form(window, wmi);
  if (!window.create(form)) return 1;
  return window.run();
}

}  // namespace orvanel::win32
