#pragma once

// A person's keys and clicks, sent only to the window they are meant for.
// Windows lets a program take the foreground only on the conditions that
// SetForegroundWindow's documentation lists, and a hosted runner's console
// or a developer's editor may hold it; so a window is brought to the front
// by what Windows always obeys, a click on a bare spot of the window itself,
// and nothing is sent while another window is in front.

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

// Skips a test that types letters when the keyboard layout of the window's
// thread does not put each on the key of its name: access keys match the
// character a key types, so under a Cyrillic or Greek layout the key of L
// is not Alt+L.
#define ORVANEL_REQUIRE_LETTERS_ON_THEIR_KEYS(window, letters)                           \
  do {                                                                                   \
    const std::string why = ::orvanel::testing::letters_off_their_keys(window, letters); \
    if (!why.empty()) GTEST_SKIP() << why;                                               \
  } while (false)

namespace orvanel::testing {

// A spot of the program's background, in twips, where a click does nothing,
// away from the one the tests double-click.
inline constexpr POINT kBareSpotTwips{3000, 1750};

// Empty when the layout types each of the (capital) letters with the key
// of its name, unshifted; else which is not.
std::string letters_off_their_keys(HWND window, std::wstring_view letters);

// Brings the top-level window to the foreground and says whether it is
// there, naming the window in front otherwise. `bare` is a spot of its client
// area where a click does nothing. A window of the test's own thread needs
// `pump` to run its messages meanwhile.
using Pump = std::function<void()>;
[[nodiscard]] ::testing::AssertionResult bring_to_front(HWND window, POINT bare,
                                                        const Pump& pump = {});

// Presses the keys in order and lets them go in reverse order ({VK_MENU,
// 'L'} is Alt+L), once the window is in front.
[[nodiscard]] ::testing::AssertionResult press_keys(HWND window, POINT bare,
                                                    std::initializer_list<WORD> keys,
                                                    const Pump& pump = {});

// Clicks the left button `clicks` times at a point of the window's client
// area (2 is a double-click), once the window is in front and only if that
// point shows the window or one of its controls.
[[nodiscard]] ::testing::AssertionResult click_at(HWND window, POINT bare, POINT client,
                                                  int clicks, const Pump& pump = {});

}  // namespace orvanel::testing
