#pragma once

#include "e2e/app.h"

namespace orvanel::testing {

// Checks the whole window against its design, at whatever dpi the display
// has, and keeps a screenshot of it.
void expect_layout(const RunningApp& app);

}  // namespace orvanel::testing
