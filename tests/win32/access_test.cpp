// The window for people who use a high-contrast theme, a screen reader, only
// the keyboard, or monitors of different resolutions.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "winapi/com.h"
#include "app/win32_controls.h"
#include "app/win32_look.h"
#include "win/screen.h"
#include "win32/live_window_fixture.h"

namespace orvanel::win32 {
namespace {

// The seam's other side: Wine cannot switch a high-contrast theme on, and
// the system's colours are every program's, not a test's to change.
bool high_contrast_on = false;
bool test_high_contrast() noexcept {
  return high_contrast_on;
}
COLORREF test_colour(int index) noexcept {
  if (!high_contrast_on) return GetSysColor(index);
  return index == COLOR_BTNFACE ? RGB(0, 0, 0) : RGB(255, 255, 255);
}

// WCAG's relative luminance and contrast ratio.
double luminance(COLORREF colour) {
  const auto linear = [](BYTE channel) {
    const double value = channel / 255.0;
    return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(GetRValue(colour)) + 0.7152 * linear(GetGValue(colour)) +
         0.0722 * linear(GetBValue(colour));
}
double contrast(COLORREF a, COLORREF b) {
  const double lighter = std::max(luminance(a), luminance(b));
  const double darker = std::min(luminance(a), luminance(b));
  return (lighter + 0.05) / (darker + 0.05);
}

// As colours are written, red first.
std::string hex(COLORREF colour) {
  std::array<char, 8> text{};
  std::snprintf(text.data(), text.size(), "%02X%02X%02X", GetRValue(colour), GetGValue(colour),
                GetBValue(colour));
  return text.data();
}

class Accessible : public LiveWindow {
 protected:
  void TearDown() override {
    high_contrast_on = false;
    LiveWindow::TearDown();
  }

  // What the window shows: the colour of its bare background, and of the
  // text of a label, the colour in it that stands out most from the
  // background.
  struct Painted {
    COLORREF background;
    COLORREF ink;
  };
  Painted painted(int label) {
    RedrawWindow(window->handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    window->do_events();
    const POINT bare{MulDiv(3000, dpi(), 1440), MulDiv(900, dpi(), 1440)};
    Painted seen{testing::capture(window->handle(), {bare.x, bare.y, bare.x + 1, bare.y + 1}).at(0),
                 0};
    double best = 0;
    for (const COLORREF pixel : testing::capture(window->handle(), place(control(label)))) {
      if (contrast(pixel, seen.background) > best) {
        best = contrast(pixel, seen.background);
        seen.ink = pixel;
      }
    }
    return seen;
  }
  // Checks that a label's text stands out from the background by at least
  // 4.5:1, and gives the background.
  COLORREF readable(int label, const char* theme) {
    const Painted seen = painted(label);
    std::printf("%s, label %d: text %s on %s, contrast %.2f:1\n", theme, label,
                hex(seen.ink).c_str(), hex(seen.background).c_str(),
                contrast(seen.ink, seen.background));
    EXPECT_GE(contrast(seen.ink, seen.background), 4.5) << theme << ", label " << label;
    return seen.background;
  }
  static int dpi() { return testing::screen_dpi(); }

  // The client area, every control, its font and the icon at a resolution.
  void expect_laid_out_at(int resolution) {
    const auto pixels = [&](int twips) { return MulDiv(twips, resolution, 1440); };
    RECT client{};
    GetClientRect(window->handle(), &client);
    EXPECT_EQ(client.right, pixels(kClientWidth));
    EXPECT_EQ(client.bottom, pixels(kClientHeight));
    for (const ControlDesign& expected : kLayout) {
      SCOPED_TRACE(expected.id);
      const RECT at = place(control(expected.id));
      std::printf("%d dpi: control %d at %ld,%ld %ldx%ld\n", resolution, expected.id, at.left,
                  at.top, at.right - at.left, at.bottom - at.top);
      EXPECT_EQ(at.left, pixels(expected.left));
      EXPECT_EQ(at.top, pixels(expected.top));
      // The window paints no control's frame: there must be none to paint.
      RECT inside{};
      GetClientRect(control(expected.id), &inside);
      EXPECT_EQ(inside.right, at.right - at.left) << "a control with a frame";
      EXPECT_EQ(inside.bottom, at.bottom - at.top) << "a control with a frame";
      if (expected.id == kIdPicture) {
        EXPECT_EQ(at.right - at.left, 48) << "the picture shows at its own size";
        continue;
      }
      const FontDesign& wanted = kFonts.at(static_cast<std::size_t>(expected.font));
      const auto font =
          reinterpret_cast<HFONT>(SendMessageW(control(expected.id), WM_GETFONT, 0, 0));
      LOGFONTW made{};
      ASSERT_NE(GetObjectW(font, sizeof made, &made), 0);
      EXPECT_EQ(made.lfHeight, -testing::font_pixels(wanted.points, resolution));
      EXPECT_EQ(made.lfWeight, wanted.weight);
      if (expected.font == FontRole::kButton) {
        EXPECT_EQ(at.right - at.left, pixels(expected.width));
        EXPECT_EQ(at.bottom - at.top, pixels(expected.height));
        continue;
      }
      // A label is as high as its font's line and as wide as its text.
      const SIZE extent = testing::text_extent(font, text_of(control(expected.id)));
      EXPECT_EQ(at.bottom - at.top, extent.cy);
      EXPECT_EQ(at.right - at.left, extent.cx);
    }
    // The icon at the size the resolution asks for.
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(shown_icon(ICON_BIG), &info));
    BITMAP image{};
    GetObjectW(info.hbmColor, sizeof image, &image);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(image.bmWidth, MulDiv(GetSystemMetrics(SM_CXICON), resolution, dpi()));
  }
};

TEST_F(Accessible, EveryLabelReadsAgainstItsBackgroundInEitherTheme) {
  probes.high_contrast = &test_high_contrast;
  probes.colour = &test_colour;
  open_and_refresh(std::string("Running"));
  for (const int label : {kIdStatus, kIdNotice}) {
    EXPECT_EQ(readable(label, "default theme"), RGB(212, 208, 200)) << "the default look changed";
  }
  EXPECT_EQ(painted(kIdStatus).ink, RGB(0, 0, 128)) << "the status line is no longer dark blue";

  // A dark high-contrast theme comes on while the program runs: the change
  // of colours reaches the window, which asks the seam again.
  high_contrast_on = true;
  PostMessageW(window->handle(), WM_SYSCOLORCHANGE, 0, 0);
  window->do_events();
  for (const int label : {kIdStatus, kIdNotice, kIdCredit}) {
    EXPECT_EQ(readable(label, "high contrast"), RGB(0, 0, 0)) << "the background kept its grey";
  }

  // And off again.
  high_contrast_on = false;
  PostMessageW(window->handle(), WM_SYSCOLORCHANGE, 0, 0);
  window->do_events();
  const Painted back = painted(kIdStatus);
  EXPECT_EQ(back.background, RGB(212, 208, 200));
  EXPECT_EQ(back.ink, RGB(0, 0, 128));
}

// Every focus change and live-region change that a screen reader hears.
std::vector<std::pair<DWORD, HWND>> heard;
void CALLBACK hear(HWINEVENTHOOK /*hook*/, DWORD event, HWND window, LONG /*object*/,
                   LONG /*child*/, DWORD /*thread*/, DWORD /*time*/) {
  heard.emplace_back(event, window);
}

class Heard : public Accessible {
 protected:
  HWINEVENTHOOK focus_hook =
      SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, &hear, GetCurrentProcessId(),
                      GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT);
  HWINEVENTHOOK live_hook =
      SetWinEventHook(kLiveRegionChanged, kLiveRegionChanged, nullptr, &hear, GetCurrentProcessId(),
                      GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT);
  void TearDown() override {
    UnhookWinEvent(focus_hook);
    UnhookWinEvent(live_hook);
    heard.clear();
    Accessible::TearDown();
  }
  [[nodiscard]] long count(DWORD event) const {
    return static_cast<long>(
        std::ranges::count_if(heard, [&](const auto& one) { return one.first == event; }));
  }
  // Lets the events raised so far arrive.
  void settle() {
    pump_until([] { return false; }, 200);
  }  // The focus changes a screen reader hears during one press.
  long focus_changes_in_a_press(const char* what) {
    heard.clear();
    form->Command1_Click(0);
    settle();
    const long changes = count(EVENT_OBJECT_FOCUS);
    std::printf("focus changes in a press %s: %ld\n", what, changes);
    return changes;
  }
};

// Changes that reach the Start/Stop button (each repaints it): enabling,
// disabling, a new text.
int button_changes = 0;
LRESULT CALLBACK count_button_changes(int code, WPARAM w, LPARAM l) {
  const CWPSTRUCT& sent = *reinterpret_cast<CWPSTRUCT*>(l);
  if (code == HC_ACTION && GetDlgCtrlID(sent.hwnd) == kIdStartStop &&
      (sent.message == WM_ENABLE || sent.message == WM_SETTEXT)) {
    ++button_changes;
  }
  return CallNextHookEx(nullptr, code, w, l);
}

TEST_F(Heard, APressMovesTheFocusOnlyWhenTheButtonStaysDisabled) {
  ASSERT_NE(focus_hook, nullptr);
  open_and_refresh(std::string("Running"));
  const HWND button = control(kIdStartStop);
  SetFocus(button);
  settle();

  // A service that ignores the request: five seconds of polls, each of which
  // sees "Running" and disables and enables the button, which need not
  // change at all.
  wmi.set_refusing(0, true);
  button_changes = 0;
  const HHOOK hook =
      SetWindowsHookExW(WH_CALLWNDPROC, &count_button_changes, nullptr, GetCurrentThreadId());
  EXPECT_EQ(focus_changes_in_a_press("whose polls see Running"), 0);
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(GetFocus(), button);
  EXPECT_EQ(button_changes, 0) << "polls that found nothing new changed the button";

  // A service that stops over a second: the polls see "Stop Pending".
  wmi.set_refusing(0, false);
  wmi.set_transition_seconds(1);
  EXPECT_LE(focus_changes_in_a_press("through a pending state"), 2);
  EXPECT_EQ(status(), "Automatic Update is Stopped");
  EXPECT_EQ(GetFocus(), button) << "the focus did not come back";
  // It waited on the status line, which a screen reader reads out.
  std::vector<HWND> focused;
  for (const auto& [event, where] : heard) {
    if (event == EVENT_OBJECT_FOCUS) focused.push_back(where);
  }
  EXPECT_EQ(focused, (std::vector<HWND>{control(kIdStatus), button}));
}

TEST_F(Heard, EveryNewStatusIsAnnouncedFromTheStatusLine) {
  ASSERT_NE(live_hook, nullptr);
  open_and_refresh(std::string("Running"));
  settle();
  const auto announced = [&] {
    return std::ranges::count_if(heard, [&](const auto& one) {
      return one.first == kLiveRegionChanged && one.second == control(kIdStatus);
    });
  };
  EXPECT_EQ(announced(), 1) << "the first refresh";
  for (int refresh = 2; refresh <= 3; ++refresh) {
    form->Form_DblClick();
    settle();
    EXPECT_EQ(announced(), refresh);
  }
}

// A property service that keeps what it is told, where Wine's cannot tell
// a test anything: which property each control has, with its value as text,
// and how many references are held on it.
class RecordingServices final : public IAccPropServices {
 public:
  struct Property {
    HWND control;
    GUID id;
    std::wstring value;
  };
  std::vector<Property> properties;
  int references = 1;  // the test's own
  int annotations = 0;

