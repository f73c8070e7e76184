#pragma once

// Finding the windows of a program, and answering its message boxes, as a
// person would.

#include <windows.h>

#include <functional>
#include <string>

namespace orvanel::testing {

// Polls until the condition holds; false on time-out.
bool wait_for(const std::function<bool()>& condition, DWORD milliseconds = 10000);

// A visible top-level window of the process with that class and title
// (null: any), or null.
HWND find_window(DWORD process_id, const wchar_t* class_name, const wchar_t* title);
// A message box of the process with that title (null: any), once it shows;
// null if none shows within the time.
HWND find_dialog(DWORD process_id, const wchar_t* title, DWORD milliseconds = 10000);
// The text a message box shows: the longest of its static texts.
std::string dialog_text(HWND box);
// Presses one of the box's buttons and waits until the box is gone.
void answer_dialog(HWND box, int id);

}  // namespace orvanel::testing
