#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvanel {

// The controls whose state the window's behaviour reads or changes.
enum class Control : std::uint8_t {
  kStartStop,  // Command1(0)
  kClose,      // Command1(1)
  kStatus,     // Label1
};

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

// The buttons of the Command1 control array, by the index its click gives.
inline constexpr std::int16_t kStartStopButton = 0;
inline constexpr std::int16_t kCloseButton = 1;

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
