#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "e2e/app.h"
#include "support/process.h"
#include "support/service_state.h"

// orvanel_e2e [gtest flags] PROGRAM SIMULATED_PROGRAM
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new orvanel::testing::ServiceKeeper);
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s [gtest flags] ORVANEL_EXE ORVANEL_SIM_EXE\n", argv[0]);
    return 2;
  }
  // Coordinates in physical pixels, as the program itself uses them.
  SetProcessDPIAware();
  orvanel::testing::Programs::real = orvanel::testing::windows_path(argv[1]);
  orvanel::testing::Programs::simulated = orvanel::testing::windows_path(argv[2]);
  return RUN_ALL_TESTS();
}
