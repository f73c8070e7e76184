#pragma once

// The Win32 window behind the forms interface: one top-level window with six
// child controls, whose events it turns into calls on the window's behaviour.

#include <windows.h>

#include <array>
#include <string>

#include "app/control_ids.h"
#include "app/forms.h"
#include "app/win32_handles.h"

namespace orvanel::win32 {

class Win32Form final : public Forms {
 public:
  explicit Win32Form(HINSTANCE instance) noexcept : instance_(instance) {}
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;
  ~Win32Form() = default;

  // Creates and shows the window; false if Windows refused.
  bool create(FormEvents& events);
  // Runs the message loop until the program ends; gives the exit code.
  int run();
  [[nodiscard]] HWND handle() const noexcept { return window_.get(); }

  std::string caption(Control control) override;
  void set_caption(Control control, std::string_view text) override;
  void set_enabled(Control control, bool enabled) override;
  void set_mouse_pointer(MousePointer pointer) override;
  void unload() override;
  [[nodiscard]] bool unloaded() const override { return !window_; }
  void do_events() override;
  MsgBoxAnswer msg_box(std::string_view text, std::string_view title, MsgBoxStyle style) override;
  double clock() override;

 private:
  static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM w, LPARAM l) noexcept;
  LRESULT on_message(UINT message, WPARAM w, LPARAM l);

  void on_activate(WPARAM w);
  void on_command(WPARAM w);
  LRESULT on_ctl_color_static(HDC dc, HWND control);
  bool on_set_cursor(LPARAM l);
  void on_destroy();

  void create_controls();
  HWND create_control(const wchar_t* kind, const wchar_t* text, DWORD style, int id, int left,
                      int top, int width, int height, HFONT font);
  [[nodiscard]] unique_hfont create_font(double points, int weight) const;
  [[nodiscard]] int pixels(int twips) const noexcept;
  [[nodiscard]] HWND control_window(Control control) const;
  void require_window() const;
  void fit_label(HWND label);
  bool dispatch_keys(const MSG& message);
  void dispatch(MSG& message);
  void apply_cursor() const;

  // Runs one handler of the behaviour; a failure stops there and is reported.
  template <typename Handler>
  void raise(Handler&& handler) noexcept;
  void report(std::int32_t number, const std::string& description) noexcept;

  HINSTANCE instance_;
  FormEvents* events_ = nullptr;
  // Declared in the order they are needed: the windows go first, then what
  // they draw with, and the class last.
  unique_window_class class_;
  unique_hfont window_font_;
  unique_hfont button_font_;
  unique_hfont status_font_;
  unique_hfont sign_font_;
  unique_hbitmap picture_bitmap_;
  unique_hicon icon_;
  unique_hicon small_icon_;
  unique_hwnd owner_;
  // Empty from the moment the window is destroyed, whoever destroys it.
  unique_hwnd window_;
  // The controls are the window's children and go with it.
  HWND start_stop_ = nullptr;
  HWND close_ = nullptr;
  HWND status_ = nullptr;
  std::array<HWND, 3> labels_{};  // notice, credit, sign
  HWND picture_ = nullptr;
  HWND saved_focus_ = nullptr;
  bool focus_parked_ = false;
  bool activated_ = false;
  MousePointer pointer_ = MousePointer::kDefault;
  int dpi_ = 96;
  const wchar_t* face_ = L"Arial";
  int exit_code_ = 0;
};

}  // namespace orvanel::win32
