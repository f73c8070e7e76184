// The window for people who use a high-contrast theme or a screen reader.
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

#include "support/design.h"
#include "version.h"
#include "win32/accessible_fixture.h"

namespace orvanel::win32 {
namespace {

// What Windows numbers, as its documentation gives it.
// EVENT_OBJECT_LIVEREGIONCHANGED:
// https://learn.microsoft.com/windows/win32/winauto/event-constants
constexpr DWORD kLiveRegionChangedEvent = 0x8019;
// LiveSetting_Property_GUID, {C12BCD8E-2A8E-4950-8AE7-3625111D58EB}:
// https://learn.microsoft.com/windows/win32/winauto/uiauto-automation-element-propids
constexpr GUID kLiveSettingProperty{
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
// PROPID_ACC_NAME, {608D3DF8-8128-4AA7-A428-F55E49267291}:
// https://learn.microsoft.com/windows/win32/winauto/dynamic-annotation-supported-properties
constexpr GUID kAccNameProperty{
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};

TEST_F(Accessible, EveryLabelReadsAgainstItsBackgroundInEitherTheme) {
  probes.high_contrast = &test_high_contrast;
  probes.colour = &test_colour;
  open_and_refresh(std::string("Running"));
  for (const Control label : {Label1, Label2(0)}) {
    EXPECT_EQ(readable(label, "default theme"), testing::design::kBackground)
        << "the default look changed";
  }
  const COLORREF status_ink = testing::design::of(Label1).ink.colour;
  EXPECT_EQ(painted(Label1).ink, status_ink) << "the status line is no longer dark blue";

  // A dark high-contrast theme comes on while the program runs: the change
  // of colours reaches the window, which asks the seam again.
  high_contrast_on = true;
  PostMessageW(main_window(), WM_SYSCOLORCHANGE, 0, 0);
  window->do_events();
  for (const Control label : {Label1, Label2(0), Label2(1)}) {
    EXPECT_EQ(readable(label, "high contrast"), RGB(0, 0, 0)) << "the background kept its grey";
  }

  // And off again.
  high_contrast_on = false;
  PostMessageW(main_window(), WM_SYSCOLORCHANGE, 0, 0);
  window->do_events();
  const Painted back = painted(Label1);
  EXPECT_EQ(back.background, testing::design::kBackground);
  EXPECT_EQ(back.ink, status_ink);
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
      SetWinEventHook(kLiveRegionChangedEvent, kLiveRegionChangedEvent, nullptr, &hear,
                      GetCurrentProcessId(), GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT);
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
  if (code == HC_ACTION && GetDlgCtrlID(sent.hwnd) == id_of(Command1(0)) &&
      (sent.message == WM_ENABLE || sent.message == WM_SETTEXT)) {
    ++button_changes;
  }
  return CallNextHookEx(nullptr, code, w, l);
}

TEST_F(Heard, APressMovesTheFocusOnlyWhenTheButtonStaysDisabled) {
  ASSERT_NE(focus_hook, nullptr);
  open_and_refresh(std::string("Running"));
  const HWND button = control(Command1(0));
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
  EXPECT_EQ(focused, (std::vector<HWND>{control(Label1), button}));
}

TEST_F(Heard, EveryNewStatusIsAnnouncedFromTheStatusLine) {
  ASSERT_NE(live_hook, nullptr);
  open_and_refresh(std::string("Running"));
  settle();
  const auto announced = [&] {
    return std::ranges::count_if(heard, [&](const auto& one) {
      return one.first == kLiveRegionChangedEvent && one.second == control(Label1);
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
  enum class Asked { kWindow, kPicture, kDuringCreation };
  for (const Asked asked : {Asked::kWindow, Asked::kPicture, Asked::kDuringCreation}) {
    SCOPED_TRACE(static_cast<int>(asked));
    RecordingServices services;
    recording = &services;
    probes.annotation_services = &recording_services;
    const HHOOK hook =
        asked == Asked::kDuringCreation
            ? SetWindowsHookExW(WH_CALLWNDPROC, &ask_at_creation, nullptr, GetCurrentThreadId())
            : nullptr;
    open_and_refresh(std::string("Running"));
    if (hook != nullptr) UnhookWindowsHookEx(hook);
    if (asked != Asked::kDuringCreation) {
      EXPECT_TRUE(services.properties.empty()) << "annotated before anyone asked";
      const HWND target = asked == Asked::kWindow ? main_window() : control(Image1);
      SendMessageW(target, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
    }
    EXPECT_EQ(services.value(control(Label1), kLiveSettingProperty), L"1")
        << "not a polite live region";
    EXPECT_EQ(services.value(control(Label2(0)), kAccNameProperty),
              L"Copyright \u00A9 " ORVANEL_YEAR);
    EXPECT_EQ(services.value(control(Image1), kAccNameProperty),
              L"Orvanel emblem: a flag waving in front of a globe");
    const int made = services.annotations;
    SendMessageW(main_window(), WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
    SendMessageW(control(Label1), WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
    EXPECT_EQ(services.annotations, made) << "annotated again";

    form.reset();
    window.reset();
    EXPECT_TRUE(services.properties.empty()) << "annotations outlived the window";
    EXPECT_EQ(services.references, 1) << "the window kept the property service";
  }
}

}  // namespace
}  // namespace orvanel::win32
