#include "app/win32_form.h"

#include <utility>

#include "app/win32_geometry.h"
#include "app/win32_failure_boundary.h"
#include "app/win32_messages.h"
#include "resources/background.h"
#include "winapi/newer_sdk.h"
#include "winapi/text.h"

namespace orvanel::win32 {
namespace {

constexpr COLORREF kBackground =
    RGB(resources::kBackground.red, resources::kBackground.green, resources::kBackground.blue);
constexpr COLORREF kStatusText = RGB(0, 0, 128);
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;

// The behaviour numbers the box's style and answers as Windows does.
static_assert(static_cast<UINT>(MsgBoxStyle::kAbortRetryIgnoreCritical) ==
              (MB_ABORTRETRYIGNORE | MB_ICONHAND));
static_assert(static_cast<int>(MsgBoxAnswer::kAbort) == IDABORT &&
              static_cast<int>(MsgBoxAnswer::kRetry) == IDRETRY &&
              static_cast<int>(MsgBoxAnswer::kIgnore) == IDIGNORE);

// Every control tells the window when an accessibility client first asks
// for it; the status line also has its focus frame redrawn whenever the
// focus or the keyboard cues change.
LRESULT CALLBACK control_proc(HWND control, UINT message, WPARAM w, LPARAM l) noexcept {
  // The procedure this one replaced, kept in the control's user data.
  const auto replaced = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_USERDATA));
  // No control has a border, scroll bar or anything else outside its client
  // area, so there is no frame to paint; the default handling would still
  // get and release a window DC at every paint of every control, which
  // costs Wine a millisecond a control at start-up.
  if (message == WM_NCPAINT) return 0;
  if (message == WM_GETOBJECT) SendMessageW(GetParent(control), kAnnotateMessage, 0, 0);
  if ((message == WM_SETFOCUS || message == WM_KILLFOCUS || message == WM_UPDATEUISTATE) &&
      GetDlgCtrlID(control) == id_of(Label1)) {
    const RECT frame = focus_frame(GetParent(control), control);
    RedrawWindow(GetParent(control), &frame, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
  return CallWindowProcW(replaced, control, message, w, l);
}

}  // namespace

// The window first, which takes its controls and their annotations with it;
// then the hidden owner; then what they all drew with; the class last.
Win32Form::~Win32Form() {
  window_.reset();
  annotations_.clear();
  owner_.reset();
  look_ = Look();
  class_.reset();
}

bool Win32Form::create(FormEvents& events) {
  events_ = &events;
  system_dpi_ = system_dpi();
  look_ = Look(instance_, system_dpi_, system_dpi_);
  high_contrast_ = probes_.high_contrast();

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_DBLCLKS;
  window_class.lpfnWndProc = &Win32Form::window_proc;
  window_class.hInstance = instance_;
  window_class.hIcon = look_.icon();
  window_class.hIconSm = look_.small_icon();
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kWindowClass;
  if (!class_.register_class(window_class, winapi::unique_hbrush(CreateSolidBrush(kBackground)))) {
    return false;
  }

  // An owned window gets no taskbar button and keeps a normal caption.
  owner_.reset(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_,
                               nullptr));

  // Created hidden at its position: only the window knows the resolution of
  // its monitor, and Windows sends no WM_DPICHANGED for its first one.
  const SIZE first = frame_at(look_.dpi());
  const std::wstring title = winapi::wide_from_utf8(kTitle);
  if (CreateWindowExW(kExStyle, class_.get(), title.c_str(), kStyle,
                      (GetSystemMetrics(SM_CXSCREEN) - first.cx) / 2,
                      (GetSystemMetrics(SM_CYSCREEN) - first.cy) / 2, first.cx, first.cy,
                      owner_.get(), nullptr, instance_, this) == nullptr) {
    return false;
  }
  trim_window_menu();
  const int dpi = probes_.window_dpi(window_.get());
  const bool moved = dpi != look_.dpi();
  if (moved) look_ = Look(instance_, dpi, system_dpi_);
  create_controls();
  // At the size its resolution gives it, in the middle of its monitor.
  if (moved) {
    look_.apply_icons(window_.get());
    centre_on_monitor(window_.get(), frame_at(look_.dpi()));
  }
  ShowWindow(window_.get(), SW_SHOWNORMAL);
  UpdateWindow(window_.get());
  return true;
}

