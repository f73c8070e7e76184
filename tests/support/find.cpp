#include "support/find.h"

#include <string>
#include <utility>

#include "winapi/text.h"

namespace orvanel::testing {
namespace {

struct Search {
  DWORD process_id;
  const wchar_t* class_name;
  const wchar_t* title;
  HWND found;
};

BOOL CALLBACK match(HWND window, LPARAM l) {
  auto& search = *reinterpret_cast<Search*>(l);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search.process_id || !IsWindowVisible(window)) return TRUE;
  wchar_t name[256] = {};
  if (search.class_name != nullptr) {
    GetClassNameW(window, name, 256);
    if (std::wstring(name) != search.class_name) return TRUE;
  }
  if (search.title != nullptr) {
    GetWindowTextW(window, name, 256);
    if (std::wstring(name) != search.title) return TRUE;
  }
  search.found = window;
  return FALSE;
}

}  // namespace

bool wait_for(const std::function<bool()>& condition, DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  while (!condition()) {
    if (GetTickCount64() > end) return false;
    Sleep(20);
  }
  return true;
}

HWND find_window(DWORD process_id, const wchar_t* class_name, const wchar_t* title) {
  Search search{process_id, class_name, title, nullptr};
  EnumWindows(&match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND find_thread_window(DWORD thread_id, const wchar_t* class_name) {
  std::pair<const wchar_t*, HWND> search{class_name, nullptr};
  EnumThreadWindows(
      thread_id,
      [](HWND window, LPARAM l) -> BOOL {
        auto& [wanted, found] = *reinterpret_cast<std::pair<const wchar_t*, HWND>*>(l);
        wchar_t name[256] = {};
        GetClassNameW(window, name, 256);
        if (std::wstring(name) != wanted) return TRUE;
        found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.second;
}

HWND find_dialog(DWORD process_id, const wchar_t* title, DWORD milliseconds) {
  HWND found = nullptr;
  wait_for(
      [&] {
        found = find_window(process_id, L"#32770", title);
        return found != nullptr;
      },
      milliseconds);
  return found;
}

std::string dialog_text(HWND box) {
  std::wstring text;
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t kind[32] = {};
    GetClassNameW(child, kind, 32);
    if (_wcsicmp(kind, L"Static") != 0) continue;
    wchar_t shown[4096] = {};
    DWORD_PTR copied = 0;
    if (SendMessageTimeoutW(child, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(shown),
                            SMTO_ABORTIFHUNG, 5000, &copied) != 0 &&
        copied > text.size()) {
      text.assign(shown, copied);
    }
  }
  return winapi::utf8_from_wide(text);
}

void answer_dialog(HWND box, int id) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
  wait_for([&] { return !IsWindow(box); }, 5000);
}

// The box's program stands beside the test program.
OtherProgramsBox::OtherProgramsBox() {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
  path.replace(path.find_last_of(L"\\/") + 1, std::wstring::npos, L"orvanel_other_box.exe");
  process_ = start_process(L"\"" + path + L"\"");
  if (process_) box_ = find_dialog(process_->id, L"Whoops", 10000);
}

OtherProgramsBox::~OtherProgramsBox() {
  if (!process_) return;
  if (box_ != nullptr) PostMessageW(box_, WM_CLOSE, 0, 0);
  if (!process_->ended(5000)) TerminateProcess(process_->handle.get(), 1);
}

}  // namespace orvanel::testing
