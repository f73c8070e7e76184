#pragma once

// Functions of the system's DLLs that older Windows lacks, looked up when
// the program runs. Each is typed by one declaration below, so that its name
// and its signature cannot drift apart.

#include <windows.h>

namespace orvanel::winapi {

// As the headers of the Windows versions that have them declare them; the
// program targets Windows 7, whose headers leave them out. Declared, never
// defined: only their types are used, so nothing imports them.
namespace signature {
BOOL WINAPI SetDefaultDllDirectories(DWORD flags);
void* WINAPI AddDllDirectory(const wchar_t* directory);
BOOL WINAPI SetProcessDpiAwarenessContext(HANDLE context);
int WINAPI GetSystemMetricsForDpi(int index, UINT dpi);
UINT WINAPI GetDpiForWindow(HWND window);
BOOL WINAPI AdjustWindowRectExForDpi(RECT* rect, DWORD style, BOOL menu, DWORD ex_style, UINT dpi);
}  // namespace signature

// The function of that name in a DLL that the process has loaded, or null
// where this Windows lacks it.
template <typename Function>
[[nodiscard]] Function* system_function(const wchar_t* module, const char* name) noexcept {
  HMODULE loaded = GetModuleHandleW(module);
  if (loaded == nullptr) return nullptr;
  return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(loaded, name)));
}

}  // namespace orvanel::winapi

// The name and the type both come from the declaration above.
#define ORVANEL_SYSTEM_FUNCTION(module, name) \
  ::orvanel::winapi::system_function<decltype(::orvanel::winapi::signature::name)>(module, #name)
