// The least a Win32 program can be that shows the service's state: one
// window, one bare query, the answer in its title. The start-up and memory
// reference for the program.

#include <windows.h>
#include <objbase.h>

#include <string>

#include "bench/bare_query.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  SetProcessDPIAware();
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = [](HWND window, UINT message, WPARAM w, LPARAM l) -> LRESULT {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, w, l);
  };
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = L"Orvanel.Bare";
  RegisterClassW(&window_class);
  HWND window =
      CreateWindowExW(0, L"Orvanel.Bare", L"Querying", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 100,
                      100, 420, 150, nullptr, nullptr, instance, nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  const std::wstring title = L"Automatic Update is " + orvanel::bench::bare_state();
  SetWindowTextW(window, title.c_str());
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
