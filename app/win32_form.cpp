#include "app/win32_form.h"

#include <cmath>
#include <new>
#include <utility>

#include "resources/resource_ids.h"
#include "service/com_failure.h"
#include "service/failure.h"
#include "service/utf.h"

namespace orvanel::win32 {
namespace {

constexpr UINT kActivateMessage = WM_APP + 1;
constexpr UINT kSettleFocusMessage = WM_APP + 2;
constexpr COLORREF kBackground = RGB(212, 208, 200);
constexpr COLORREF kStatusText = RGB(0, 0, 128);
constexpr int kTwipsPerInch = 1440;

// The wording of the notice leaves blanks where the larger copyright sign
// stands over it.
constexpr wchar_t kNotice[] = L"Copyright    2026";
constexpr wchar_t kCredit[] = L"By the Orvanel developers";
constexpr wchar_t kSign[] = L"\u00A9";
constexpr wchar_t kPictureName[] = L"Orvanel emblem: a flag waving in front of a globe";

// Where each control stands, in twips, by id from Start/Stop on.
struct Place {
  int left, top, width, height;
};
constexpr std::array<Place, 7> kPlaces{{
    {3780, 1140, 1155, 495},  // Start/Stop
    {4980, 1140, 1155, 495},  // Close
    {900, 240, 2475, 330},    // status line
    {120, 1140, 1275, 210},   // notice
    {120, 1380, 2340, 210},   // credit
    {840, 1125, 165, 255},    // copyright sign
    {60, 60, 720, 720},       // picture
}};
const Place& place_of(int id) {
  return kPlaces.at(static_cast<std::size_t>(id - kIdStartStop));
}

// Screen readers' properties, without the GUID library.
constexpr GUID kAccPropServices{
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr GUID kIAccPropServices{
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kLiveSetting{
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr GUID kAccName{
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
constexpr LONG kPolite = 1;
// Windows 8's live-region event; the program's Windows 7 headers leave it out.
constexpr DWORD kLiveRegionChanged = 0x8019;

// A failed Win32 call, as the one conversion of failures words it.
Failure last_error() {
  const DWORD code = GetLastError();
  return com::failure_from(HRESULT_FROM_WIN32(code == 0 ? ERROR_INVALID_FUNCTION : code));
}

std::wstring window_text(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

int CALLBACK note_found(const LOGFONTW* /*font*/, const TEXTMETRICW* /*metrics*/, DWORD /*type*/,
                        LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

// Arial where it is installed, else the face made to its metrics.
const wchar_t* sans_face(HDC screen) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  wcscpy_s(wanted.lfFaceName, L"Arial");
  bool found = false;
  EnumFontFamiliesExW(screen, &wanted, &note_found, reinterpret_cast<LPARAM>(&found), 0);
  return found ? L"Arial" : L"Liberation Sans";
}

UINT platform_style(MsgBoxStyle style) {
  switch (style) {
    case MsgBoxStyle::kAbortRetryIgnoreCritical:
      return MB_ABORTRETRYIGNORE | MB_ICONHAND;
  }
  return MB_ABORTRETRYIGNORE | MB_ICONHAND;
}

// The box's own answers; it offers no other with the one style used.
MsgBoxAnswer answer_from(int platform_answer) {
  switch (platform_answer) {
    case IDRETRY:
      return MsgBoxAnswer::kRetry;
    case IDIGNORE:
      return MsgBoxAnswer::kIgnore;
    case IDABORT:
    default:
      return MsgBoxAnswer::kAbort;
  }
}

}  // namespace

bool system_high_contrast() noexcept {
  HIGHCONTRASTW settings{};
  settings.cbSize = sizeof settings;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof settings, &settings, 0) != FALSE &&
         (settings.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

int Win32Form::pixels(int twips) const noexcept {
  return MulDiv(twips, dpi_, kTwipsPerInch);
}

unique_hfont Win32Form::create_font(double points, int weight) const {
  LOGFONTW font{};
  font.lfHeight = -static_cast<LONG>(std::lround(points * dpi_ / 72.0));
  font.lfWeight = weight;
  font.lfCharSet = ANSI_CHARSET;
  font.lfOutPrecision = OUT_TT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  wcscpy_s(font.lfFaceName, face_);
  return unique_hfont(CreateFontIndirectW(&font));
}

bool Win32Form::create(FormEvents& events) {
  events_ = &events;
  {
    const scoped_window_dc screen(nullptr);
    dpi_ = GetDeviceCaps(screen.get(), LOGPIXELSY);
    face_ = sans_face(screen.get());
  }
  system_dpi_ = dpi_;
  high_contrast_ = high_contrast_probe_();

  make_fonts();
  load_icons();
  picture_bitmap_.reset(static_cast<HBITMAP>(
      LoadImageW(instance_, MAKEINTRESOURCEW(IDB_EMBLEM), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_DBLCLKS;
  window_class.lpfnWndProc = &Win32Form::window_proc;
  window_class.hInstance = instance_;
  window_class.hIcon = icon_.get();
  window_class.hIconSm = small_icon_.get();
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kWindowClass;
  if (!class_.register_class(window_class, unique_hbrush(CreateSolidBrush(kBackground)))) {
    return false;
  }

  // An owned window gets no taskbar button and keeps a normal caption.
  owner_.reset(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_,
                               nullptr));

  constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
  RECT frame{0, 0, pixels(6300), pixels(1845)};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  const std::wstring title = wide_from_utf8(kTitle);
  if (CreateWindowExW(kExStyle, class_.get(), title.c_str(), kStyle, left, top, width, height,
                      owner_.get(), nullptr, instance_, this) == nullptr) {
    return false;
  }
  SendMessageW(window_.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
  SendMessageW(window_.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_.get()));
  create_controls();
  make_accessible();
  HMENU system_menu = GetSystemMenu(window_.get(), FALSE);
  for (const UINT command : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE}) {
    DeleteMenu(system_menu, command, MF_BYCOMMAND);
  }
  ShowWindow(window_.get(), SW_SHOWNORMAL);
  UpdateWindow(window_.get());
  return true;
}

HWND Win32Form::create_control(const wchar_t* kind, const wchar_t* text, DWORD style, int id) {
  const Place& place = place_of(id);
  HWND control =
      CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, pixels(place.left),
                      pixels(place.top), pixels(place.width), pixels(place.height), window_.get(),
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  if (control != nullptr && font_of(id) != nullptr)
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_of(id)), 0);
  return control;
}

// In tab order, which is also the order of creation.
void Win32Form::create_controls() {
  constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;
  // Labels take their own mouse input (so a double-click on one is not the
  // window's), never wrap, and show "&" as it stands.
  constexpr DWORD kLabel = SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY;
  start_stop_ = create_control(L"BUTTON", L"&Start", kButton | WS_DISABLED, kIdStartStop);
  close_ = create_control(L"BUTTON", L"C&lose", kButton, kIdClose);
  status_ = create_control(L"STATIC", L"Querying Status...", kLabel, kIdStatus);
  labels_[0] = create_control(L"STATIC", kNotice, kLabel, kIdNotice);
  labels_[1] = create_control(L"STATIC", kCredit, kLabel, kIdCredit);
  labels_[2] = create_control(L"STATIC", kSign, kLabel, kIdSign);
  picture_ = create_control(L"STATIC", nullptr, SS_BITMAP | SS_NOTIFY, kIdPicture);
  if (picture_ != nullptr && picture_bitmap_) {
    SendMessageW(picture_, STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(picture_bitmap_.get()));
  }
  fit_label(status_);
  for (HWND label : labels_) fit_label(label);
}

HFONT Win32Form::font_of(int id) const {
  switch (id) {
    case kIdStartStop:
    case kIdClose:
      return button_font_.get();
    case kIdStatus:
      return status_font_.get();
    case kIdSign:
      return sign_font_.get();
    case kIdPicture:
      return nullptr;
    default:
      return window_font_.get();
  }
}

// The four fonts at the window's resolution; controls that exist switch to
// them before the old ones go.
void Win32Form::make_fonts() {
  unique_hfont window_font = create_font(8.25, FW_NORMAL);
  unique_hfont button_font = create_font(9.75, FW_BOLD);
  unique_hfont status_font = create_font(14.25, FW_BOLD);
  unique_hfont sign_font = create_font(11.25, FW_NORMAL);
  std::swap(window_font_, window_font);
  std::swap(button_font_, button_font);
  std::swap(status_font_, status_font);
  std::swap(sign_font_, sign_font);
  if (!window_) return;
  for (HWND child = GetWindow(window_.get(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (HFONT font = font_of(GetDlgCtrlID(child)); font != nullptr)
      SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
}

// A system metric at the window's resolution.
int Win32Form::metric(int index) const {
  using ForDpi = int(WINAPI*)(int, UINT);
  const FARPROC for_dpi = GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi");
  if (for_dpi != nullptr) {
    return reinterpret_cast<ForDpi>(reinterpret_cast<void*>(for_dpi))(index,
                                                                      static_cast<UINT>(dpi_));
  }
  return MulDiv(GetSystemMetrics(index), dpi_, system_dpi_);
}

// The icons at the sizes the window's resolution asks for; the window and
// its class take them before the old ones go.
void Win32Form::load_icons() {
  const auto resource = MAKEINTRESOURCEW(IDI_ORVANEL);
  unique_hicon icon(static_cast<HICON>(
      LoadImageW(instance_, resource, IMAGE_ICON, metric(SM_CXICON), metric(SM_CYICON), 0)));
  unique_hicon small_icon(static_cast<HICON>(
      LoadImageW(instance_, resource, IMAGE_ICON, metric(SM_CXSMICON), metric(SM_CYSMICON), 0)));
  if (window_) {
    SendMessageW(window_.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon.get()));
    SendMessageW(window_.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon.get()));
    SetClassLongPtrW(window_.get(), GCLP_HICON, reinterpret_cast<LONG_PTR>(icon.get()));
    SetClassLongPtrW(window_.get(), GCLP_HICONSM, reinterpret_cast<LONG_PTR>(small_icon.get()));
  }
  std::swap(icon_, icon);
  std::swap(small_icon_, small_icon);
}

// Every control where its twips put it at the window's resolution; the
// picture keeps its own size, and the labels fit their text again.
void Win32Form::place_controls() {
  for (HWND child = GetWindow(window_.get(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const Place& place = place_of(GetDlgCtrlID(child));
    SetWindowPos(child, nullptr, pixels(place.left), pixels(place.top), pixels(place.width),
                 pixels(place.height),
                 SWP_NOZORDER | SWP_NOACTIVATE | (child == picture_ ? SWP_NOSIZE : 0U));
  }
  fit_label(status_);
  for (HWND label : labels_) fit_label(label);
}

// The status line is a polite live region, so that screen readers read each
// new status; the picture is named for what it shows. Without the property
// service (it is oleacc's), the status line still raises its event.
void Win32Form::make_accessible() {
  com::com_ptr<IAccPropServices> services;
  if (FAILED(CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIAccPropServices,
                              services.put_void()))) {
    return;
  }
  VARIANT polite;
  VariantInit(&polite);
  polite.vt = VT_I4;
  polite.lVal = kPolite;
  services->SetHwndProp(status_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kLiveSetting,
                        polite);
  services->SetHwndPropStr(picture_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kAccName,
                           kPictureName);
  annotations_ = std::move(services);
}

// A label takes the extent of its text on one line in its own font; its
// left and top edges stay put.
void Win32Form::fit_label(HWND label) {
  if (label == nullptr) return;
  RECT before{};
  GetWindowRect(label, &before);
  MapWindowPoints(nullptr, window_.get(), reinterpret_cast<POINT*>(&before), 2);

  const std::wstring text = window_text(label);
  RECT extent{};
  TEXTMETRICW metrics{};
  {
    const scoped_window_dc dc(label);
    const scoped_select font(dc.get(),
                             reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
    DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS);
    GetTextMetricsW(dc.get(), &metrics);
  }

  SetWindowPos(label, nullptr, 0, 0, extent.right - extent.left, metrics.tmHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  RECT after{};
  GetWindowRect(label, &after);
  MapWindowPoints(nullptr, window_.get(), reinterpret_cast<POINT*>(&after), 2);
  RECT both{};
  UnionRect(&both, &before, &after);
  // The label draws no background, so the window repaints what lies behind it.
  RedrawWindow(window_.get(), &both, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

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
  if (focus != start_stop_ && focus != close_) return false;
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

LRESULT CALLBACK Win32Form::window_proc(HWND window, UINT message, WPARAM w, LPARAM l) noexcept {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    self->window_.reset(window);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY && self != nullptr) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    // Destroyed, by whoever: nothing is left to give back.
    (void)self->window_.release();
    self = nullptr;
  }
  if (self == nullptr) return DefWindowProcW(window, message, w, l);
  try {
    return self->on_message(message, w, l);
  } catch (...) {
    return DefWindowProcW(window, message, w, l);
  }
}

LRESULT Win32Form::on_message(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_ACTIVATE:
      on_activate(w);
      return 0;
    case kActivateMessage:
      raise([this] { events_->Form_Activate(); });
      return 0;
    case WM_COMMAND:
      on_command(w);
      return 0;
    case WM_LBUTTONDBLCLK:
      raise([this] { events_->Form_DblClick(); });
      return 0;
    case kSettleFocusMessage:
      on_settle_focus();
      return 0;
    case WM_CTLCOLORSTATIC:
      return on_ctl_color_static(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l));
    case WM_ERASEBKGND:
      if (on_erase_background(reinterpret_cast<HDC>(w))) return 1;
      break;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      on_colours_changed();
      break;
    case WM_DPICHANGED:
      on_dpi_changed(w, *reinterpret_cast<const RECT*>(l));
      return 0;
    case WM_SETCURSOR:
      if (on_set_cursor(l)) return TRUE;
      break;
    case WM_DESTROY:
      on_destroy();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_.get(), message, w, l);
}

// Activation runs the behaviour's handler once, when the window is first
// shown; it is posted so that it runs from the message loop, not from inside
// ShowWindow.
void Win32Form::on_activate(WPARAM w) {
  if (LOWORD(w) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window_.get(), focus)) saved_focus_ = focus;
    return;
  }
  HWND target = saved_focus_ != nullptr && IsWindowEnabled(saved_focus_) ? saved_focus_ : nullptr;
  for (HWND button : {start_stop_, close_}) {
    if (target == nullptr && button != nullptr && IsWindowEnabled(button)) target = button;
  }
  if (target != nullptr) SetFocus(target);
  if (!activated_) {
    activated_ = true;
    PostMessageW(window_.get(), kActivateMessage, 0, 0);
  }
}

void Win32Form::on_command(WPARAM w) {
  if (HIWORD(w) != BN_CLICKED) return;
  const int id = LOWORD(w);
  // A disabled button takes no click, whichever way it comes.
  if (id == kIdStartStop && start_stop_enabled_) {
    raise([this] { events_->Command1_Click(0); });
  } else if (id == kIdClose) {
    raise([this] { events_->Command1_Click(1); });
  }
}

// The labels draw their text over the window's background; under a
// high-contrast theme every one of them, the status line too, takes the
// theme's text colour over the theme's background.
LRESULT Win32Form::on_ctl_color_static(HDC dc, HWND control) {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc,
               control == status_ && !high_contrast_ ? kStatusText : GetSysColor(COLOR_BTNTEXT));
  return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

bool Win32Form::on_erase_background(HDC dc) {
  RECT client{};
  GetClientRect(window_.get(), &client);
  const auto brush =
      high_contrast_
          ? GetSysColorBrush(COLOR_BTNFACE)
          : reinterpret_cast<HBRUSH>(GetClassLongPtrW(window_.get(), GCLP_HBRBACKGROUND));
  return FillRect(dc, &client, brush) != 0;
}

// A theme switched on or off while the program runs repaints it all.
void Win32Form::on_colours_changed() {
  high_contrast_ = high_contrast_probe_();
  RedrawWindow(window_.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// Moved to a monitor of another resolution: the window takes the place
// Windows suggests, and everything in it is made again at the new
// resolution. The client area stays 6300 x 1845 twips.
void Win32Form::on_dpi_changed(WPARAM w, const RECT& suggested) {
  dpi_ = LOWORD(w);
  make_fonts();
  load_icons();
  place_controls();
  SetWindowPos(window_.get(), nullptr, suggested.left, suggested.top,
               suggested.right - suggested.left, suggested.bottom - suggested.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client{};
  GetClientRect(window_.get(), &client);
  const int wider = pixels(6300) - client.right;
  const int taller = pixels(1845) - client.bottom;
  if (wider != 0 || taller != 0) {
    SetWindowPos(window_.get(), nullptr, 0, 0, suggested.right - suggested.left + wider,
                 suggested.bottom - suggested.top + taller,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RedrawWindow(window_.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool Win32Form::on_set_cursor(LPARAM l) {
  if (pointer_ != MousePointer::kHourglass || LOWORD(l) != HTCLIENT) return false;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return true;
}

void Win32Form::on_destroy() {
  if (annotations_) {
    annotations_->ClearHwndProps(status_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                 &kLiveSetting, 1);
    annotations_->ClearHwndProps(picture_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                 &kAccName, 1);
    annotations_.reset();
  }
  PostQuitMessage(exit_code_);
}

HWND Win32Form::control_window(Control control) const {
  HWND window = nullptr;
  switch (control) {
    case Control::kStartStop:
      window = start_stop_;
      break;
    case Control::kClose:
      window = close_;
      break;
    case Control::kStatus:
      window = status_;
      break;
  }
  require_window();
  if (window == nullptr) throw Failure(error::kObjectUnloaded);
  return window;
}

void Win32Form::require_window() const {
  if (!window_) throw Failure(error::kObjectUnloaded);
}

std::string Win32Form::caption(Control control) {
  return utf8_from_wide(window_text(control_window(control)));
}

void Win32Form::set_caption(Control control, std::string_view text) {
  HWND window = control_window(control);
  const std::wstring wide = wide_from_utf8(text);
  if (!SetWindowTextW(window, wide.c_str())) throw last_error();
  if (window != status_) return;
  fit_label(window);
  NotifyWinEvent(kLiveRegionChanged, window, OBJID_CLIENT, CHILDID_SELF);
}

// Every state query disables Start/Stop and, when the state fits, enables
// it again at once. Disabling the focused button would move the focus, and a
// screen reader would announce it, twice a query; so the button itself is
// disabled only once the query is over and the disable still stands.
// Meanwhile the flag set here is the one that decides whether it takes a
// click.
void Win32Form::set_enabled(Control control, bool enabled) {
  HWND window = control_window(control);
  if (window != start_stop_) {
    EnableWindow(window, enabled ? TRUE : FALSE);
    return;
  }
  start_stop_enabled_ = enabled;
  if (!enabled) {
    if (GetFocus() != window) {
      EnableWindow(window, FALSE);
    } else if (!disable_pending_) {
      disable_pending_ = true;
      PostMessageW(window_.get(), kSettleFocusMessage, 0, 0);
    }
    return;
  }
  disable_pending_ = false;
  EnableWindow(window, TRUE);
  if (focus_parked_) {
    focus_parked_ = false;
    if (GetFocus() == window_.get()) SetFocus(window);
  }
}

// A disabled button cannot keep the focus; the window holds it, so that
// Enter presses nothing, until the button is enabled again.
void Win32Form::on_settle_focus() {
  if (!std::exchange(disable_pending_, false)) return;
  if (GetFocus() == start_stop_) {
    SetFocus(window_.get());
    focus_parked_ = true;
  }
  EnableWindow(start_stop_, FALSE);
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
  if (!DestroyWindow(window_.get())) throw last_error();
}

MsgBoxAnswer Win32Form::msg_box(std::string_view text, std::string_view title, MsgBoxStyle style) {
  const std::wstring wide_text = wide_from_utf8(text);
  const std::wstring wide_title = wide_from_utf8(title);
  const int answer =
      MessageBoxW(window_.get(), wide_text.c_str(), wide_title.c_str(), platform_style(style));
  // The window closed under the prompt took the prompt with it: the press
  // is over, not failed.
  if (answer == 0 && !window_) return MsgBoxAnswer::kAbort;
  if (answer == 0) throw last_error();
  return answer_from(answer);
}

double Win32Form::clock() {
  LARGE_INTEGER now{};
  LARGE_INTEGER frequency{};
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <typename Handler>
void Win32Form::raise(Handler&& handler) noexcept {
  try {
    std::forward<Handler>(handler)();
  } catch (const Failure& failure) {
    report(failure.number(), failure.description());
  } catch (const std::bad_alloc&) {
    report(error::kOutOfMemory.number, std::string(error::kOutOfMemory.description));
  } catch (...) {
    report(error::kInternalError.number, std::string(error::kInternalError.description));
  }
}

// A failure that leaves a handler is shown, and the program goes on.
void Win32Form::report(std::int32_t number, const std::string& description) noexcept {
  try {
    const std::wstring text =
        wide_from_utf8("Run-time error '" + std::to_string(number) + "':\n\n" + description);
    const std::wstring title = wide_from_utf8(kTitle);
    MessageBoxW(window_.get(), text.c_str(), title.c_str(), MB_OK);
  } catch (...) {
    MessageBoxW(window_.get(), L"Out of memory", L"Orvanel v1.0", MB_OK);
  }
}

}  // namespace orvanel::win32
