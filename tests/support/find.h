#pragma once

// Finding the windows of a program, and answering its message boxes, as a
// person would.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "support/process.h"

namespace orvanel::testing {

// Polls until the condition holds; false on time-out.
bool wait_for(const std::function<bool()>& condition, DWORD milliseconds = 10000);

// A visible top-level window of the process with that class and title
// (null: any), or null.
HWND find_window(DWORD process_id, const wchar_t* class_name, const wchar_t* title);
// A window of the thread with that class, shown or hidden, or null.
HWND find_thread_window(DWORD thread_id, const wchar_t* class_name);
// A message box of the process with that title (null: any), once it shows;
// null if none shows within the time.
HWND find_dialog(DWORD process_id, const wchar_t* title, DWORD milliseconds = 10000);
// The text a message box shows: the longest of its static texts.
std::string dialog_text(HWND box);
// Presses one of the box's buttons and waits until the box is gone.
void answer_dialog(HWND box, int id);

// Another program's message box, titled "Whoops" as the program's own, open
// for this object's life: lookups that stray beyond their own windows find it.
class OtherProgramsBox {
 public:
  OtherProgramsBox();
  OtherProgramsBox(const OtherProgramsBox&) = delete;
  OtherProgramsBox& operator=(const OtherProgramsBox&) = delete;
  ~OtherProgramsBox();
  [[nodiscard]] bool shown() const { return box_ != nullptr; }

 private:
  std::optional<Process> process_;
  HWND box_ = nullptr;
};

}  // namespace orvanel::testing