  [[nodiscard]] std::wstring value(HWND control, const GUID& id) const {
    for (const Property& property : properties) {
      if (property.control == control && IsEqualGUID(property.id, id)) return property.value;
    }
    return L"<none>";
  }

  HRESULT WINAPI QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG WINAPI AddRef() override { return static_cast<ULONG>(++references); }
  ULONG WINAPI Release() override { return static_cast<ULONG>(--references); }
  HRESULT WINAPI SetHwndProp(HWND control, DWORD, DWORD, MSAAPROPID id, VARIANT value) override {
    return keep(control, id, value.vt == VT_I4 ? std::to_wstring(value.lVal) : L"?");
  }
  HRESULT WINAPI SetHwndPropStr(HWND control, DWORD, DWORD, MSAAPROPID id, LPCWSTR text) override {
    return keep(control, id, text);
  }
  HRESULT WINAPI ClearHwndProps(HWND control, DWORD, DWORD, const MSAAPROPID* ids,
                                int count) override {
    for (int k = 0; k < count; ++k) {
      std::erase_if(properties, [&](const Property& property) {
        return property.control == control && IsEqualGUID(property.id, ids[k]);
      });
    }
    return S_OK;
  }
  // Not used by the window.
  HRESULT WINAPI SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                               AnnoScope) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                   AnnoScope) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
  HRESULT WINAPI SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT WINAPI SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                    AnnoScope) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*) override {
    return E_NOTIMPL;
  }

 private:
  HRESULT keep(HWND control, const GUID& id, std::wstring value) {
    ++annotations;
    properties.push_back({control, id, std::move(value)});
    return S_OK;
  }
};

