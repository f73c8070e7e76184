#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvanel {

// The window's controls by the names of its design. Command1 and Label2 are
// control arrays: two controls of one kind under one name, told apart by an
// index from 0.
enum class ControlName : std::uint8_t { Command1, Label1, Label2, Label3, Image1 };
struct Control {
  ControlName name;
  std::int16_t index = 0;
  friend constexpr bool operator==(Control, Control) = default;
};
[[nodiscard]] constexpr Control Command1(std::int16_t index) noexcept {
  return {ControlName::Command1, index};
}
[[nodiscard]] constexpr Control Label2(std::int16_t index) noexcept {
  return {ControlName::Label2, index};
}
inline constexpr Control Label1{ControlName::Label1};
inline constexpr Control Label3{ControlName::Label3};
inline constexpr Control Image1{ControlName::Image1};

// The buttons of Command1, by the index its click gives.
inline constexpr std::int16_t kStartStopButton = 0;
inline constexpr std::int16_t kCloseButton = 1;

inline constexpr std::string_view kTitle = "Orvanel v1.0";

// The window's mouse pointer, by the numbers a forms toolkit gives them.
enum class MousePointer : std::int16_t { kDefault = 0, kHourglass = 11 };

// The one message box style used, and the answers it offers, as the platform
// numbers them. An answer may carry any other number; the behaviour takes
// whatever it does not know as Abort.
enum class MsgBoxStyle : std::int32_t { kAbortRetryIgnoreCritical = 18 };
enum class MsgBoxAnswer : std::int32_t { kAbort = 3, kRetry = 4, kIgnore = 5 };

// What the window's behaviour needs of the forms framework. Any operation
// may fail with a Failure; none is called once the window is unloaded.
class Forms {
 public:
  [[nodiscard]] virtual std::string caption(Control control) = 0;
  virtual void set_caption(Control control, std::string_view text) = 0;
  virtual void set_enabled(Control control, bool enabled) = 0;
  virtual void set_mouse_pointer(MousePointer pointer) = 0;
  virtual void unload() = 0;
  [[nodiscard]] virtual bool unloaded() const = 0;
  // Handles the window events already waiting, then returns.
  virtual void do_events() = 0;
  // Modal over the window; returns the number of the chosen answer.
  virtual MsgBoxAnswer msg_box(std::string_view text, std::string_view title,
                               MsgBoxStyle style) = 0;
  // Seconds on a clock that never jumps or wraps.
  [[nodiscard]] virtual double clock() = 0;

 protected:
  ~Forms() = default;
};

// The window's event handlers, as the forms framework raises them.
class FormEvents {
 public:
  virtual void Form_Activate() = 0;
  virtual void Form_DblClick() = 0;
  virtual void Command1_Click(std::int16_t index) = 0;

 protected:
  ~FormEvents() = default;
};

}  // namespace orvanel
