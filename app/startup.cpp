#include "app/startup.h"

#include <windows.h>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
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

}  // namespace orvanel::win32
