#pragma once

// What the headers of the oldest Windows the program supports (7) leave
// out, declared here once: the numbers and GUIDs of later Windows, the GUIDs
// of accessibility without their import library, and the functions of the
// system's DLLs that older Windows lacks, looked up when the program runs.
// Each function is typed by one declaration below, so that its name and its
// signature cannot drift apart.

#include <windows.h>

namespace orvanel::winapi {

// LoadLibraryEx's search flags: Windows 8, and 7 with KB2533623.
inline constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
inline constexpr DWORD kSearchUserDirs = 0x00000400;  // LOAD_LIBRARY_SEARCH_USER_DIRS

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2: Windows 10, 1703.
inline HANDLE per_monitor_aware_v2() noexcept {
  return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
}
// WM_GETDPISCALEDSIZE: Windows 10, 1703.
inline constexpr UINT kGetDpiScaledSize = 0x02E4;

// EVENT_OBJECT_LIVEREGIONCHANGED: Windows 8.
inline constexpr DWORD kLiveRegionChanged = 0x8019;
// LiveSetting_Property_GUID (Windows 8) and its value Polite.
inline constexpr GUID kLiveSetting{
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
inline constexpr LONG kPolite = 1;
// PROPID_ACC_NAME, CLSID_AccPropServices and IID_IAccPropServices, which
// Windows 7's headers declare only against oleacc's GUID library.
inline constexpr GUID kAccName{
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
inline constexpr GUID kAccPropServices{
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
inline constexpr GUID kIAccPropServices{
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};

// Declared, never defined: only their types are used, so nothing imports
// them.
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
