#include "app/startup.h"

#include <cstdlib>

#include "app/form1.h"
#include "app/win32_form.h"
#include "winapi/com.h"
#include "winapi/newer_sdk.h"

#include <string>

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
  DWORD search = winapi::kSearchSystem32;
  if (length > 0 && length < wbem.size()) {
    wbem.resize(length);
    wbem += L"\\wbem";
    if (add_directory(wbem.c_str()) != nullptr) search |= winapi::kSearchUserDirs;
  }
  set_default(search);
}

// Drawn at each monitor's real resolution, never stretched: per-monitor
// awareness (v2) where Windows has it (10, 1703 on), else the system's
// resolution. Without a manifest, this must happen before any window exists.
void become_dpi_aware() noexcept {
  const auto set_context = ORVANEL_SYSTEM_FUNCTION(L"user32.dll", SetProcessDpiAwarenessContext);
  if (set_context != nullptr && set_context(winapi::per_monitor_aware_v2()) != FALSE) return;
  SetProcessDPIAware();
}

int run(HINSTANCE instance, Binder& wmi) {
  restrict_dll_search();
  become_dpi_aware();
  // The window's references are released before COM goes. Without COM on
  // this thread no request could reach WMI: the program ends at once, as
  // when Windows refuses it its window.
  const winapi::apartment apartment;
  if (FAILED(apartment.result())) return 1;
  Win32Form window(instance);
  Form1 form(window, wmi);
  if (!window.create(form)) return 1;
  return window.run();
}

}  // namespace orvanel::win32
