#include "e2e/app.h"

#include <cstddef>
#include <cwchar>
#include <map>
#include <string_view>
#include <vector>

#include "app/control_ids.h"
#include "app/forms.h"
#include "app/win32_geometry.h"
#include "app/win32_probes.h"
#include "winapi/text.h"
#include "support/find.h"
#include "support/input.h"
#include "support/process.h"
#include "support/screen.h"

namespace orvanel::testing {

std::wstring Programs::real;
std::wstring Programs::simulated;

namespace {

// Names in the order CreateProcess asks of an environment block: sorted
// without regard to case, as Windows compares them.
struct ByName {
  bool operator()(const std::wstring& left, const std::wstring& right) const {
    return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) == CSTR_LESS_THAN;
  }
};
using Environment = std::map<std::wstring, std::wstring, ByName>;

// Entries "NAME=value", each ended by a nul; one written later wins. A name
// may begin with "=", as the drives' current folders do.
void add_entries(Environment& environment, const wchar_t* entries) {
  for (const wchar_t* entry = entries; *entry != L'\0'; entry += wcslen(entry) + 1) {
    const std::wstring_view text = entry;
    const std::size_t equals = text.find(L'=', 1);
    if (equals == std::wstring_view::npos) continue;
    environment[std::wstring(text.substr(0, equals))] = text.substr(equals + 1);
  }
}

// The tests' own entries over this process's: none at all means the
// program inherits the environment as it is.
std::vector<wchar_t> environment_block(const std::wstring& own) {
  if (own.empty()) return {};
  Environment environment;
  wchar_t* inherited = GetEnvironmentStringsW();
  add_entries(environment, inherited);
  FreeEnvironmentStringsW(inherited);
  add_entries(environment, (own + L'\0').c_str());
  std::vector<wchar_t> block;
  for (const auto& [name, value] : environment) {
    block.insert(block.end(), name.begin(), name.end());
    block.push_back(L'=');
    block.insert(block.end(), value.begin(), value.end());
    block.push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

}  // namespace

RunningApp::RunningApp(const std::wstring& program, const std::wstring& environment) {
  process_ = start_process(L"\"" + program + L"\"", environment_block(environment));
  if (!process_) {
    ADD_FAILURE() << "could not start " << winapi::utf8_from_wide(program) << ": error "
                  << GetLastError();
    return;
  }
  if (!wait_for([&] {
        window_ = find_window(process_->id, win32::kWindowClass, nullptr);
        return window_ != nullptr || !running();
      }) ||
      window_ == nullptr) {
    ADD_FAILURE() << winapi::utf8_from_wide(program) << " showed no window"
                  << (running() ? " within 10 s"
                                : ", ending with exit code " + std::to_string(exit_code()));
    return;
  }
  // Wine has one monitor, whose resolution is the screen's; it answers
  // GetDpiForWindow for another process's window from state of its own,
  // which late in a run of the tests was 96 with the display at 144.
  dpi_ = under_wine() ? screen_dpi() : win32::system_window_dpi(window_);
}

RunningApp::~RunningApp() {
  if (!process_ || !running()) return;
  // Answer any box still up, then close the window; force only as a last resort.
  for (HWND box; (box = find_window(process_->id, L"#32770", nullptr)) != nullptr;) {
    PostMessageW(box, WM_CLOSE, 0, 0);
    if (!wait_for([&] { return !IsWindow(box); }, 2000)) break;
  }
  if (IsWindow(window_)) PostMessageW(window_, WM_CLOSE, 0, 0);
  if (!wait_for_exit(10000)) TerminateProcess(process_->handle.get(), 99);
}

std::string RunningApp::text(HWND window) {
  wchar_t buffer[20000] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, 20000, reinterpret_cast<LPARAM>(buffer),
                           SMTO_ABORTIFHUNG, 5000, &copied)) {
    return "<no answer>";
  }
  return winapi::utf8_from_wide({buffer, static_cast<std::size_t>(copied)});
}

std::string RunningApp::status() const {
  return text(control(Label1));
}

RECT RunningApp::place(HWND control) const {
  return win32::place_in(window_, control);
}

POINT RunningApp::centre(Control control) const {
  return centre_of(place(this->control(control)));
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
  return process_ && process_->ended(milliseconds);
}

DWORD RunningApp::exit_code() const {
  return process_ ? process_->exit_code() : 0;
}

bool RunningApp::running() const {
  return process_ && !process_->ended();
}

}  // namespace orvanel::testing
