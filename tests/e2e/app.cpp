#include "e2e/app.h"

#include <cstddef>
#include <vector>

#include "app/control_ids.h"
#include "app/win32_controls.h"
#include "service/utf.h"
#include "support/find.h"
#include "support/input.h"
#include "support/screen.h"

namespace orvanel::testing {

std::wstring Programs::real;
std::wstring Programs::simulated;

RunningApp::RunningApp(const std::wstring& program, const std::wstring& environment) {
  dpi_ = screen_dpi();

  std::vector<wchar_t> block;
  if (!environment.empty()) {
    wchar_t* inherited = GetEnvironmentStringsW();
    for (const wchar_t* entry = inherited; *entry != L'\0'; entry += wcslen(entry) + 1) {
      block.insert(block.end(), entry, entry + wcslen(entry) + 1);
    }
    FreeEnvironmentStringsW(inherited);
    block.insert(block.end(), environment.begin(), environment.end());
    block.push_back(L'\0');
    block.push_back(L'\0');
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring line = L"\"" + program + L"\"";
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, block.empty() ? nullptr : block.data(), nullptr,
                      &startup, &process_)) {
    return;
  }
  wait_for([&] {
    window_ = find_window(process_.dwProcessId, win32::kWindowClass, nullptr);
    return window_ != nullptr;
  });
}

RunningApp::~RunningApp() {
  if (process_.hProcess == nullptr) return;
  if (running()) {
    // Answer any box still up, then close the window; force only as a last resort.
    for (HWND box; (box = find_window(process_.dwProcessId, L"#32770", nullptr)) != nullptr;) {
      PostMessageW(box, WM_CLOSE, 0, 0);
      if (!wait_for([&] { return !IsWindow(box); }, 2000)) break;
    }
    if (IsWindow(window_)) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (!wait_for_exit(10000)) TerminateProcess(process_.hProcess, 99);
  }
  CloseHandle(process_.hProcess);
  CloseHandle(process_.hThread);
}

std::string RunningApp::text(HWND window) {
  wchar_t buffer[20000] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, 20000, reinterpret_cast<LPARAM>(buffer),
                           SMTO_ABORTIFHUNG, 5000, &copied)) {
    return "<no answer>";
  }
  return utf8_from_wide({buffer, static_cast<std::size_t>(copied)});
}

std::string RunningApp::status() const {
  return text(control(win32::kIdStatus));
}

RECT RunningApp::place(HWND control) const {
  return win32::place_in(window_, control);
}

POINT RunningApp::centre(int id) const {
  return centre_of(place(control(id)));
}

bool RunningApp::wait_for_status(const std::string& wanted, DWORD milliseconds) const {
  return wait_for([&] { return status() == wanted; }, milliseconds);
}

std::string RunningApp::first_status() const {
  wait_for([&] { return status().rfind("Automatic Update is ", 0) == 0; });
  return status();
}

::testing::AssertionResult RunningApp::double_click(POINT client) const {
  return click_at(window_, bare(), client, 2);
}

::testing::AssertionResult RunningApp::click(POINT client) const {
  return click_at(window_, bare(), client, 1);
}

::testing::AssertionResult RunningApp::keys(std::initializer_list<WORD> keys) const {
  return press_keys(window_, bare(), keys);
}

bool RunningApp::wait_for_exit(DWORD milliseconds) {
  return WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0;
}

DWORD RunningApp::exit_code() const {
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

bool RunningApp::running() const {
  return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

}  // namespace orvanel::testing
