// Watches the program's window from outside, for scripts:
//   orvanel_watch wait    waits for the first status line and prints it
//   orvanel_watch close   closes the window as its close box does
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <algorithm>
#include <string_view>

#include "app/control_ids.h"
#include "app/form1.h"
#include "app/forms.h"

int main(int argc, char** argv) {
  if (argc != 2 || (std::strcmp(argv[1], "wait") != 0 && std::strcmp(argv[1], "close") != 0)) {
    std::fprintf(stderr, "usage: orvanel_watch wait|close\n");
    return 2;
  }
  const bool close = std::strcmp(argv[1], "close") == 0;
  const ULONGLONG end = GetTickCount64() + 30000;
  while (GetTickCount64() < end) {
    HWND window = FindWindowW(orvanel::win32::kWindowClass, nullptr);
    if (window != nullptr && close) {
      PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    }
    wchar_t status[512] = {};
    if (window != nullptr)
      GetWindowTextW(GetDlgItem(window, orvanel::win32::id_of(orvanel::Label1)), status, 512);
    // The status line is ASCII up to the state, as the behaviour writes it.
    const std::wstring_view shown = status;
    if (shown.size() > orvanel::kStatusPrefix.size() &&
        std::equal(orvanel::kStatusPrefix.begin(), orvanel::kStatusPrefix.end(), shown.begin())) {
      // Let the new text reach the screen.
      Sleep(300);
      std::printf("%ls\n", status);
      return 0;
    }
    Sleep(50);
  }
  std::fprintf(stderr, "orvanel_watch: no window with a status line\n");
  return 1;
}
