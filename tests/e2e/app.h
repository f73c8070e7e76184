#pragma once

// Drives a running copy of the program from outside, as a person would:
// through its windows, the mouse and the keyboard.

#include <gtest/gtest.h>

#include <windows.h>

#include <initializer_list>
#include <optional>
#include <string>

#include "app/control_ids.h"
#include "app/forms.h"
#include "support/input.h"
#include "support/process.h"

namespace orvanel::testing {

// The program under test, and the simulated-service build of it.
struct Programs {
  static std::wstring real;
  static std::wstring simulated;
};

class RunningApp {
 public:
  // Starts the program and waits for its window. Extra environment entries
  // ("NAME=value") are added to the program's own.
  explicit RunningApp(const std::wstring& program, const std::wstring& environment = {});
  RunningApp(const RunningApp&) = delete;
  RunningApp& operator=(const RunningApp&) = delete;
  ~RunningApp();

  [[nodiscard]] HWND window() const { return window_; }
  [[nodiscard]] HWND control(Control control) const {
    return GetDlgItem(window_, win32::id_of(control));
  }
  [[nodiscard]] static std::string text(HWND window);
  [[nodiscard]] std::string status() const;
  // A control's rectangle in the window's client coordinates.
  [[nodiscard]] RECT place(HWND control) const;
  [[nodiscard]] POINT centre(Control control) const;
  [[nodiscard]] int pixels(int twips) const { return MulDiv(twips, dpi_, 1440); }
  [[nodiscard]] int dpi() const { return dpi_; }

  bool wait_for_status(const std::string& status, DWORD milliseconds = 10000) const;
  // Waits for the first refresh and gives its status line.
  std::string first_status() const;

  // Input for the window alone: each brings it to the front first, and
  // sends nothing, failing, while another window holds the foreground.
  [[nodiscard]] ::testing::AssertionResult double_click(POINT client) const;
  [[nodiscard]] ::testing::AssertionResult click(POINT client) const;
  // Presses the keys in order and lets them go in reverse order.
  [[nodiscard]] ::testing::AssertionResult keys(std::initializer_list<WORD> keys) const;
  [[nodiscard]] POINT bare() const {
    return {pixels(kBareSpotTwips.x), pixels(kBareSpotTwips.y)};
  }

  bool wait_for_exit(DWORD milliseconds);
  [[nodiscard]] DWORD exit_code() const;
  [[nodiscard]] bool running() const;
  [[nodiscard]] DWORD process_id() const { return process_ ? process_->id : 0; }

 private:
  std::optional<Process> process_;
  HWND window_ = nullptr;
  int dpi_ = 96;
};

}  // namespace orvanel::testing
