#pragma once

// The Win32 window behind the forms interface: one top-level window with six
// child controls, whose events it turns into calls on the window's behaviour.

#include <windows.h>

#include <string>
#include <string_view>

#include "app/forms.h"
#include "app/win32_annotations.h"
#include "app/win32_control_set.h"
#include "app/win32_focus.h"
#include "app/win32_look.h"
#include "app/win32_probes.h"
#include "winapi/handles.h"

namespace orvanel::win32 {

class Win32Form final : public Forms {
 public:
  explicit Win32Form(HINSTANCE instance, SystemProbes probes = {}) noexcept
      : instance_(instance), probes_(probes) {}
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;
  ~Win32Form();

  // Creates and shows the window; false if Windows refused.
  bool create(FormEvents& events);
  // Runs the message loop until the program ends; gives the exit code.
  int run();

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

  // One handler a message, each giving what the window procedure returns
  // (win32_form.cpp, with the window's creation); the operations above and
  // the message loop are in win32_form_operations.cpp.
  LRESULT on_activate(WPARAM w);
  LRESULT on_first_activation();
  LRESULT on_command(WPARAM w);
  LRESULT on_double_click();
  LRESULT on_settle_focus();
  LRESULT on_ctl_color_static(HDC dc, HWND control);
  LRESULT on_erase_background(WPARAM w, LPARAM l);
  LRESULT on_colours_changed(UINT message, WPARAM w, LPARAM l);
  LRESULT on_get_dpi_scaled_size(int dpi, SIZE& size) const;
  LRESULT on_dpi_changed(int dpi, const RECT& suggested);
  LRESULT on_get_object(WPARAM w, LPARAM l);
  LRESULT on_annotate();
  LRESULT on_set_cursor(WPARAM w, LPARAM l);
  LRESULT on_destroy();

  [[nodiscard]] SIZE frame_at(int dpi) const;

  void create_controls();
  void trim_window_menu() const;
  [[nodiscard]] HWND control_window(Control control) const;
  void require_window() const;
  bool dispatch_keys(const MSG& message);
  void dispatch(MSG& message);
  void apply_cursor() const;

  HINSTANCE instance_;
  SystemProbes probes_;
  FormEvents* events_ = nullptr;
  // Owned here; the destructor gives them back in its own order.
  winapi::unique_window_class class_;
  Look look_;
  Annotations annotations_;
  winapi::unique_hwnd owner_;
  // Empty from the moment the window is destroyed, whoever destroys it.
  winapi::unique_hwnd window_;
  // The controls are the window's children and go with it.
  ControlSet controls_;
  FocusKeeper focus_;
  bool high_contrast_ = false;
  bool activated_ = false;
  bool annotation_asked_ = false;
  // Asked for before the controls existed; annotated once they do.
  bool annotation_pending_ = false;
  MousePointer pointer_ = MousePointer::kDefault;
  int system_dpi_ = 96;
  int exit_code_ = 0;
};

}  // namespace orvanel::win32
