#pragma once

// What identifies the window from outside: its class name and the ids of its
// controls. The program, its tests, the benchmarks and the tools all take
// them from here.

namespace orvanel::win32 {

inline constexpr wchar_t kWindowClass[] = L"Orvanel.Form1";

enum ControlId : int {
  kIdStartStop = 100,
  kIdClose = 101,
  kIdStatus = 102,
  kIdNotice = 103,
  kIdCredit = 104,
  kIdSign = 105,
  kIdPicture = 106,
};

}  // namespace orvanel::win32
