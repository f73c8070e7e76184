// Another program's message box, for tests that must find only their own.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
  return MessageBoxW(nullptr, L"A box of another program", L"Whoops", MB_OK);
}
