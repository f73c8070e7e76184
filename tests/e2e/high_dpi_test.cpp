#include <gtest/gtest.h>

#include "e2e/app.h"
#include "e2e/layout.h"
#include "support/process.h"
#include "support/screen.h"

namespace orvanel::testing {
namespace {

// The display at 144 dpi: under Wine the tests start the program so; on
// Windows, where the resolution changes only with the user's session, this
// runs on a display that has it.
TEST(HighDpi, TheLayoutScalesWithTheDisplay) {
  if (!under_wine() && screen_dpi() != 144) {
    GTEST_SKIP() << "the display is at " << screen_dpi() << " dpi, and this needs 144";
  }
  RunningApp app(Programs::real);
  ASSERT_EQ(app.dpi(), 144) << "the display is not at 144 dpi";
  (void)app.first_status();
  RECT client{};
  GetClientRect(app.window(), &client);
  EXPECT_EQ(client.right, 630);
  EXPECT_EQ(client.bottom, 185);
  expect_layout(app);
}

}  // namespace
}  // namespace orvanel::testing
