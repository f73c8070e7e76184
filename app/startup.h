#pragma once

#include <windows.h>

#include "service/automation.h"

namespace orvanel::win32 {

// From here on, DLLs are looked for in the system directory and in its wbem
// folder, where WMI lives, only: one planted beside the program is never
// loaded. Without the calls (Windows 7 before its update), nothing changes.
void restrict_dll_search() noexcept;

// Per-monitor DPI awareness where Windows offers it, else system awareness.
void become_dpi_aware() noexcept;

// The whole program on this thread: the main window against the service
// that the binder reaches, until the window is gone. Gives the exit code.
int run(HINSTANCE instance, Binder& wmi);

}  // namespace orvanel::win32
