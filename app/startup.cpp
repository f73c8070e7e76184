#include "app/startup.h"

#include <cstdlib>

#include "app/form1.h"
#include "app/win32_form.h"
#include "service/com_raii.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
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
  using SetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
  const FARPROC found =
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
  if (found != nullptr) {
    reinterpret_cast<SetDefaultDllDirectories>(reinterpret_cast<void*>(found))(
        LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
}

int run(HINSTANCE instance, Binder& wmi) {
  restrict_dll_search();
  // Drawn at the display's real resolution, never stretched.
  SetProcessDPIAware();
  // The window's references are released before COM goes.
  const com::apartment apartment;
  Win32Form window(instance);
  Form1 form(window, wmi);
  if (!window.create(form)) return 1;
  return window.run();
}

}  // namespace orvanel::win32
