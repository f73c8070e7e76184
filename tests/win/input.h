#pragma once

// Keyboard input as a person types it, to whatever window has the focus.

#include <windows.h>

#include <initializer_list>

namespace orvanel::testing {

// Presses the keys in order and lets them go in reverse order: {VK_MENU, 'L'}
// is Alt+L.
void press_keys(std::initializer_list<WORD> keys);

}  // namespace orvanel::testing