void Win32Form::create_controls() {
  look_.create_controls(window_.get(), instance_, controls_);
  focus_.attach(window_.get(), controls_);
  for (const ControlDesign& design : kLayout) {
    HWND control = controls_[design.control];
    if (control == nullptr) continue;
    SetWindowLongPtrW(control, GWLP_USERDATA, GetWindowLongPtrW(control, GWLP_WNDPROC));
    SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&control_proc));
  }
  if (annotation_pending_) on_annotate();
}

// The window menu offers only what the fixed frame allows, Move and Close.
// GetSystemMenu gives the window a copy of its own, which is the one Windows
// shows from then on: before that, the handle WM_INITMENU carries is the
// shared menu on Windows and the menu bar around it under Wine.
void Win32Form::trim_window_menu() const {
  HMENU menu = GetSystemMenu(window_.get(), FALSE);
  if (menu == nullptr) return;
  for (const int command : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE}) {
    DeleteMenu(menu, static_cast<UINT>(command), MF_BYCOMMAND);
  }
}

LRESULT CALLBACK Win32Form::window_proc(HWND window, UINT message, WPARAM w, LPARAM l) noexcept {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    self->window_.reset(window);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY && self != nullptr) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    // Destroyed, by whoever: the handle is no longer the owner's to destroy.
    (void)self->window_.release();
    self = nullptr;
  }
  if (self == nullptr) return DefWindowProcW(window, message, w, l);
  try {
    return self->on_message(message, w, l);
  } catch (...) {
    // What the window itself failed to do is shown as a handler's failure
    // is; the message then gets what Windows gives it by default.
    report_current_failure(self->window_.get());
    return DefWindowProcW(window, message, w, l);
  }
}

// Each handler answers its message itself, with Windows' default answer
// where it has none of its own.
LRESULT Win32Form::on_message(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_ACTIVATE:
      return on_activate(w);
    case kActivateMessage:
      return on_first_activation();
    case WM_COMMAND:
      return on_command(w);
    case WM_LBUTTONDBLCLK:
      return on_double_click();
    case kSettleFocusMessage:
      return on_settle_focus();
    case WM_CTLCOLORSTATIC:
      return on_ctl_color_static(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l));
    case WM_ERASEBKGND:
      return on_erase_background(w, l);
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      return on_colours_changed(message, w, l);
    case winapi::kGetDpiScaledSize:
      return on_get_dpi_scaled_size(LOWORD(w), *reinterpret_cast<SIZE*>(l));
    case WM_DPICHANGED:
      return on_dpi_changed(LOWORD(w), *reinterpret_cast<const RECT*>(l));
    case WM_GETOBJECT:
      return on_get_object(w, l);
    case kAnnotateMessage:
      return on_annotate();
    case WM_SETCURSOR:
      return on_set_cursor(w, l);
    case WM_DESTROY:
      return on_destroy();
    default:
      return DefWindowProcW(window_.get(), message, w, l);
  }
}

// Activation runs the behaviour's handler once, when the window is first
// shown; it is posted so that it runs from the message loop, not from inside
// ShowWindow.
LRESULT Win32Form::on_activate(WPARAM w) {
  focus_.activate(LOWORD(w) != WA_INACTIVE);
  if (LOWORD(w) != WA_INACTIVE && !activated_) {
    activated_ = true;
    PostMessageW(window_.get(), kActivateMessage, 0, 0);
  }
  return 0;
}

LRESULT Win32Form::on_first_activation() {
  guarded(window_, [this] { events_->Form_Activate(); });
  return 0;
}

LRESULT Win32Form::on_double_click() {
  guarded(window_, [this] { events_->Form_DblClick(); });
  return 0;
}

LRESULT Win32Form::on_settle_focus() {
  focus_.settle();
  return 0;
}