// A screen reader's hook may ask for the window as it is being created.
LRESULT CALLBACK ask_at_creation(int code, WPARAM w, LPARAM l) {
  const CWPSTRUCT& sent = *reinterpret_cast<CWPSTRUCT*>(l);
  wchar_t name[64] = {};
  if (code == HC_ACTION && sent.message == WM_CREATE && GetClassNameW(sent.hwnd, name, 64) != 0 &&
      std::wstring(name) == kWindowClass) {
    SendMessageW(sent.hwnd, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
  }
  return CallNextHookEx(nullptr, code, w, l);
}

RecordingServices* recording = nullptr;
HRESULT recording_services(IAccPropServices** services) noexcept {
  recording->AddRef();
  *services = recording;
  return S_OK;
}

TEST_F(Accessible, ControlsAreAnnotatedWhenAnAccessibilityClientFirstAsks) {
  // A client asks for the window, or straight for a label (the picture
  // under the mouse, say), or for the window before its controls exist;
  // each request reaches the program as WM_GETOBJECT to that window.
  constexpr int kDuringCreation = -1;
  for (const int asked : {0, int{kIdPicture}, kDuringCreation}) {
    SCOPED_TRACE(asked);
    RecordingServices services;
    recording = &services;
    probes.annotation_services = &recording_services;
    const HHOOK hook =
        asked == kDuringCreation
            ? SetWindowsHookExW(WH_CALLWNDPROC, &ask_at_creation, nullptr, GetCurrentThreadId())
            : nullptr;
    open_and_refresh(std::string("Running"));
    if (hook != nullptr) UnhookWindowsHookEx(hook);
    if (asked != kDuringCreation) {
      EXPECT_TRUE(services.properties.empty()) << "annotated before anyone asked";
      const HWND target = asked == 0 ? window->handle() : control(asked);
      SendMessageW(target, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
    }
    EXPECT_EQ(services.value(control(kIdStatus), kLiveSetting), L"1") << "not a polite live region";
    EXPECT_EQ(services.value(control(kIdNotice), kAccName), L"Copyright \u00A9 2026");
    EXPECT_EQ(services.value(control(kIdPicture), kAccName),
              L"Orvanel emblem: a flag waving in front of a globe");
    const int made = services.annotations;
    SendMessageW(window->handle(), WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
    SendMessageW(control(kIdStatus), WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
    EXPECT_EQ(services.annotations, made) << "annotated again";

    form.reset();
    window.reset();
    EXPECT_TRUE(services.properties.empty()) << "annotations outlived the window";
    EXPECT_EQ(services.references, 1) << "the window kept the property service";
  }
}

// A monitor that Wine cannot show: its resolution is the test's. The frames
// are the ones really drawn around the window, which, under Wine and on
// Windows alike, really stands on a monitor at the system's resolution.
int monitor_dpi = 96;
std::vector<int> frames_asked;  // the resolutions the window asked frames at
int test_window_dpi(HWND /*window*/) noexcept {
  return monitor_dpi;
}
SIZE drawn_frame_for(SIZE client, DWORD style, DWORD ex_style, int dpi) noexcept {
  frames_asked.push_back(dpi);
  RECT frame{0, 0, client.cx, client.cy};
  AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

// What reaches the main window as it happens: its moves, and its client
// area when it is first shown; and where each control was made.
int moves = 0;
SIZE first_shown{};
std::vector<std::pair<int, RECT>> made_at;
std::vector<std::pair<int, RECT>> shown_at;
LRESULT CALLBACK watch(int code, WPARAM w, LPARAM l) {
  const CWPSTRUCT& sent = *reinterpret_cast<CWPSTRUCT*>(l);
  wchar_t name[64] = {};
  if (code == HC_ACTION && sent.message == WM_CREATE && GetParent(sent.hwnd) != nullptr) {
    const auto& made = *reinterpret_cast<const CREATESTRUCTW*>(sent.lParam);
    made_at.emplace_back(GetDlgCtrlID(sent.hwnd),
                         RECT{made.x, made.y, made.x + made.cx, made.y + made.cy});
  }
  if (code == HC_ACTION && GetClassNameW(sent.hwnd, name, 64) != 0 &&
      std::wstring(name) == kWindowClass) {
    if (sent.message == WM_WINDOWPOSCHANGED) ++moves;
    if (sent.message == WM_SHOWWINDOW && sent.wParam != FALSE && first_shown.cx == 0) {
      RECT client{};
      GetClientRect(sent.hwnd, &client);
      first_shown = {client.right, client.bottom};
      for (HWND child = GetWindow(sent.hwnd, GW_CHILD); child != nullptr;
           child = GetWindow(child, GW_HWNDNEXT)) {
        shown_at.emplace_back(GetDlgCtrlID(child), place_in(sent.hwnd, child));
      }
    }
  }
  return CallNextHookEx(nullptr, code, w, l);
}

TEST_F(Accessible, TheWindowFollowsItsMonitorsResolution) {
  // On a monitor at 144 dpi while the screen's resolution is 96, the window
  // is laid out at 144 before it is first seen.
  monitor_dpi = 144;
  probes.window_dpi = &test_window_dpi;
  probes.frame_for = &drawn_frame_for;
  first_shown = {};
  made_at.clear();
  shown_at.clear();
  const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &watch, nullptr, GetCurrentThreadId());
  open_and_refresh(std::string("Running"));
  UnhookWindowsHookEx(hook);
  ASSERT_EQ(dpi(), 96) << "the screen is not at 96 dpi";
  EXPECT_EQ(first_shown.cx, 630) << "shown before it was laid out at its monitor's resolution";
  EXPECT_EQ(first_shown.cy, 185);
  const HWND main = window->handle();
  RECT frame{};
  GetWindowRect(main, &frame);
  EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2);
  EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top)) / 2);
  expect_laid_out_at(144);
  // Each control was made where it stands when first shown, not moved there.
  ASSERT_EQ(made_at.size(), kLayout.size());
  ASSERT_EQ(shown_at.size(), kLayout.size());
  for (std::size_t k = 0; k < made_at.size(); ++k) {
    const auto& [id, made] = made_at[k];
    const RECT& shown = shown_at[k].second;
    EXPECT_EQ(id, shown_at[k].first);
    EXPECT_TRUE(EqualRect(&made, &shown) != FALSE)
        << "control " << id << " made at " << made.left << "," << made.top << " " << made.right
        << "," << made.bottom << ", shown at " << shown.left << "," << shown.top << " "
        << shown.right << "," << shown.bottom;
  }

  // Moved to monitors of other resolutions: the window asks for the exact
  // frame there and takes the place Windows suggests in one move.
  const HHOOK moving = SetWindowsHookExW(WH_CALLWNDPROC, &watch, nullptr, GetCurrentThreadId());
  for (const int resolution : {96, 144}) {
    SCOPED_TRACE(resolution);
    SIZE scaled{};
    ASSERT_EQ(SendMessageW(main, kGetDpiScaledSize, static_cast<WPARAM>(resolution),
                           reinterpret_cast<LPARAM>(&scaled)),
              TRUE)
        << "WM_GETDPISCALEDSIZE";
    EXPECT_EQ(frames_asked.back(), resolution);
    RECT suggested{100, 80, 100 + scaled.cx, 80 + scaled.cy};
    moves = 0;
    SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(resolution, resolution),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(moves, 1) << "moved again after the suggested place";
    window->do_events();
    GetWindowRect(main, &frame);
    EXPECT_EQ(frame.left, 100);
    EXPECT_EQ(frame.top, 80);
    expect_laid_out_at(resolution);
  }
  UnhookWindowsHookEx(moving);
}

}  // namespace
}  // namespace orvanel::win32
