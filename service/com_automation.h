#pragma once

// Late binding through IDispatch: the automation layer's backend on Windows.

#include <windows.h>
#include <oaidl.h>

#include <string_view>

#include "service/automation.h"

namespace orvanel::com {

// Binds a moniker such as "winmgmts:\\.\root\cimv2" with the platform's
// get-object-by-moniker service.
class MonikerBinder final : public Binder {
 public:
  Object bind(std::string_view moniker) override;
};

// A handle on an IDispatch; adds its own reference.
Object object_from(IDispatch* dispatch);

}  // namespace orvanel::com