LRESULT Win32Form::on_command(WPARAM w) {
  if (HIWORD(w) != BN_CLICKED) return 0;
  const int id = LOWORD(w);
  // A disabled button takes no click, whichever way it comes.
  if (id == id_of(Command1(kStartStopButton)) && controls_.start_stop_enabled) {
    guarded(window_, [this] { events_->Command1_Click(kStartStopButton); });
  } else if (id == id_of(Command1(kCloseButton))) {
    guarded(window_, [this] { events_->Command1_Click(kCloseButton); });
  }
  return 0;
}

// The labels draw their text over the window's background; under a
// high-contrast theme every one of them, the status line too, takes the
// theme's text colour over the theme's background.
LRESULT Win32Form::on_ctl_color_static(HDC dc, HWND control) {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, control == controls_[Label1] && !high_contrast_ ? kStatusText
                                                                   : probes_.colour(COLOR_BTNTEXT));
  return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

LRESULT Win32Form::on_erase_background(WPARAM w, LPARAM l) {
  const auto dc = reinterpret_cast<HDC>(w);
  RECT client{};
  GetClientRect(window_.get(), &client);
  auto brush = reinterpret_cast<HBRUSH>(GetClassLongPtrW(window_.get(), GCLP_HBRBACKGROUND));
  if (high_contrast_) {
    SetDCBrushColor(dc, probes_.colour(COLOR_BTNFACE));
    brush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
  }
  if (FillRect(dc, &client, brush) == 0) return DefWindowProcW(window_.get(), WM_ERASEBKGND, w, l);
  // The status line takes the focus while Start/Stop cannot keep it, and
  // shows it as a button does, around itself, where the keyboard is in use.
  if (GetFocus() == controls_[Label1] &&
      (SendMessageW(window_.get(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0) {
    const RECT frame = focus_frame(window_.get(), controls_[Label1]);
    DrawFocusRect(dc, &frame);
  }
  return 1;
}

// A theme switched on or off while the program runs repaints it all.
LRESULT Win32Form::on_colours_changed(UINT message, WPARAM w, LPARAM l) {
  high_contrast_ = probes_.high_contrast();
  RedrawWindow(window_.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  return DefWindowProcW(window_.get(), message, w, l);
}

// About to move to a monitor of another resolution: the window asks for
// the frame around its client area there, so that WM_DPICHANGED suggests the
// exact size and one move suffices.
LRESULT Win32Form::on_get_dpi_scaled_size(int dpi, SIZE& size) const {
  size = frame_at(dpi);
  return TRUE;
}

SIZE Win32Form::frame_at(int dpi) const {
  return probes_.frame_for(client_at(dpi), kStyle, kExStyle, dpi);
}

// Moved: everything is created again at the new resolution, and the window
// takes the place that Windows suggests.
LRESULT Win32Form::on_dpi_changed(int dpi, const RECT& suggested) {
  Look look(instance_, dpi, system_dpi_);
  look.apply(window_.get(), controls_);
  look_ = std::move(look);
  SetWindowPos(window_.get(), nullptr, suggested.left, suggested.top,
               suggested.right - suggested.left, suggested.bottom - suggested.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  RedrawWindow(window_.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  return 0;
}

// Annotated when a screen reader or another accessibility client first asks
// for the window or one of its controls, not before: loading the property
// service would otherwise hold back the first status line for everybody.
// A screen reader's hook may ask as the window is created, before there are
// controls to annotate.
// The client still gets the window's own accessible object.
LRESULT Win32Form::on_get_object(WPARAM w, LPARAM l) {
  on_annotate();
  return DefWindowProcW(window_.get(), WM_GETOBJECT, w, l);
}

LRESULT Win32Form::on_annotate() {
  if (!controls_.created()) {
    annotation_pending_ = true;
    return 0;
  }
  if (std::exchange(annotation_asked_, true)) return 0;
  annotations_.annotate(probes_.annotation_services, controls_);
  return 0;
}

LRESULT Win32Form::on_set_cursor(WPARAM w, LPARAM l) {
  if (pointer_ != MousePointer::kHourglass || LOWORD(l) != HTCLIENT) {
    return DefWindowProcW(window_.get(), WM_SETCURSOR, w, l);
  }
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return TRUE;
}

LRESULT Win32Form::on_destroy() {
  annotations_.clear();
  PostQuitMessage(exit_code_);
  return 0;
}

}  // namespace orvanel::win32
