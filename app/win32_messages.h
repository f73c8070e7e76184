#pragma once

// The window's own messages, which it posts or sends to itself, each
// numbered here once.

#include <windows.h>

namespace orvanel::win32 {

// Posted at the first activation: the behaviour's refresh runs from the
// message loop, not from inside ShowWindow.
inline constexpr UINT kActivateMessage = WM_APP + 1;
// Posted by the focus keeper when a state query disables Start/Stop: the
// button is disabled only if it is still to be once the query is over.
inline constexpr UINT kSettleFocusMessage = WM_APP + 2;
// Sent by a control that an accessibility client asks for.
inline constexpr UINT kAnnotateMessage = WM_APP + 3;

}  // namespace orvanel::win32
