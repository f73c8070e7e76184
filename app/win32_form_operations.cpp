#include "app/win32_form.h"

#include <chrono>
#include <string>
#include <string_view>

#include "app/win32_geometry.h"
#include "service/failure.h"
#include "service/windows_failure.h"
#include "winapi/text.h"

// The forms interface that the behaviour calls, and the message loop that
// runs the window.
namespace orvanel::win32 {

int Win32Form::run() {
  MSG message;
  BOOL got = 0;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) dispatch(message);
  return got == 0 ? static_cast<int>(message.wParam) : 1;
}

// Enter acts on the focused button, as in a dialog without a default button.
bool Win32Form::dispatch_keys(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_RETURN) return false;
  HWND focus = GetFocus();
  if (focus != controls_[Command1(kStartStopButton)] &&
      focus != controls_[Command1(kCloseButton)]) {
    return false;
  }
  SendMessageW(window_.get(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED),
               reinterpret_cast<LPARAM>(focus));
  return true;
}

void Win32Form::dispatch(MSG& message) {
  // The dialog manager takes a bare letter for an access key when the
  // focused control takes no characters, and no control here does: only
  // Alt with the letter (WM_SYSCHAR) may press a button.
  const bool bare_character = message.message == WM_CHAR;
  if (window_ && !bare_character &&
      (dispatch_keys(message) || IsDialogMessageW(window_.get(), &message))) {
    return;
  }
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void Win32Form::do_events() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Leave it for the outer loop, which ends the program.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    dispatch(message);
  }
}

HWND Win32Form::control_window(Control control) const {
  require_window();
  HWND window = controls_[control];
  if (window == nullptr) throw Failure(error::kObjectUnloaded);
  return window;
}

void Win32Form::require_window() const {
  if (!window_) throw Failure(error::kObjectUnloaded);
}

std::string Win32Form::caption(Control control) {
  return winapi::utf8_from_wide(winapi::window_text(control_window(control)));
}

void Win32Form::set_caption(Control control, std::string_view text) {
  HWND window = control_window(control);
  const std::wstring wide = winapi::wide_from_utf8(text);
  // A button repaints itself whenever its text is set, and every query sets
  // Start/Stop's, mostly to what it reads already.
  if (control != Label1 && winapi::window_text(window) == wide) return;
  if (!SetWindowTextW(window, wide.c_str())) throw_last_error();
  if (control != Label1) return;
  fit_label(window_.get(), window);
  Annotations::announce(window);
}

// The flag set here decides whether Start/Stop takes a click; the button
// itself follows as the focus keeper lets it.
void Win32Form::set_enabled(Control control, bool enabled) {
  HWND window = control_window(control);
  if (control != Command1(kStartStopButton)) {
    EnableWindow(window, enabled ? TRUE : FALSE);
    return;
  }
  controls_.start_stop_enabled = enabled;
  focus_.set_start_stop_enabled(enabled);
}

void Win32Form::set_mouse_pointer(MousePointer pointer) {
  require_window();
  pointer_ = pointer;
  apply_cursor();
}

// Shows the pointer at once: a query blocks the loop that would otherwise
// ask the window for its cursor.
void Win32Form::apply_cursor() const {
  POINT at{};
  if (!GetCursorPos(&at)) return;
  HWND under = WindowFromPoint(at);
  if (under != window_.get() && !IsChild(window_.get(), under)) return;
  if (SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)) != HTCLIENT) return;
  SetCursor(LoadCursorW(nullptr, pointer_ == MousePointer::kHourglass ? IDC_WAIT : IDC_ARROW));
}

void Win32Form::unload() {
  require_window();
  if (!DestroyWindow(window_.get())) throw_last_error();
}

MsgBoxAnswer Win32Form::msg_box(std::string_view text, std::string_view title, MsgBoxStyle style) {
  const std::wstring wide_text = winapi::wide_from_utf8(text);
  const std::wstring wide_title = winapi::wide_from_utf8(title);
  const int answer =
      MessageBoxW(window_.get(), wide_text.c_str(), wide_title.c_str(), static_cast<UINT>(style));
  // The window closed under the prompt took the prompt with it: the press
  // is over, not failed.
  if (answer == 0 && !window_) return MsgBoxAnswer::kAbort;
  if (answer == 0) throw_last_error();
  // The box offers no other answer with the one style used.
  return answer == IDRETRY || answer == IDIGNORE ? static_cast<MsgBoxAnswer>(answer)
                                                 : MsgBoxAnswer::kAbort;
}

// A clock that neither jumps nor wraps at midnight.
double Win32Form::clock() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace orvanel::win32
