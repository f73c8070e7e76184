#pragma once

namespace orvanel::win32 {

// From here on, DLLs are looked for in the system directory only, so that
// one planted beside the program is never loaded. Without the call (Windows
// 7 before its update), nothing changes.
void restrict_dll_search() noexcept;

}  // namespace orvanel::win32
