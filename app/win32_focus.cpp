#include "app/win32_focus.h"

#include <utility>

#include "app/win32_messages.h"

namespace orvanel::win32 {

void FocusKeeper::attach(HWND window, const ControlSet& controls) noexcept {
  window_ = window;
  controls_ = &controls;
}

void FocusKeeper::activate(bool active) noexcept {
  if (!active) {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window_, focus)) saved_ = focus;
    active_ = false;
    return;
  }
  // Activated again without having been left (shown behind another window,
  // then clicked): the focus is where the user last saw it.
  if (std::exchange(active_, true) || controls_ == nullptr) return;
  HWND target = saved_ != nullptr && IsWindowEnabled(saved_) ? saved_ : nullptr;
  for (HWND button :
       {(*controls_)[Command1(kStartStopButton)], (*controls_)[Command1(kCloseButton)]}) {
    if (target == nullptr && button != nullptr && IsWindowEnabled(button)) target = button;
  }
  if (target != nullptr) SetFocus(target);
}

// Every state query disables Start/Stop and, when the state fits, enables
// it again at once. Disabling the button would repaint it twice a query and,
// when it has the focus, move the focus, which a screen reader announces; so
// the button itself is disabled only once the query is over and the disable
// still stands.
void FocusKeeper::set_start_stop_enabled(bool enabled) noexcept {
  HWND start_stop = (*controls_)[Command1(kStartStopButton)];
  if (!enabled) {
    if (IsWindowEnabled(start_stop) && !disable_pending_) {
      disable_pending_ = true;
      PostMessageW(window_, kSettleFocusMessage, 0, 0);
    }
    return;
  }
  disable_pending_ = false;
  EnableWindow(start_stop, TRUE);
  if (parked_) {
    parked_ = false;
    if (GetFocus() == (*controls_)[Label1]) SetFocus(start_stop);
    if (saved_ == (*controls_)[Label1]) saved_ = start_stop;
  }
}

// A disabled button cannot keep the focus. The status line holds it until
// the button is enabled again: a screen reader reads the status there, and
// Enter or Space presses nothing.
void FocusKeeper::settle() noexcept {
  if (!std::exchange(disable_pending_, false)) return;
  HWND start_stop = (*controls_)[Command1(kStartStopButton)];
  if (GetFocus() == start_stop) {
    SetFocus((*controls_)[Label1]);
    parked_ = true;
  }
  EnableWindow(start_stop, FALSE);
}

}  // namespace orvanel::win32
