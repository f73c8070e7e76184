#include "support/input.h"

#include <cwctype>
#include <iterator>
#include <string>
#include <vector>

#include "winapi/text.h"
#include "support/find.h"

namespace orvanel::testing {
namespace {

std::string describe(HWND window) {
  if (window == nullptr) return "no window";
  wchar_t title[256] = {};
  wchar_t kind[256] = {};
  GetWindowTextW(window, title, 256);
  GetClassNameW(window, kind, 256);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return "\"" + winapi::utf8_from_wide(title) + "\" (class " + winapi::utf8_from_wide(kind) +
         ", process " + std::to_string(process) + ")";
}

// Whether the point of the screen shows the window or one of its children.
bool shows(HWND window, POINT screen) {
  HWND under = WindowFromPoint(screen);
  return under != nullptr && GetAncestor(under, GA_ROOT) == window;
}

// Every press and release says where it happens (MOUSEEVENTF_MOVE with
// absolute coordinates), not only the first move: whatever else moves the
// pointer meanwhile, the button goes down and up at the point. Under Wine
// something does: just after a message box under the pointer was answered,
// a press sent to the Close button arrived with the pointer back over the
// button clicked a moment before, where the X server's own pointer had
// stayed, and was a double-click on that button.
void send_clicks(POINT screen, int clicks) {
  std::vector<INPUT> inputs;
  INPUT move{};
  move.type = INPUT_MOUSE;
  move.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  move.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs.push_back(move);
  for (int k = 0; k < clicks; ++k) {
    for (const DWORD button : {DWORD{MOUSEEVENTF_LEFTDOWN}, DWORD{MOUSEEVENTF_LEFTUP}}) {
      INPUT press = move;
      press.mi.dwFlags = button | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
      inputs.push_back(press);
    }
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace

std::string letters_off_their_keys(HWND window, std::wstring_view letters) {
  const HKL layout = GetKeyboardLayout(GetWindowThreadProcessId(window, nullptr));
  for (const wchar_t letter : letters) {
    const SHORT key = VkKeyScanExW(static_cast<wchar_t>(std::towlower(letter)), layout);
    if (key == -1 || LOBYTE(key) != letter || HIBYTE(key) != 0) {
      return "the keyboard layout in use does not type " + winapi::utf8_from_wide({&letter, 1}) +
             " with its own key, which the test presses";
    }
  }
  return {};
}

::testing::AssertionResult bring_to_front(HWND window, POINT bare, const Pump& pump) {
  if (GetForegroundWindow() == window) return ::testing::AssertionSuccess();
  // Granted where Windows allows it (this process in front, or started by
  // the one in front); refused silently otherwise.
  SetForegroundWindow(window);
  if (GetForegroundWindow() == window) return ::testing::AssertionSuccess();
  // A click activates the window it lands on, whoever holds the foreground.
  ClientToScreen(window, &bare);
  if (!shows(window, bare)) {
    return ::testing::AssertionFailure()
           << "nothing sent: the window is covered where it would be clicked, and "
           << describe(GetForegroundWindow()) << " is in front";
  }
  send_clicks(bare, 1);
  if (wait_for(
          [&] {
            if (pump) pump();
            return GetForegroundWindow() == window;
          },
          2000)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "nothing sent: " << describe(GetForegroundWindow())
                                       << " keeps the foreground from " << describe(window);
}

::testing::AssertionResult press_keys(HWND window, POINT bare, std::initializer_list<WORD> keys,
                                      const Pump& pump) {
  if (::testing::AssertionResult front = bring_to_front(window, bare, pump); !front) return front;
  std::vector<INPUT> inputs;
  for (const WORD key : keys) {
    INPUT down{};
    down.type = INPUT_KEYBOARD;
    down.ki.wVk = key;
    inputs.push_back(down);
  }
  for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) {
    INPUT up{};
    up.type = INPUT_KEYBOARD;
    up.ki.wVk = *it;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(up);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult click_at(HWND window, POINT bare, POINT client, int clicks,
                                    const Pump& pump) {
  if (::testing::AssertionResult front = bring_to_front(window, bare, pump); !front) return front;
  ClientToScreen(window, &client);
  if (!shows(window, client)) {
    return ::testing::AssertionFailure() << "nothing sent: another window covers the point, "
                                         << describe(WindowFromPoint(client));
  }
  send_clicks(client, clicks);
  return ::testing::AssertionSuccess();
}

}  // namespace orvanel::testing
